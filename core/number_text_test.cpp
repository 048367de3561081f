#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/text_util.h"

namespace vor {
namespace {

int64_t Rounded(double x) {
  int64_t r = 12345;
  EXPECT_TRUE(RoundDoubleToInt64(x, &r)) << x;
  return r;
}

TEST(NumberTextTest, RoundDoubleHalvesToEven) {
  EXPECT_EQ(Rounded(0.5), 0);
  EXPECT_EQ(Rounded(1.5), 2);
  EXPECT_EQ(Rounded(2.5), 2);
  EXPECT_EQ(Rounded(-0.5), 0);
  EXPECT_EQ(Rounded(-1.5), -2);
  EXPECT_EQ(Rounded(-2.5), -2);
  EXPECT_EQ(Rounded(2.4999999999999996), 2);
  EXPECT_EQ(Rounded(2.5000000000000004), 3);
  EXPECT_EQ(Rounded(-9223372036854775808.0),
            std::numeric_limits<int64_t>::min());
  EXPECT_EQ(Rounded(9223372036854774784.0), 9223372036854774784);
}

TEST(NumberTextTest, RoundDoubleRefusesWhatIsOutsideInt64) {
  int64_t r = 0;
  EXPECT_FALSE(RoundDoubleToInt64(9223372036854775808.0, &r));  // 2^63
  EXPECT_FALSE(RoundDoubleToInt64(-9223372036854777856.0, &r));
  EXPECT_FALSE(RoundDoubleToInt64(1e300, &r));
  EXPECT_FALSE(RoundDoubleToInt64(std::nan(""), &r));
  EXPECT_FALSE(
      RoundDoubleToInt64(-std::numeric_limits<double>::infinity(), &r));
}

TEST(NumberTextTest, ScanSplitsTheParts) {
  ScannedNumber n;
  ASSERT_TRUE(ScanNumber("-12.50e+3", &n));
  EXPECT_TRUE(n.negative);
  EXPECT_EQ(n.int_digits, "12");
  EXPECT_EQ(n.frac_digits, "50");
  EXPECT_EQ(n.exponent, 3);
  ASSERT_TRUE(ScanNumber("7E-99999999999999", &n));
  EXPECT_EQ(n.exponent, -kExponentLimit);
}

TEST(NumberTextTest, ScaleToIntegerPlaces) {
  ScannedNumber n;
  int64_t r = 0;
  ASSERT_TRUE(ScanNumber("2.50000000000000000001", &n));
  ASSERT_TRUE(ScaleToInt64(n, 0, &r));
  EXPECT_EQ(r, 3);  // just above the half, decided on every digit
  ASSERT_TRUE(ScanNumber("9223372036854775807", &n));
  ASSERT_TRUE(ScaleToInt64(n, 0, &r));
  EXPECT_EQ(r, std::numeric_limits<int64_t>::max());
  ASSERT_TRUE(ScanNumber("9223372036854775807.5", &n));
  EXPECT_FALSE(ScaleToInt64(n, 0, &r));  // rounds up past the top
  ASSERT_TRUE(ScanNumber("-9223372036854775808", &n));
  ASSERT_TRUE(ScaleToInt64(n, 0, &r));
  EXPECT_EQ(r, std::numeric_limits<int64_t>::min());
}

TEST(TextUtilTest, CountsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length("Ação"), 4u);
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("€uro"), 4u);  // three-byte character
  EXPECT_EQ(Utf8Prefix("Ação final", 3), "Açã");
  EXPECT_EQ(Utf8Prefix("abc", 10), "abc");
}

TEST(TextUtilTest, FoldsAsciiAndLatin1Capitals) {
  std::string f;
  FoldCase("ÁGUA Ç ÉTÉ Xpto", &f);
  EXPECT_EQ(f, "água ç été xpto");
  FoldCase("2×3", &f);  // the multiplication sign has no small form
  EXPECT_EQ(f, "2×3");
  FoldCase("AÇÃO", &f);
  EXPECT_EQ(f, "ação");
}

// Codes compare as the ERP's code columns do: only ASCII letters are folded.
TEST(TextUtilTest, CodesFoldOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsIgnoringCase("Cafe-01", "CAFE-01"));
  EXPECT_FALSE(EqualsIgnoringCase("café", "CAFÉ"));  // é 0xC3 0xA9, É 0xC3 0x89
  EXPECT_TRUE(EqualsIgnoringCase("café", "CAFé"));
  // Single bytes above 127 (Latin-1 é and É) are not letters here either.
  EXPECT_FALSE(EqualsIgnoringCase("\xE9", "\xC9"));
  EXPECT_TRUE(EqualsIgnoringCase("a\xFF", "A\xFF"));
  EXPECT_FALSE(EqualsIgnoringCase("AB", "ABC"));
  EXPECT_EQ(FoldAsciiCase("ÁGUA Xpto \xC9"), "Água xpto \xC9");
}

}  // namespace
}  // namespace vor

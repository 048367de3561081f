#include "core/currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/error.h"
#include "testing/error_number.h"

namespace vor {
namespace {

constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

int64_t ParsedRaw(const char* text) { return Currency::Parse(text).raw(); }

TEST(CurrencyTest, RangeLimitsFormatExactly) {
  EXPECT_EQ(Currency::FromRaw(kMaxRaw).ToString(), "922337203685477.5807");
  EXPECT_EQ(Currency::FromRaw(kMinRaw).ToString(), "-922337203685477.5808");
  EXPECT_EQ(ParsedRaw("922337203685477.5807"), kMaxRaw);
  EXPECT_EQ(ParsedRaw("-922337203685477.5808"), kMinRaw);
}

TEST(CurrencyTest, ToStringIsPlainDecimalWithoutTrailingZeros) {
  EXPECT_EQ(Currency::FromRaw(125000).ToString(), "12.5");
  EXPECT_EQ(Currency::FromRaw(-1).ToString(), "-0.0001");
  EXPECT_EQ(Currency::FromRaw(30000).ToString(), "3");
  EXPECT_EQ(Currency::FromRaw(0).ToString(), "0");
  EXPECT_EQ(Currency::FromRaw(10).ToString(), "0.001");
  EXPECT_EQ(Currency::FromRaw(-125000).ToString(), "-12.5");
  EXPECT_EQ(Currency::FromRaw(10203).ToString(), "1.0203");
}

TEST(CurrencyTest, SumAndDifferenceAreExact) {
  // 0.1 + 0.2 is not 0.3 in binary floating point; here it is.
  Currency a = Currency::Parse("0.1") + Currency::Parse("0.2");
  EXPECT_EQ(a, Currency::Parse("0.3"));
  EXPECT_EQ((Currency::FromRaw(kMaxRaw) - Currency::FromRaw(kMaxRaw)).raw(), 0);
  EXPECT_EQ((Currency::FromRaw(kMinRaw) + Currency::FromRaw(kMaxRaw)).raw(),
            -1);
  EXPECT_LT(Currency::FromRaw(-1), Currency::FromRaw(0));
  EXPECT_GT(Currency::FromRaw(kMaxRaw), Currency::FromRaw(kMaxRaw - 1));
}

TEST(CurrencyTest, OverflowInEveryOperationRaisesError6) {
  std::string d;
  Currency max = Currency::FromRaw(kMaxRaw);
  Currency min = Currency::FromRaw(kMinRaw);
  Currency one = Currency::FromInt(1);
  EXPECT_EQ(ErrorNumber([&] { (void)(max + one); }, &d), 6);
  EXPECT_EQ(d,
            "Overflow: 922337203685477.5807 + 1 excede o intervalo do tipo de "
            "ponto fixo");
  EXPECT_EQ(ErrorNumber([&] { (void)(min - Currency::FromRaw(1)); }, &d), 6);
  EXPECT_NE(d.find("-922337203685477.5808 - 0.0001"), std::string::npos);
  EXPECT_EQ(ErrorNumber([&] { (void)(min + Currency::FromRaw(-1)); }), 6);
  EXPECT_EQ(ErrorNumber([&] { (void)(max - Currency::FromRaw(-1)); }), 6);
  EXPECT_EQ(ErrorNumber([&] { (void)(-min); }), 6);
  EXPECT_EQ((-max).raw(), -kMaxRaw);

  // A failed compound assignment leaves the value as it was.
  Currency c = max;
  EXPECT_EQ(ErrorNumber([&] { c += one; }), 6);
  EXPECT_EQ(c, max);
  c = min;
  EXPECT_EQ(ErrorNumber([&] { c -= one; }), 6);
  EXPECT_EQ(c, min);
}

TEST(CurrencyTest, FromIntChecksTheRange) {
  EXPECT_EQ(Currency::FromInt(922337203685477).raw(), 9223372036854770000);
  EXPECT_EQ(Currency::FromInt(-922337203685477).raw(), -9223372036854770000);
  EXPECT_EQ(ErrorNumber([] { Currency::FromInt(922337203685478); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromInt(-922337203685478); }), 6);
}

TEST(CurrencyTest, FromDoubleRoundsProductHalfToEven) {
  EXPECT_EQ(Currency::FromDouble(1.0 / 3.0).ToString(), "0.3333");
  EXPECT_EQ(Currency::FromDouble(2.0 / 3.0).ToString(), "0.6667");
  EXPECT_EQ(Currency::FromDouble(12.5).raw(), 125000);
  // Doubles whose product with 10 000 is exactly a half.
  ASSERT_EQ(5e-05 * 10000.0, 0.5);
  EXPECT_EQ(Currency::FromDouble(5e-05).raw(), 0);
  ASSERT_EQ(0.00025 * 10000.0, 2.5);
  EXPECT_EQ(Currency::FromDouble(0.00025).raw(), 2);
  ASSERT_EQ(0.00035 * 10000.0, 3.5);
  EXPECT_EQ(Currency::FromDouble(0.00035).raw(), 4);
  ASSERT_EQ(-5e-05 * 10000.0, -0.5);
  EXPECT_EQ(Currency::FromDouble(-5e-05).raw(), 0);
  ASSERT_EQ(-0.00025 * 10000.0, -2.5);
  EXPECT_EQ(Currency::FromDouble(-0.00025).raw(), -2);
  ASSERT_EQ(-0.00035 * 10000.0, -3.5);
  EXPECT_EQ(Currency::FromDouble(-0.00035).raw(), -4);
  ASSERT_EQ(-1.23455 * 10000.0, -12345.5);
  EXPECT_EQ(Currency::FromDouble(-1.23455).raw(), -12346);
  EXPECT_EQ(Currency::FromDouble(-1.23465).raw(), -12346);
}

TEST(CurrencyTest, FromDoubleOutsideTheRangeRaisesError6) {
  // The largest value times 10 000 is 2^63 as a double: outside.
  ASSERT_EQ(922337203685477.5807 * 10000.0, 9223372036854775808.0);
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(922337203685477.5807); }), 6);
  // -2^63 itself is the lowest value and is inside.
  EXPECT_EQ(Currency::FromDouble(-922337203685477.5808).raw(), kMinRaw);
  std::string d;
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(1e20); }, &d), 6);
  EXPECT_EQ(d, "Overflow: 1e+20 excede o intervalo do tipo de ponto fixo");
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(-1e20); }), 6);
  EXPECT_EQ(ErrorNumber([] { Currency::FromDouble(std::nan("")); }), 6);
  EXPECT_EQ(ErrorNumber([] {
              Currency::FromDouble(std::numeric_limits<double>::infinity());
            }),
            6);
}

TEST(CurrencyTest, ParseReadsEveryFormOfTheGrammar) {
  EXPECT_EQ(ParsedRaw("12.5"), 125000);
  EXPECT_EQ(ParsedRaw("-0.0001"), -1);
  EXPECT_EQ(ParsedRaw("+3"), 30000);
  EXPECT_EQ(ParsedRaw(".5"), 5000);
  EXPECT_EQ(ParsedRaw("5."), 50000);
  EXPECT_EQ(ParsedRaw("-0"), 0);
  EXPECT_EQ(ParsedRaw("0000000000000000000000012"), 120000);
  EXPECT_EQ(ParsedRaw("1e3"), 10000000);
  EXPECT_EQ(ParsedRaw("1.5E-2"), 150);
  EXPECT_EQ(ParsedRaw("125e-5"), 12);  // 0.00125: a half, 12 is even
}

TEST(CurrencyTest, ParseRoundsExtraPlacesHalfToEvenOnDecimalDigits) {
  EXPECT_EQ(ParsedRaw("12.34565"), 123456);   // half, 6 is even: stays
  EXPECT_EQ(ParsedRaw("12.34575"), 123458);   // half, 7 is odd: up
  EXPECT_EQ(ParsedRaw("12.345651"), 123457);  // above half
  EXPECT_EQ(ParsedRaw("12.3456499999"), 123456);
  EXPECT_EQ(ParsedRaw("-12.34565"), -123456);
  EXPECT_EQ(ParsedRaw("-12.34575"), -123458);
  EXPECT_EQ(ParsedRaw("0.00005"), 0);
  EXPECT_EQ(ParsedRaw("0.00015"), 2);
  EXPECT_EQ(ParsedRaw("-0.00015"), -2);
  EXPECT_EQ(ParsedRaw("0.000049999"), 0);
  EXPECT_EQ(ParsedRaw("1234567890123456789e-10"), 1234567890123);
  EXPECT_EQ(ParsedRaw("922337203685477.58074"), kMaxRaw);
  EXPECT_EQ(ParsedRaw("1e-99999999999999999999"), 0);
  EXPECT_EQ(ParsedRaw("0e99999999999999999999"), 0);
}

TEST(CurrencyTest, ParseOutsideTheRangeRaisesError6) {
  for (const char* text :
       {"922337203685477.5808", "-922337203685477.5809",
        "922337203685477.58075", "1e15", "-1e15", "99999999999999999999999999",
        "1e99999999999999999999"}) {
    std::string d;
    EXPECT_EQ(ErrorNumber([&] { Currency::Parse(text); }, &d), 6) << text;
    EXPECT_NE(d.find(text), std::string::npos) << d;
  }
}

TEST(CurrencyTest, MalformedTextIsRejected) {
  for (const char* text :
       {"", "+", "-", ".", "1..2", "1.2.3", "1e", "1e+", " 1", "1 ", "1,5",
        "abc", "0x10", "1e5.5", "inf", "nan", "--1", "e5"}) {
    Currency c = Currency::FromRaw(77);
    EXPECT_FALSE(Currency::TryParse(text, &c)) << text;
    EXPECT_EQ(c.raw(), 77) << text;
  }
  std::string d;
  EXPECT_EQ(ErrorNumber([] { Currency::Parse("1,5"); }, &d), 13);
  EXPECT_NE(d.find("'1,5'"), std::string::npos) << d;
}

TEST(CurrencyTest, RoundTo2DecidesHalvesOnTheFourPlaceValue) {
  EXPECT_EQ(Currency::Parse("12.345").RoundTo2(), Currency::Parse("12.34"));
  EXPECT_EQ(Currency::Parse("12.355").RoundTo2(), Currency::Parse("12.36"));
  EXPECT_EQ(Currency::Parse("12.3451").RoundTo2(), Currency::Parse("12.35"));
  EXPECT_EQ(Currency::Parse("12.3449").RoundTo2(), Currency::Parse("12.34"));
  EXPECT_EQ(Currency::Parse("-12.345").RoundTo2(), Currency::Parse("-12.34"));
  EXPECT_EQ(Currency::Parse("-12.355").RoundTo2(), Currency::Parse("-12.36"));
  EXPECT_EQ(Currency::Parse("-0.005").RoundTo2().raw(), 0);
  EXPECT_EQ(Currency::FromRaw(kMaxRaw).RoundTo2().raw(), 9223372036854775800);
  EXPECT_EQ(Currency::FromRaw(kMinRaw).RoundTo2().raw(), -9223372036854775800);
}

TEST(CurrencyTest, ToDouble) {
  EXPECT_EQ(Currency::FromRaw(125000).ToDouble(), 12.5);
  EXPECT_EQ(Currency::FromRaw(-1).ToDouble(), -0.0001);
}

}  // namespace
}  // namespace vor

#include "core/value.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/error.h"
#include "testing/error_number.h"

namespace vor {
namespace {

using namespace std::chrono;

DateTime At(int y, unsigned m, unsigned d, int h = 0, int mi = 0, int s = 0) {
  return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{mi} +
         seconds{s};
}

TEST(ValueTest, NumericTextIsAPlainNumberTest) {
  for (const char* t : {"12", "-1.5", "+.5", "1e5", "1E-5", "5.", "0007"}) {
    EXPECT_TRUE(IsNumericText(t)) << t;
  }
  for (const char* t : {"", " 1", "1 ", "1,5", "e5", ".", "1e", "--1", "abc",
                        "12a", "1.2.3", "$5", "1e5e5"}) {
    EXPECT_FALSE(IsNumericText(t)) << t;
  }
  EXPECT_TRUE(Value(3).IsNumeric());
  EXPECT_TRUE(Value(2.5).IsNumeric());
  EXPECT_TRUE(Value(Currency::FromInt(1)).IsNumeric());
  EXPECT_TRUE(Value("7").IsNumeric());
  EXPECT_FALSE(Value("sete").IsNumeric());
  EXPECT_FALSE(Value(true).IsNumeric());
  EXPECT_FALSE(Value().IsNumeric());
  EXPECT_FALSE(Value(At(2024, 3, 5)).IsNumeric());
}

TEST(ValueTest, KindsAndEquality) {
  EXPECT_TRUE(Value().is_null());
  EXPECT_EQ(Value(5).kind(), Value::Kind::kInt);
  EXPECT_EQ(Value(5L), Value(5));
  EXPECT_FALSE(Value(5) == Value(5.0));  // different kinds
  EXPECT_EQ(Value(std::string_view("ab")).kind(), Value::Kind::kText);
  EXPECT_EQ(Value(Value::Null()), Value());
}

// Texts up to 14 bytes are held inside the value, longer ones apart: both
// sides of that line, NUL bytes and the empty text keep every byte through
// copying, moving and assigning over values of other kinds.
TEST(ValueTest, TextsOfEveryLengthKeepTheirBytes) {
  const std::string texts[] = {"",
                               std::string("a\0b", 3),
                               "ABCDEFGHIJKLMN",
                               "ABCDEFGHIJKLMNO",
                               std::string(20, '\0'),
                               "Parafuso sextavado M8x40 zincado"};
  for (const std::string& t : texts) {
    const Value v(t);
    ASSERT_EQ(v.kind(), Value::Kind::kText);
    EXPECT_EQ(v.AsText(), t);
    EXPECT_EQ(v.ToText(), t);
    Value copy(v);
    EXPECT_EQ(copy, v);
    Value moved(std::move(copy));
    EXPECT_EQ(moved.AsText(), t);
    Value over(Currency::FromInt(3));
    over = moved;
    EXPECT_EQ(over.AsText(), t);
    over = Value(7);
    EXPECT_EQ(over, Value(7));
    over = std::move(moved);
    EXPECT_EQ(over.AsText(), t);
    for (const std::string& other : texts) {
      EXPECT_EQ(Value(other) == v, other == t) << other << " / " << t;
    }
  }
  EXPECT_EQ(Value(-0.0), Value(0.0));
  EXPECT_FALSE(Value(std::numeric_limits<double>::quiet_NaN()) ==
               Value(std::numeric_limits<double>::quiet_NaN()));
}

TEST(ValueTest, NullWhereANumberIsNeededIsError94) {
  std::string d;
  EXPECT_EQ(ErrorNumber([] { Value().ToCurrency(); }, &d), 94);
  EXPECT_EQ(d, "Uso inválido de Null");
  EXPECT_EQ(ErrorNumber([] { Value().ToDouble(); }), 94);
  EXPECT_EQ(ErrorNumber([] { Value().ToInt(); }), 94);
  EXPECT_EQ(ErrorNumber([] { Value().ToBool(); }), 94);
  EXPECT_EQ(ErrorNumber([] { Value().ToText(); }), 94);
  EXPECT_EQ(ErrorNumber([] { Value().ToDateTime(); }), 94);
}

TEST(ValueTest, ToCurrency) {
  EXPECT_EQ(Value(0).ToCurrency().raw(), 0);
  EXPECT_EQ(Value(true).ToCurrency().raw(), -10000);
  EXPECT_EQ(Value(false).ToCurrency().raw(), 0);
  EXPECT_EQ(Value(12.5).ToCurrency().raw(), 125000);
  EXPECT_EQ(Value(1.23456).ToCurrency().raw(), 12346);
  EXPECT_EQ(Value("7").ToCurrency().raw(), 70000);
  EXPECT_EQ(Value("-0.00015").ToCurrency().raw(), -2);  // exact decimal half
  EXPECT_EQ(Value(Currency::FromRaw(3)).ToCurrency().raw(), 3);
  std::string d;
  EXPECT_EQ(ErrorNumber([] { Value("abc").ToCurrency(); }, &d), 13);
  EXPECT_NE(d.find("'abc'"), std::string::npos) << d;
  EXPECT_EQ(ErrorNumber([] { Value("1e20").ToCurrency(); }), 6);
  EXPECT_EQ(ErrorNumber([] { Value(1e20).ToCurrency(); }), 6);
  EXPECT_EQ(ErrorNumber([] { Value(int64_t{1} << 62).ToCurrency(); }), 6);
  EXPECT_EQ(ErrorNumber([] { Value(At(2024, 1, 1)).ToCurrency(); }), 13);
}

TEST(ValueTest, ToDouble) {
  EXPECT_EQ(Value("1.5").ToDouble(), 1.5);
  EXPECT_EQ(Value("+2").ToDouble(), 2.0);
  EXPECT_EQ(Value("-.25e1").ToDouble(), -2.5);
  EXPECT_EQ(Value("5.").ToDouble(), 5.0);
  EXPECT_EQ(Value("1e-400").ToDouble(), 0.0);  // below the smallest double
  EXPECT_EQ(ErrorNumber([] { Value("1e400").ToDouble(); }), 6);
  EXPECT_EQ(ErrorNumber([] { Value("-1e400").ToDouble(); }), 6);
  EXPECT_EQ(Value(Currency::FromRaw(125000)).ToDouble(), 12.5);
  EXPECT_EQ(Value(true).ToDouble(), -1.0);
  EXPECT_EQ(Value(7).ToDouble(), 7.0);
  EXPECT_EQ(ErrorNumber([] { Value("1,5").ToDouble(); }), 13);
}

TEST(ValueTest, ToIntRoundsHalfToEven) {
  EXPECT_EQ(Value(2.5).ToInt(), 2);
  EXPECT_EQ(Value(3.5).ToInt(), 4);
  EXPECT_EQ(Value(-2.5).ToInt(), -2);
  EXPECT_EQ(Value(Currency::Parse("2.5")).ToInt(), 2);
  EXPECT_EQ(Value(Currency::Parse("2.5001")).ToInt(), 3);
  EXPECT_EQ(Value(Currency::Parse("-3.5")).ToInt(), -4);
  EXPECT_EQ(Value(Currency::Parse("-2.4999")).ToInt(), -2);
  EXPECT_EQ(Value("42").ToInt(), 42);
  EXPECT_EQ(Value("2.5").ToInt(), 2);
  EXPECT_EQ(Value("2.50000000000000000001").ToInt(), 3);
  EXPECT_EQ(Value("9223372036854775807").ToInt(),
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ErrorNumber([] { Value("9223372036854775808").ToInt(); }), 6);
  EXPECT_EQ(ErrorNumber([] { Value(1e19).ToInt(); }), 6);
  EXPECT_EQ(Value(true).ToInt(), -1);
  EXPECT_EQ(ErrorNumber([] { Value("x").ToInt(); }), 13);
}

TEST(ValueTest, ToBool) {
  EXPECT_TRUE(Value("True").ToBool());
  EXPECT_TRUE(Value("TRUE").ToBool());
  EXPECT_FALSE(Value("false").ToBool());
  EXPECT_FALSE(Value("FaLsE").ToBool());
  EXPECT_FALSE(Value("0").ToBool());
  EXPECT_FALSE(Value("0.000").ToBool());
  EXPECT_TRUE(Value("-2").ToBool());
  EXPECT_FALSE(Value(0).ToBool());
  EXPECT_TRUE(Value(5).ToBool());
  EXPECT_TRUE(Value(0.1).ToBool());
  EXPECT_FALSE(Value(Currency()).ToBool());
  std::string d;
  EXPECT_EQ(ErrorNumber([] { Value("sim").ToBool(); }, &d), 13);
  EXPECT_NE(d.find("'sim'"), std::string::npos) << d;
}

TEST(ValueTest, ToTextIsPlainAndLocaleFree) {
  EXPECT_EQ(Value(0.1).ToText(), "0.1");
  EXPECT_EQ(Value(1e20).ToText(), "100000000000000000000");
  EXPECT_EQ(Value(1.5e-7).ToText(), "0.00000015");
  EXPECT_EQ(Value(-3.0).ToText(), "-3");
  EXPECT_EQ(Value(-5).ToText(), "-5");
  EXPECT_EQ(Value(Currency::Parse("12.50")).ToText(), "12.5");
  EXPECT_EQ(Value(true).ToText(), "True");
  EXPECT_EQ(Value(false).ToText(), "False");
  EXPECT_EQ(Value("").ToText(), "");
  EXPECT_EQ(Value(At(2024, 3, 5)).ToText(), "2024-03-05");
  EXPECT_EQ(Value(At(2024, 3, 5, 13, 4, 5)).ToText(), "2024-03-05 13:04:05");
}

TEST(ValueTest, ToDateTimeReadsIsoText) {
  EXPECT_EQ(Value("2024-03-05").ToDateTime(), At(2024, 3, 5));
  EXPECT_EQ(Value("2024-03-05 13:04:05").ToDateTime(),
            At(2024, 3, 5, 13, 4, 5));
  EXPECT_EQ(Value("2024-03-05T13:04:05.123").ToDateTime(),
            At(2024, 3, 5, 13, 4, 5));
  EXPECT_EQ(Value("2024-02-29").ToDateTime(), At(2024, 2, 29));
  for (const char* t :
       {"2023-02-29", "2024-13-01", "2024-03-05 25:00:00", "2024-03-05 12:00",
        "2024-3-5", "abc", "", "2024-03-05 13:04:05.", "2024-03-05x"}) {
    EXPECT_EQ(ErrorNumber([&] { Value(t).ToDateTime(); }), 13) << t;
  }
  EXPECT_EQ(ErrorNumber([] { Value(5).ToDateTime(); }), 13);
}

TEST(ValueTest, DescribeForErrorTexts) {
  EXPECT_EQ(Value("abc").Describe(), "'abc'");
  EXPECT_EQ(Value().Describe(), "Null");
  EXPECT_EQ(Value(5).Describe(), "5");
  EXPECT_EQ(Value(1e20).Describe(), "1e+20");
  std::string long_text(50, 'x');
  EXPECT_EQ(Value(long_text).Describe(), "'" + std::string(40, 'x') + "...'");
}

}  // namespace
}  // namespace vor

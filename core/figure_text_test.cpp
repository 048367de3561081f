#include "core/figure_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace vor {
namespace {

Currency C(const char* text) { return Currency::Parse(text); }

TEST(FigureTextTest, QuantityKeepsItsPlacesAndSetsThousandsApart) {
  EXPECT_EQ(FigureText::Quantity(Currency::FromRaw(-125000)), "-12,5");
  EXPECT_EQ(FigureText::Quantity(Currency::FromRaw(30000)), "3");
  EXPECT_EQ(FigureText::Quantity(Currency()), "0");
  EXPECT_EQ(FigureText::Quantity(C("-0.0001")), "-0,0001");
  // Four digits stay together; from five on the thousands are apart.
  EXPECT_EQ(FigureText::Quantity(C("5070")), "5070");
  EXPECT_EQ(FigureText::Quantity(C("59070")), "59\u00a0070");
  EXPECT_EQ(FigureText::Quantity(C("-1234567.5")), "-1\u00a0234\u00a0567,5");
  EXPECT_EQ(FigureText::Quantity(
                Currency::FromRaw(std::numeric_limits<int64_t>::min())),
            "-922\u00a0337\u00a0203\u00a0685\u00a0477,5808");
  // A file's layout: its decimal sign, nothing between thousands.
  EXPECT_EQ(FigureText::Quantity(C("-1234567.5"), FigureText::Plain('.')),
            "-1234567.5");
  // From double: rounded in the fourth place.
  EXPECT_EQ(FigureText::Quantity(-1.23456), "-1,2346");
  EXPECT_EQ(FigureText::Quantity(1.23454), "1,2345");
  EXPECT_EQ(FigureText::Quantity(0.00004), "0");
  EXPECT_EQ(FigureText::Quantity(-1e15), "-1e+15");
}

TEST(FigureTextTest, MoneyRoundsToCentsHalvesAwayFromZero) {
  EXPECT_EQ(FigureText::Money(Currency()), "0,00");
  EXPECT_EQ(FigureText::Money(C("1234.565")), "1234,57");
  EXPECT_EQ(FigureText::Money(C("1234.5649")), "1234,56");
  EXPECT_EQ(FigureText::Money(C("-0.005")), "-0,01");
  EXPECT_EQ(FigureText::Money(C("-0.0049")), "0,00");
  EXPECT_EQ(FigureText::Money(C("-1234567.5")), "-1\u00a0234\u00a0567,50");
  EXPECT_EQ(FigureText::Money(C("99999.995")), "100\u00a0000,00");
}

TEST(FigureTextTest, DaysToOneDecimalAndPricesWithTheirPlaces) {
  EXPECT_EQ(FigureText::Days(C("3.9")), "3,9");
  EXPECT_EQ(FigureText::Days(C("2.96")), "3");
  EXPECT_EQ(FigureText::Days(C("-0.2")), "-0,2");
  EXPECT_EQ(FigureText::Days(C("-0.04")), "0");
  EXPECT_EQ(FigureText::Days(C("12345.65")), "12\u00a0345,7");
  EXPECT_EQ(FigureText::DayCount(C("0.55")), "0,6 dias");
  EXPECT_EQ(FigureText::DayCount(C("1.04")), "1 dia");
  EXPECT_EQ(FigureText::DayCount(C("1.05")), "1,1 dias");
  EXPECT_EQ(FigureText::Price(C("0.08")), "0,08");
  EXPECT_EQ(FigureText::Price(C("0.0754")), "0,0754");
  EXPECT_EQ(FigureText::Price(C("12.5")), "12,50");
  EXPECT_EQ(FigureText::Price(C("-3")), "-3,00");
}

TEST(FigureTextTest, DatesAsTheTextsWriteThem) {
  using namespace std::chrono;
  const LocalTime t =
      local_days{year{2026} / 12 / 9} + hours{6} + minutes{5} + seconds{59};
  EXPECT_EQ(FigureText::Date(t), "09-12-2026");
  EXPECT_EQ(FigureText::DateTime(t), "09-12-2026 às 06:05");
}

}  // namespace
}  // namespace vor

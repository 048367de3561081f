// FigureText: how the program writes a figure for people and files: a
// quantity, an amount of money, days of cover, a date. One rule per kind of
// figure, so that the same value reads the same in the proposal window, its
// "Porquê?" panel, the e-mail, the workbook and the CSV file; each of those
// only picks its layout (decimal sign, thousands apart or not).
//
//   FigureText::Quantity(Currency::FromInt(59070))        "59 070"
//   FigureText::Quantity(value, FigureText::Plain(';'))   "59070"
//   FigureText::Money(Currency::Parse("1234.565"))        "1234,57"
//
// Texts for people use the Portuguese notation: a decimal comma and, from
// five digits before it on, the thousands apart by a no-break space
// (U+00A0), so that a figure never breaks across lines ("5070",
// "59 070"). A minus sign leads a negative figure; zero has none.
#ifndef VOR_CORE_FIGURE_TEXT_H_
#define VOR_CORE_FIGURE_TEXT_H_

#include <string>

#include "core/clock.h"
#include "core/currency.h"

namespace vor {

// Where a figure goes: its decimal sign, and whether the thousands are set
// apart.
struct FigureLayout {
  char decimal = ',';
  bool grouped = true;
};

class FigureText {
 public:
  // The layout of every text people read.
  static constexpr FigureLayout kReading{',', true};
  // The layout of a number a program reads back: `decimal` as the decimal
  // sign, no thousands apart.
  static constexpr FigureLayout Plain(char decimal) { return {decimal, false}; }

  // A quantity (stock, demand, quantity to order, factor, days as stored)
  // with the places of its exact value and no trailing zeros: "12,5",
  // "-0,0001", "3".
  static std::string Quantity(Currency value, FigureLayout layout = kReading);
  // A quantity computed in double (a chart's scale): the quantity it
  // rounds to in four places; "%g" beyond the fixed-point range, "" for a
  // value that is not a number.
  static std::string Quantity(double value, FigureLayout layout = kReading);

  // An amount of money: rounded to cents, halves away from zero, decided
  // on the exact four-place value, written with two places ("1234,57",
  // "-0,01", "0,00").
  static std::string Money(Currency value, FigureLayout layout = kReading);

  // A price: the places of its exact value, at least two ("0,08",
  // "0,0754", "12,50", "1 234,5678"), so that quantity x price reads as the
  // value it gives.
  static std::string Price(Currency value, FigureLayout layout = kReading);

  // Days of cover: at most one decimal, rounded half away from zero on the
  // exact four-place value ("0,6" for 0,55; "3" for 2,96; "-0,2").
  static std::string Days(Currency days, FigureLayout layout = kReading);
  // The same with its word, singular for exactly one: "1 dia", "0,6 dias",
  // "12 dias".
  static std::string DayCount(Currency days);

  // A date, "09-12-2026", and a date with its time, "09-12-2026 às 06:15".
  static std::string Date(LocalTime time);
  static std::string DateTime(LocalTime time);
};

}  // namespace vor

#endif  // VOR_CORE_FIGURE_TEXT_H_

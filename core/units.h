// Units: the two questions the program asks of an article's base unit
// (UnBase) and purchase unit (UnCmp), each answered by one rule everywhere
// (the engine, the proposal window, the list of rows to check):
//
//   Units::PricedBySupplier  whose price an order of the article carries:
//                            the supplier's when the units name different
//                            units once both are turned to capitals
//                            ("un" and "UN" are one unit), the article's own
//                            last price otherwise.
//   Units::Converted         whether the quantity to order is converted into
//                            the purchase unit through the packing factor
//                            FactEmb: when the two texts differ byte for
//                            byte (letter case and blanks count: "un" and
//                            "UN" are converted).
//
// The two rules differ on purpose and the result table depends on both; a
// unit without value (null) counts as the same unit in either.
#ifndef VOR_CORE_UNITS_H_
#define VOR_CORE_UNITS_H_

#include "core/value.h"

namespace vor {

class Units {
 public:
  // Whether `base` and `purchase` both have a value and differ once both
  // are turned to capitals (ASCII and the accented Latin-1 letters).
  static bool PricedBySupplier(const Value& base, const Value& purchase);

  // Whether `base` and `purchase` both have a value and their texts differ.
  static bool Converted(const Value& base, const Value& purchase);
};

}  // namespace vor

#endif  // VOR_CORE_UNITS_H_

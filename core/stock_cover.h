// StockCover: the days a stock covers, by the replenishment rule: the
// minimum stock (StkMinimo) is what `days` (the article's Dias) of use
// need, so a stock covers (stock / minimum) x days days. Computed in
// double in that order and turned to four places (Currency::FromDouble),
// the rule the calculator stores in Tempo; the whole-unit figures of the
// proposal use it too, so both give the same days for the same stock.
//
//   const Currency tempo = StockCover::Days(stk_apos, stk_minimo, dias);
#ifndef VOR_CORE_STOCK_COVER_H_
#define VOR_CORE_STOCK_COVER_H_

#include "core/currency.h"

namespace vor {

class StockCover {
 public:
  // Whether a cover can be computed: `minimum` and `days` both other than
  // 0. Otherwise the cover stored is 0, meaning "unknown".
  static bool Known(Currency minimum, Currency days) {
    return minimum != Currency() && days != Currency();
  }
  // (stock / minimum) x days as described above; 0 when not Known. Raises
  // Error 6 when the result leaves the fixed-point range.
  static Currency Days(Currency stock, Currency minimum, Currency days);
};

}  // namespace vor

#endif  // VOR_CORE_STOCK_COVER_H_

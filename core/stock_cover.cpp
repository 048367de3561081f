#include "core/stock_cover.h"

namespace vor {

Currency StockCover::Days(Currency stock, Currency minimum, Currency days) {
  if (!Known(minimum, days)) return Currency();
  return Currency::FromDouble((stock.ToDouble() / minimum.ToDouble()) *
                              days.ToDouble());
}

}  // namespace vor

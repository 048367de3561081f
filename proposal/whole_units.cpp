#include "proposal/whole_units.h"

#include <algorithm>
#include <limits>

#include "core/error.h"
#include "core/stock_cover.h"
#include "core/text_util.h"
#include "core/units.h"

namespace vor {
namespace {

using F = ResultField;

Currency Or0(const ProposalRow& row, F field) {
  return row.Number(field).value_or(Currency());
}

// a x b to four places, halves away from zero; Error 6 past the range.
Currency Times(Currency a, Currency b) {
  using Int128 = __int128;
  const Int128 product = Int128{a.raw()} * b.raw();
  const Int128 magnitude = product < 0 ? -product : product;
  const Int128 scaled =
      magnitude / Currency::kScale +
      (2 * (magnitude % Currency::kScale) >= Currency::kScale ? 1 : 0);
  if (scaled > std::numeric_limits<int64_t>::max()) {
    throw Error(errnum::kOverflow, "Overflow");
  }
  const auto raw = static_cast<int64_t>(scaled);
  return Currency::FromRaw(product < 0 ? -raw : raw);
}

// The figures of ordering `purchase` and `base` instead of the row's own
// quantities.
WholeQuantity Following(const ProposalRow& row, Currency purchase,
                        Currency base, bool whole) {
  WholeQuantity w;
  w.purchase = purchase;
  w.base = base;
  w.whole = whole;
  w.stock_after = Or0(row, F::kStkApos) + (base - Or0(row, F::kQtdUB));
  w.cover = StockCover::Days(w.stock_after, Or0(row, F::kStkMinimo),
                             Or0(row, F::kDias));
  return w;
}

}  // namespace

WholeUnits::WholeUnits() : WholeUnits({"KG", "L", "M", "M2", "M3"}) {}

WholeUnits::WholeUnits(const std::vector<std::string>& fractional) {
  for (const std::string& unit : fractional) {
    fractional_.push_back(CodeKey(unit));
  }
}

bool WholeUnits::Fractional(std::string_view unit) const {
  return std::find(fractional_.begin(), fractional_.end(), CodeKey(unit)) !=
         fractional_.end();
}

bool WholeUnits::Rounds(const ProposalRow& row) const {
  return Units::Converted(row.at(F::kUnBase), row.at(F::kUnCmp)) &&
         Or0(row, F::kFactEmb) > Currency() && !Fractional(row.Text(F::kUnCmp));
}

WholeQuantity WholeUnits::Of(const ProposalRow& row) const {
  if (row.ToOrder() && Rounds(row)) {
    const Currency purchase = RoundUp(Or0(row, F::kQtdUC));
    return Following(row, purchase, Times(purchase, Or0(row, F::kFactEmb)),
                     true);
  }
  WholeQuantity w;
  w.purchase = Or0(row, F::kQtdUC);
  w.base = Or0(row, F::kQtdUB);
  w.stock_after = Or0(row, F::kStkApos);
  w.cover = Or0(row, F::kTempo);
  w.whole = Rounds(row);
  return w;
}

std::optional<WholeQuantity> WholeUnits::At(const ProposalRow& row,
                                            Currency purchase) const {
  if (!Units::Converted(row.at(F::kUnBase), row.at(F::kUnCmp))) {
    return Following(row, purchase, purchase, false);
  }
  const Currency factor = Or0(row, F::kFactEmb);
  if (factor <= Currency()) return std::nullopt;
  return Following(row, purchase, Times(purchase, factor), Rounds(row));
}

Currency WholeUnits::RoundUp(Currency quantity) {
  if (quantity <= Currency()) return Currency();
  const int64_t whole = quantity.raw() / Currency::kScale +
                        (quantity.raw() % Currency::kScale != 0 ? 1 : 0);
  return Currency::FromInt(whole);
}

}  // namespace vor

// WholeUnits: the quantity of a proposal row that a supplier can accept.
// The proposal divides the base quantity by the packing factor and keeps
// the decimals ("0,46 CX"); a supplier takes whole purchase units. Where
// the quantity is converted into the purchase unit (Units::Converted) and
// the packing factor FactEmb is above 0, the purchase quantity QtdUC is
// rounded up to a whole number of purchase units, unless the purchase unit
// is one of the fractional units ([Encomendas] UnidadesFracionarias,
// compared as the database compares codes: "kg" is "KG"), which keep their
// decimals. From the whole purchase quantity follow:
//   base quantity  = whole QtdUC x FactEmb (exact, four places)
//   stock after    = StkApos + (whole base quantity - QtdUB)
//   cover (days)   = StockCover::Days(stock after, StkMinimo, Dias), the
//                    calculator's own rule (0 when it cannot be computed)
// The proposal's own figures are never changed: these are shown beside
// them.
//
//   const WholeUnits units(settings.encomendas.unidades_fracionarias);
//   const WholeQuantity w = units.Of(row);   // "1 CX" beside "0,46 CX"
#ifndef VOR_PROPOSAL_WHOLE_UNITS_H_
#define VOR_PROPOSAL_WHOLE_UNITS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_table.h"

namespace vor {

// A row's order in the quantities a supplier accepts.
struct WholeQuantity {
  Currency purchase;     // in the purchase unit (UnCmp)
  Currency base;         // in the base unit (UnBase)
  Currency stock_after;  // the stock after the order, base unit
  Currency cover;        // its days of cover; 0 when they cannot be computed
  // Whether the purchase quantity goes in whole units (WholeUnits::Rounds).
  bool whole = false;
  bool operator==(const WholeQuantity&) const = default;
};

class WholeUnits {
 public:
  // The default fractional units, KG;L;M;M2;M3.
  WholeUnits();
  // `fractional`: the purchase units that keep their decimals.
  explicit WholeUnits(const std::vector<std::string>& fractional);

  // Whether `unit` is one of the fractional units (letter case ignored).
  bool Fractional(std::string_view unit) const;
  // Whether the row's purchase quantity goes in whole purchase units: the
  // quantity is converted, FactEmb is above 0 and UnCmp is not fractional.
  bool Rounds(const ProposalRow& row) const;

  // The row's order as a supplier accepts it: for a row to order (QtdUB
  // above 0) that Rounds, QtdUC rounded up to whole units and the figures
  // that follow (see the top of this file); for any other row the
  // proposal's own QtdUC, QtdUB, StkApos and Tempo (nulls as 0). Raises
  // Error 6 when a figure leaves the fixed-point range.
  WholeQuantity Of(const ProposalRow& row) const;
  // The figures of ordering `purchase` (purchase unit) of the row instead,
  // as a buyer may choose: the base quantity through FactEmb where the
  // quantity is converted (rounded to four places), `purchase` itself where
  // it is not; the stock after and the cover as above. nullopt when the
  // quantity is converted but FactEmb is 0 or none (no base quantity
  // follows). Raises Error 6 as Of.
  std::optional<WholeQuantity> At(const ProposalRow& row,
                                  Currency purchase) const;

  // `quantity` rounded up to a whole number (0,46 -> 1; 2 -> 2; -0,5 -> 0).
  static Currency RoundUp(Currency quantity);

 private:
  std::vector<std::string> fractional_;  // CodeKey of each unit
};

}  // namespace vor

#endif  // VOR_PROPOSAL_WHOLE_UNITS_H_

// SupplierBaskets: the proposal's rows to order gathered per supplier as
// baskets a supplier will take, and each basket held against that
// supplier's terms (SupplierTerms).
//
// A basket's lines are the supplier's rows to order (QtdUB above 0), by
// article code, each in whole purchase units (WholeUnits); its value is
// the sum of the lines' values, each worked out and rounded to cents once
// by the report's rule (ReportDigest::ValueOf); lines without a price are
// counted apart. Against the terms: below the minimum order value
// ("abaixo do mínimo: faltam X €"), below the free-freight threshold
// ("faltam Y € para portes grátis"), or freight free.
//
// A short basket aims at the minimum while below it, else at the
// free-freight threshold; suggestions say how to reach it from the
// supplier's own articles, most useful first, each raising the value by
// whole purchase units until the target is reached:
//   1. the lines of the basket, lowest cover after the order first, each
//      raised as far as needed but never past a cover of the maximum
//      ([Motor] CoberturaMaxima; 0: no limit);
//   2. then the supplier's articles not to order, those whose net stock at
//      lead time (StkPrazo - Cli) is nearest their minimum stock first
//      (relative to it), from their minimum order quantity (QtdMinApr) in
//      whole units up, under the same limit.
// Only priced rows whose cover can be computed (StkMinimo and Dias above
// 0) are suggested. When no line of a short basket is a shortage, the
// basket also says how long it can wait: the lowest of its lines' days of
// cover before ordering less the line's lead time (Prazo), in whole days.
//
// No widgets: the report and the proposal window use the same baskets; the
// window recomputes one with the buyer's choices (a line left out, another
// quantity):
//   SupplierBaskets baskets(&table.rows(), terms, units, cover_limit);
//   for (const SupplierBasket& b : baskets.All()) ...
//   SupplierBasket b = baskets.Of(code, {{row, Currency::FromInt(4)}});
#ifndef VOR_PROPOSAL_SUPPLIER_BASKET_H_
#define VOR_PROPOSAL_SUPPLIER_BASKET_H_

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_table.h"
#include "proposal/supplier_terms.h"
#include "proposal/whole_units.h"

namespace vor {

// One line of a basket.
struct BasketLine {
  int row = -1;                   // index into the rows
  WholeQuantity whole;            // what is ordered
  std::optional<Currency> value;  // in cents; nullopt: the row has no price
};

// One way to bring a short basket nearer its target.
struct BasketSuggestion {
  int row = -1;
  bool added = false;  // an article not to order added (else a line raised)
  Currency from;       // the line's purchase quantity before (0 when added)
  Currency to;         // and after
  Currency value;      // value added, in cents
  Currency cover;      // days of cover after the order
  std::string text;    // what to do and why, one line
};

// The buyer's choices for a basket: row -> purchase quantity (0 leaves the
// row out).
using BasketChoices = std::map<int, Currency>;

struct SupplierBasket {
  std::string code;   // Fornec as the first row has it
  std::string label;  // the name, else the code
  std::vector<BasketLine> lines;
  Currency value;    // sum of the priced lines' values
  int unpriced = 0;  // lines without a price
  std::optional<SupplierTerm> terms;
  Currency short_of_minimum;       // 0 when reached or none
  Currency short_of_free_freight;  // 0 when reached or none
  // Ways to reach the target, most useful first; and what is still short
  // after all of them (0 when they reach it).
  std::vector<BasketSuggestion> suggestions;
  Currency short_after_suggestions;
  // For a short basket without shortages: the days it can wait (may be 0
  // or less) and the sentence saying so; nullopt and "" otherwise.
  std::optional<Currency> wait_days;
  std::string wait_text;
  // The name of the order file the report wrote for it; "" when none.
  std::string file_name;

  bool short_of_target() const {
    return short_of_minimum > Currency() || short_of_free_freight > Currency();
  }
  // "abaixo do mínimo: faltam 12,50 €; faltam 60,00 € para portes grátis",
  // "faltam 60,00 € para portes grátis", "portes grátis", "mínimo atingido";
  // "" without terms.
  std::string Status() const;
  // The minimum as a text ("150,00 €"), "" when none.
  std::string MinimumText() const;
};

class SupplierBaskets {
 public:
  // `rows` must outlive this object. `cover_limit`: the most days of cover
  // a suggestion may leave (0 or less: no limit).
  SupplierBaskets(const std::vector<ProposalRow>* rows, SupplierTerms terms,
                  WholeUnits units, Currency cover_limit);

  // The basket of every supplier with rows to order, largest value first
  // (then by label, then code). Raises Error 6 when a figure leaves the
  // fixed-point range.
  std::vector<SupplierBasket> All() const;
  // The basket of the supplier `code` (matched as the database compares
  // codes) with the buyer's `choices`; empty when the supplier has no row.
  SupplierBasket Of(const std::string& code,
                    const BasketChoices& choices = {}) const;

  // `baskets` by CodeKey of their supplier's code, to look them up.
  static std::unordered_map<std::string, const SupplierBasket*> ByCode(
      const std::vector<SupplierBasket>& baskets);

  const SupplierTerms& terms() const { return terms_; }
  const WholeUnits& units() const { return units_; }

 private:
  SupplierBasket Make(const std::vector<int>& rows,
                      const BasketChoices& choices) const;
  void Suggest(const std::vector<int>& rows, SupplierBasket* basket) const;

  const std::vector<ProposalRow>* rows_;
  SupplierTerms terms_;
  WholeUnits units_;
  Currency cover_limit_;
  // CodeKey of the supplier -> its rows, in row order; and the suppliers in
  // the order first met.
  std::unordered_map<std::string, std::vector<int>> by_supplier_;
  std::vector<std::string> suppliers_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SUPPLIER_BASKET_H_

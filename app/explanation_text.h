// ExplanationText: the explanation of an article as the buyer reads it in
// the proposal window ("Porquê?"): plain Portuguese, one line per
// contribution, the arithmetic written out with the article's base unit
// (its purchase unit for the converted quantity), numbers with a decimal
// comma.
#ifndef VOR_APP_EXPLANATION_TEXT_H_
#define VOR_APP_EXPLANATION_TEXT_H_

#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "engine/article_explanation.h"
#include "proposal/late_orders.h"
#include "proposal/proposal_table.h"

namespace vor {

// The lines of `why`. `stored` is the article's row of the stored proposal
// (null when it holds none). When the recomputed row differs from it in any
// field, or the article is no longer among the proposal's articles, the
// first line says, in one paragraph, that the ERP changed since the run:
// the quantity to order when that differs, then every other field that
// differs, by the label of its column in the window, both values with
// their units; `out_of_date` (when given) is then set, else cleared.
std::vector<std::string> ExplanationLines(const ArticleExplanation& why,
                                          const ProposalRow* stored,
                                          bool* out_of_date = nullptr);

// The fields other than the quantities to order in which the recomputed row
// `why.row` differs from `stored`, compared as the database compares them
// (numbers by value, texts as codes compare: ASCII letter case ignored,
// blanks kept): "Stock real (era 802 UN, agora 850 UN)" each.
std::vector<std::string> ChangedFields(const ArticleExplanation& why,
                                       const ProposalRow& stored);

// The lines of `after` that `before` does not hold, in order; a line held
// twice in `before` matches two of `after`.
std::vector<std::string> ChangedLines(const std::vector<std::string>& before,
                                      const std::vector<std::string>& after);

// The paragraph on the late supplier-order lines of `article` (one of
// `late`'s, found for `stored`, the article's row of the proposal shown):
// their quantity counted in the stock at lead time, each line with its
// document, date, quantity in the base unit, days late, the document's
// supplier where it is not the article's, and "provavelmente não vai
// chegar" past [Encomendas] AtrasoMaximo; then what the proposal would be
// without them: "Se as encomendas em atraso não chegarem: encomendar X em
// vez de Y" (purchase unit; base unit where the packing factor gives no
// purchase quantity), or that the quantity stays the same, and that a
// shortage appears where one would.
std::vector<std::string> LateOrderLines(const LateOrders& late,
                                        const LateArticle& article,
                                        const ProposalRow& stored);

}  // namespace vor

#endif  // VOR_APP_EXPLANATION_TEXT_H_

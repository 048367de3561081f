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
#include "proposal/proposal_table.h"

namespace vor {

// The lines of `why`. `stored` is the article's row of the stored proposal
// (null when it holds none). When the recomputed row differs from it in any
// field, or the article is no longer among the proposal's articles, the
// first lines say that the ERP changed since the run: the quantity to order
// when that differs, then every field that differs, with both values.
std::vector<std::string> ExplanationLines(const ArticleExplanation& why,
                                          const ProposalRow* stored);

// The fields in which the recomputed row `why.row` differs from `stored`,
// compared as the database compares them (numbers by value, texts as codes
// compare: ASCII letter case ignored, blanks kept): "StkReal (guardado 802,
// agora 850)" each.
std::vector<std::string> ChangedFields(const ArticleExplanation& why,
                                       const ProposalRow& stored);

}  // namespace vor

#endif  // VOR_APP_EXPLANATION_TEXT_H_

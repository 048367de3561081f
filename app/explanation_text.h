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

namespace vor {

// The lines of `why`. `stored_qtd_ub` is the quantity to order the stored
// proposal holds for the article (none when it holds none); when it
// differs from the recomputed one, or the article is no longer among the
// proposal's articles, a first line says that the ERP changed since the
// run.
std::vector<std::string> ExplanationLines(
    const ArticleExplanation& why, std::optional<Currency> stored_qtd_ub);

// A number with a decimal comma and no more places than it needs.
std::string DecimalText(Currency value);
std::string DecimalText(double value);

}  // namespace vor

#endif  // VOR_APP_EXPLANATION_TEXT_H_

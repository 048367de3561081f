// RowPalette: the colours of the proposal wherever it is shown: the window,
// the exported workbook and the report e-mail tint a row marked in the
// result table the same way (Cor 1, a shortage: red; CorV 1, an order
// without a shortage: amber) and give table headers the same blue-grey.
// The e-mail also gives its list of exceptions the amber. Colours are
// 0xRRGGBB.
#ifndef VOR_PROPOSAL_ROW_PALETTE_H_
#define VOR_PROPOSAL_ROW_PALETTE_H_

#include <cstdio>
#include <string>

#include "proposal/sheet.h"

namespace vor {

struct RowPalette {
  static constexpr unsigned kShortage = 0xF8D0D0;  // Cor 1
  static constexpr unsigned kOrder = 0xFFE7B0;     // CorV 1
  static constexpr unsigned kHeader = 0xDDE4EE;    // header rows
  static constexpr unsigned kPlain = 0xFFFFFF;     // unmarked, where a
                                                   // colour must be given

  // The tint of a row with `mark`; 0 (none) for RowMark::kNone.
  static constexpr unsigned Of(RowMark mark) {
    return mark == RowMark::kShortage ? kShortage
           : mark == RowMark::kOrder  ? kOrder
                                      : 0;
  }

  // "#f8d0d0": `rgb` as an HTML colour.
  static std::string Html(unsigned rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
  }
};

}  // namespace vor

#endif  // VOR_PROPOSAL_ROW_PALETTE_H_

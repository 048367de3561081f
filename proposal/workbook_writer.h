// WorkbookWriter: Sheets as the worksheets of one Excel workbook (.xlsx,
// through libxlsxwriter), in the order given. A table sheet has a bold
// header row, frozen, with an autofilter over its rows; decimal columns use
// a four-decimal number format, integer columns a whole-number one; marked
// rows are tinted (shortage red, order amber); each column gets the width
// of its SheetColumn, widened to its header.
#ifndef VOR_PROPOSAL_WORKBOOK_WRITER_H_
#define VOR_PROPOSAL_WORKBOOK_WRITER_H_

#include <string>
#include <vector>

#include "proposal/sheet.h"

namespace vor {

class WorkbookWriter {
 public:
  // Colours of the marks (0xRRGGBB), shared with the window.
  static constexpr unsigned kShortageColour = 0xF8D0D0;
  static constexpr unsigned kOrderColour = 0xFFE7B0;

  // The workbook's bytes, built in memory (nothing is written to disk).
  // Raises Error 75 naming `name` (the file it is meant for) and
  // libxlsxwriter's reason.
  static std::string Bytes(const std::vector<Sheet>& sheets,
                           const std::string& name);
  // Writes Bytes(sheets) to `path` with AtomicFile: complete or not at all.
  // Raises Error 75 naming the file and the reason.
  static void Write(const std::string& path, const std::vector<Sheet>& sheets);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_WORKBOOK_WRITER_H_

// WorkbookWriter: Sheets as the worksheets of one Excel workbook (.xlsx,
// through libxlsxwriter), in the order given. A table sheet has a bold
// header row, frozen, with an autofilter over its rows; decimal columns use
// a four-decimal number format, integer columns a whole-number one; marked
// rows are tinted with the colours of RowPalette, which the window and the
// e-mail share (shortage red, order amber); each column gets the width
// of its SheetColumn, widened to its header. An integer or an amount in a
// text column (the value column of a summary) is written as a number too.
// Rows go out in order in libxlsxwriter's constant-memory mode, but for
// a small workbook (a few thousand cells), built in memory at once.
#ifndef VOR_PROPOSAL_WORKBOOK_WRITER_H_
#define VOR_PROPOSAL_WORKBOOK_WRITER_H_

#include <string>
#include <vector>

#include "proposal/sheet.h"

namespace vor {

class WorkbookWriter {
 public:
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

// WorkbookWriter: Sheets as the worksheets of one Excel workbook (.xlsx,
// through libxlsxwriter), in the order given. A table sheet has a bold
// header row, frozen, with an autofilter over its rows; decimal columns use
// a four-decimal number format, integer columns a whole-number one; marked
// rows are tinted with the colours of RowPalette, which the window and the
// e-mail share (shortage red, order amber); each column gets the width
// of its SheetColumn, widened to its header. An integer or an amount in a
// text column (the value column of a summary) is written as a number too.
// A sheet's preamble lines go above its header, their labels bold.
// Rows go out in order in libxlsxwriter's constant-memory mode; a sheet's
// rows may come in slices (Append), so that a long list need not be held
// whole in memory. A small workbook (Bytes of a few thousand cells) is
// built in memory at once instead.
//
//   WorkbookWriter book(file_name);
//   book.Add(first_slice);
//   book.Append(next_slice);
//   book.Add(other_sheet);
//   const std::string bytes = book.Finish();
#ifndef VOR_PROPOSAL_WORKBOOK_WRITER_H_
#define VOR_PROPOSAL_WORKBOOK_WRITER_H_

#include <memory>
#include <string>
#include <vector>

#include "proposal/sheet.h"

namespace vor {

class WorkbookWriter {
 public:
  // Starts a workbook in memory (nothing is written to disk) meant for the
  // file `name`, which errors name; in constant-memory mode unless
  // `constant_memory` is false (then every cell is held until Finish,
  // without a temporary file per sheet: for a small workbook). Raises
  // Error 75 when it cannot start.
  explicit WorkbookWriter(const std::string& name, bool constant_memory = true);
  // A workbook not finished is dropped.
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Adds `sheet` after the sheets added before: its name, preamble,
  // columns, header and rows. Raises Error 75 naming the file and
  // libxlsxwriter's reason.
  void Add(const Sheet& sheet);
  // Writes the rows (and marks) of `more` after the rows of the sheet added
  // last, in its columns; the rest of `more` is not used. Raises as Add;
  // Error 75 also when no sheet was added.
  void Append(const Sheet& more);
  // The workbook's bytes; once, after the last sheet. Raises Error 75
  // naming the file and the reason.
  std::string Finish();

  // The workbook of `sheets`, in memory; one of at most a few thousand
  // cells without constant-memory mode. Raises Error 75 naming `name`
  // (the file it is meant for) and libxlsxwriter's reason.
  static std::string Bytes(const std::vector<Sheet>& sheets,
                           const std::string& name);
  // Writes Bytes(sheets) to `path` with AtomicFile: complete or not at all.
  // Raises Error 75 naming the file and the reason.
  static void Write(const std::string& path, const std::vector<Sheet>& sheets);

 private:
  struct Book;  // libxlsxwriter's workbook, its formats, the open sheet
  std::unique_ptr<Book> book_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_WORKBOOK_WRITER_H_

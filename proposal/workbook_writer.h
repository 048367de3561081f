// WorkbookWriter: Sheets as the worksheets of one Excel workbook (.xlsx),
// in the order given. A table sheet has a bold
// header row, frozen, with an autofilter over its rows; decimal columns use
// a four-decimal number format, integer columns a whole-number one; marked
// rows are tinted with the colours of RowPalette, which the window and the
// e-mail share (shortage red, order amber); each column gets the width
// of its SheetColumn, widened to its header. An integer or an amount in a
// text column (the value column of a summary) is written as a number too.
// Rows go out in order, each sheet's XML compressed as it is written
// (XlsxSheetWriter into a ZipWriter), so the workbook costs the same
// memory beside its compressed bytes at any size; a sheet's rows may come
// in slices (Append), so that a long list need not be held whole in
// memory either.
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
  // How hard the workbook is compressed: kFast for a file (zlib's level
  // 2), kSmall for one that has to fit in a message (level 5: some 17 %
  // smaller, at twice the time).
  enum class Compression { kFast, kSmall };

  // Starts a workbook in memory (nothing is written to disk) meant for the
  // file `name`, which errors name.
  explicit WorkbookWriter(const std::string& name,
                          Compression compression = Compression::kFast);
  // A workbook not finished is dropped.
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Adds `sheet` after the sheets added before: its name, columns, header
  // and rows. Raises Error 75 naming the file and the reason (a sheet
  // name Excel does not take: empty, past 31 characters, with one of
  // []:*?/\ or a control character, starting or ending with ', or one
  // already used in any letter case).
  void Add(const Sheet& sheet);
  // Writes the rows (and marks) of `more` after the rows of the sheet added
  // last, in its columns; the rest of `more` is not used. Raises as Add;
  // Error 75 also when no sheet was added.
  void Append(const Sheet& more);
  // The workbook's bytes; once, after the last sheet. Raises Error 75
  // naming the file and the reason.
  std::string Finish();

  // The workbook of `sheets`, in memory. Raises Error 75 naming `name`
  // (the file it is meant for) and the reason.
  static std::string Bytes(const std::vector<Sheet>& sheets,
                           const std::string& name,
                           Compression compression = Compression::kFast);
  // Writes Bytes(sheets) to `path` with AtomicFile: complete or not at all.
  // Raises Error 75 naming the file and the reason.
  static void Write(const std::string& path, const std::vector<Sheet>& sheets);

 private:
  struct Book;  // the zip, the sheets written, the open sheet
  std::unique_ptr<Book> book_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_WORKBOOK_WRITER_H_

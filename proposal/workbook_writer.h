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
// memory either. Entries are compressed at zlib's level 2, which on this
// XML is as fast as level 1 and some 6 % smaller. A sheet written for one
// workbook can be kept (Keep) and put into another one as it is
// (AddWritten), compressed once.
//
//   WorkbookWriter book(file_name);
//   book.Add(first_slice);
//   book.Append(next_slice);
//   book.Keep({"Resumo"});
//   book.Add(other_sheet);
//   const std::string bytes = book.Finish();
//   WorkbookWriter::WrittenSheet summary = book.Kept()[0];
#ifndef VOR_PROPOSAL_WORKBOOK_WRITER_H_
#define VOR_PROPOSAL_WORKBOOK_WRITER_H_

#include <memory>
#include <string>
#include <vector>

#include "proposal/sheet.h"
#include "proposal/zip_writer.h"

namespace vor {

class WorkbookWriter {
 public:
  // A sheet as a workbook holds it: its name, the range its filter covers
  // ("" none), whether it is the one shown when the workbook opens (the
  // first), and its XML compressed.
  struct WrittenSheet {
    std::string name;
    std::string filter;
    bool first = false;
    ZipWriter::Stored xml;
  };

  // Starts a workbook in memory (nothing is written to disk) meant for the
  // file `name`, which errors name.
  explicit WorkbookWriter(const std::string& name);
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
  // Keeps a copy of each sheet added from now on whose name is one of
  // `names`, as it is written, for Kept.
  void Keep(std::vector<std::string> names);
  // Adds `sheet`, written by another WorkbookWriter, after the sheets
  // added before, unchanged. Raises as Add; Error 75 also when `sheet`
  // was the first of its workbook and is not of this one, or the reverse.
  void AddWritten(const WrittenSheet& sheet);
  // The workbook's bytes; once, after the last sheet. Raises Error 75
  // naming the file and the reason.
  std::string Finish();
  // The sheets kept, in the order they were added, once Finish has
  // written the last; taken once.
  std::vector<WrittenSheet> Kept();

  // The workbook of `sheets`, in memory. Raises Error 75 naming `name`
  // (the file it is meant for) and the reason.
  static std::string Bytes(const std::vector<Sheet>& sheets,
                           const std::string& name);
  // Writes Bytes(sheets) to `path` with AtomicFile: complete or not at all.
  // Raises Error 75 naming the file and the reason.
  static void Write(const std::string& path, const std::vector<Sheet>& sheets);

 private:
  struct Book;  // the zip, the sheets written, the open sheet
  std::unique_ptr<Book> book_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_WORKBOOK_WRITER_H_

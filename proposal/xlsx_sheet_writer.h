// XlsxSheetWriter: one worksheet of an .xlsx workbook (SpreadsheetML),
// written row by row as a stream into an entry of a ZipWriter, so that its
// XML is never held whole: the rows go to the zip in pieces as they come,
// and the part that precedes them (the dimension, the frozen header, the
// column widths) is put in front when the sheet ends.
//
// Rows carry their number (r="2"); a cell carries its reference
// (r="C2") only after a skipped cell, elsewhere its place in the row says
// where it is, as SpreadsheetML allows. Texts are written inline
// (t="inlineStr") and numbers as numbers; a style is an index into the
// workbook's cellXfs, 0 the default. Any bytes may be given as text: they
// are shown as EscapeControlBytes shows them (valid UTF-8, control
// characters visible), made safe for XML (&, <, > escaped; U+FFFE and
// U+FFFF, which XML does not allow, as U+FFFD) and cut to Excel's limit of
// 32 767 characters (UTF-16 units), the last one then "…".
//
//   XlsxSheetWriter sheet(&zip, "xl/worksheets/sheet1.xml", layout);
//   sheet.NextRow();
//   sheet.Text(0, "Artigo", kHeaderStyle);
//   sheet.NextRow();
//   sheet.Number(1, 12.5, kQuantityStyle);
//   sheet.Finish(2);  // filter over A1:B2
#ifndef VOR_PROPOSAL_XLSX_SHEET_WRITER_H_
#define VOR_PROPOSAL_XLSX_SHEET_WRITER_H_

#include <string>
#include <string_view>
#include <vector>

#include "proposal/zip_writer.h"

namespace vor {

class XlsxSheetWriter {
 public:
  static constexpr int kMaxRows = 1048576;   // Excel's rows per sheet
  static constexpr int kMaxColumns = 16384;  // and columns
  static constexpr size_t kMaxTextUnits = 32767;

  struct Layout {
    // The width of each column from the first, in characters of the
    // default font; a column past the list keeps Excel's width.
    std::vector<double> widths;
    // The rows kept in view at the top (a table's header and whatever is
    // above it); 0 for none.
    int frozen_rows = 0;
    bool selected = false;  // the sheet shown when the workbook opens
  };

  // Begins the entry `path` of `zip` (which must outlive the writer, and
  // take no other entry until Finish). Raises as ZipWriter::Begin.
  XlsxSheetWriter(ZipWriter* zip, const std::string& path,
                  const Layout& layout);
  XlsxSheetWriter(const XlsxSheetWriter&) = delete;
  XlsxSheetWriter& operator=(const XlsxSheetWriter&) = delete;

  // Moves to the next row: row 1 at the first call. Raises Error 75
  // naming the zip's file past kMaxRows rows.
  void NextRow();
  // Writes a cell of the current row at `column` (0 for A), which must be
  // past the cell written before in the row; `style` 0 for the default.
  // Raises Error 75 before the first NextRow or past kMaxColumns columns.
  // `value` must be finite.
  void Number(int column, double value, int style);
  void Text(int column, std::string_view text, int style);
  void Blank(int column, int style);

  // Ends the sheet and its entry; with `filter_columns` > 0, an
  // autofilter over that many columns of the rows from `filter_row` (the
  // header's, 1 for the first) to the last one moved to. Once. Raises as
  // ZipWriter::End.
  void Finish(int filter_columns, int filter_row = 1);

  // The rows moved to so far.
  int rows() const { return row_; }
  // "A1:R5": the range of `columns` columns from A and the rows from
  // `first_row` (1 for the first) to `last_row`.
  static std::string Range(int columns, int last_row, int first_row = 1);
  // "R": the letters of column `column` (0 for A).
  static std::string ColumnName(int column);

 private:
  // Starts the cell at `column` of the current row: "<c" with its
  // reference when a cell was skipped before it, and its
  // style, without closing the tag.
  void OpenCell(int column, int style);
  void Flush();

  ZipWriter* zip_;
  Layout layout_;
  std::string xml_;  // rows not yet handed to the zip
  int row_ = 0;
  std::string row_text_;  // row_ in decimal
  bool row_open_ = false;
  int last_column_ = -1;  // of the current row
  std::vector<std::string> column_names_;
  // The cells written span these (0-based; max_row_ -1 while none).
  int max_row_ = -1;
  int max_column_ = -1;
  int min_row_ = kMaxRows;
  int min_column_ = kMaxColumns;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_XLSX_SHEET_WRITER_H_

// CsvWriter: a Sheet as a CSV file: UTF-8 without byte-order mark, fields
// separated by commas, lines ended by CR LF, a header line first, numbers
// with a point as decimal separator and no trailing zeros, a field holding
// a comma, a quote, CR or LF enclosed in quotes with its quotes doubled
// (RFC 4180). Null values give empty fields. A text field that begins with
// =, +, -, @, a tab or a CR (a formula to a spreadsheet) gets an apostrophe
// in front, so it is read as text; numbers, and texts that are plain
// numbers ("-12.5"), are written as they are. That is the form for
// programs; CsvForm::Spreadsheet() gives the form a spreadsheet set to
// Portuguese opens as columns: semicolons, decimal commas (in numbers only,
// never in a text that looks like one) and a UTF-8 byte-order mark.
#ifndef VOR_PROPOSAL_CSV_WRITER_H_
#define VOR_PROPOSAL_CSV_WRITER_H_

#include <string>

#include "proposal/sheet.h"

namespace vor {

// The separators of a CSV file and its byte-order mark.
struct CsvForm {
  char separator = ',';
  char decimal_point = '.';
  bool byte_order_mark = false;

  // ';', ',' and the mark: what a Portuguese spreadsheet reads.
  static CsvForm Spreadsheet() { return {';', ',', true}; }
};

class CsvWriter {
 public:
  // The whole file's text, in `form` (default: the form for programs).
  static std::string Text(const Sheet& sheet, const CsvForm& form = {});
  // Writes Text(sheet, form) to `path` with AtomicFile, so a failed export
  // leaves no half-written file. Raises Error 75 naming the file and the
  // reason.
  static void Write(const std::string& path, const Sheet& sheet,
                    const CsvForm& form = {});
};

}  // namespace vor

#endif  // VOR_PROPOSAL_CSV_WRITER_H_

// CsvWriter: a Sheet as a CSV file: UTF-8 without byte-order mark, fields
// separated by commas, lines ended by CR LF, a header line first, numbers
// with a point as decimal separator and no trailing zeros, a field holding
// a comma, a quote, CR or LF enclosed in quotes with its quotes doubled
// (RFC 4180). Null values give empty fields. A text field that begins with
// =, +, -, @, a tab or a CR (a formula to a spreadsheet) gets an apostrophe
// in front, so it is read as text; numbers, and texts that are plain
// numbers ("-12.5"), are written as they are.
#ifndef VOR_PROPOSAL_CSV_WRITER_H_
#define VOR_PROPOSAL_CSV_WRITER_H_

#include <string>

#include "proposal/sheet.h"

namespace vor {

class CsvWriter {
 public:
  // The whole file's text.
  static std::string Text(const Sheet& sheet);
  // Writes Text(sheet) to `path` with AtomicFile, so a failed export leaves
  // no half-written file. Raises Error 75 naming the file and the reason.
  static void Write(const std::string& path, const Sheet& sheet);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_CSV_WRITER_H_

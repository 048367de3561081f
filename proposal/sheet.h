// Sheet: one table of an exported file, independent of where it came from:
// a name, typed columns and rows of values, each row with an optional
// colour mark. The proposal, its summary and any further list (for example
// exceptions with a reason per row) become Sheets, which WorkbookWriter
// writes as the sheets of one .xlsx and CsvWriter as a CSV file.
#ifndef VOR_PROPOSAL_SHEET_H_
#define VOR_PROPOSAL_SHEET_H_

#include <string>
#include <vector>

#include "core/value.h"

namespace vor {

enum class SheetColumnKind {
  kText,     // values written as text
  kDecimal,  // quantities: whole ones without decimals, the others with
             // the decimals they need (up to four)
  kInteger,  // whole numbers (days, counts), shown without decimals
  kMoney,    // amounts, two decimals
  kPrice,    // prices: the decimals they have, two to four
  kDays,     // days of cover: whole ones without decimals, the others with
             // one
};

struct SheetColumn {
  std::string header;
  SheetColumnKind kind = SheetColumnKind::kText;
  int width_chars = 12;  // column width in a workbook, in characters
};

// The colour of a row in a workbook.
enum class RowMark { kNone, kShortage, kOrder };

struct Sheet {
  std::string name;  // at most 31 characters, none of []:*?/\ (Excel's rule)
  std::vector<SheetColumn> columns;
  // Each row has one value per column: null (an empty cell), a Currency or
  // an integer for number columns, anything with a text form otherwise.
  std::vector<std::vector<Value>> rows;
  // Empty, or one mark per row.
  std::vector<RowMark> marks;
  // A header row frozen and with an autofilter (a list); off for a sheet of
  // label/value lines such as a summary.
  bool table = true;
  // Lines written above the header row, as texts, and a blank line after
  // them (who and what the sheet is for); none by default.
  std::vector<std::vector<std::string>> preamble;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_SHEET_H_

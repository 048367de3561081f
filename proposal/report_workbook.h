// ReportWorkbook: the sheets of the morning report's workbook, built once
// and used both for the file dropped in [Relatorio] Pasta and for the
// e-mail's attachment:
//   - "Proposta": every row, the window's default columns with the
//     supplier's code and the lead time, numbers formatted per column;
//   - "Resumo": the run, its figures and the settings that shaped it, in
//     the words of the report;
//   - "Exceções": the rows to check, with their reasons;
//   - "Alterações": the changes since the earlier proposal of the history;
//   - "Por fornecedor": one block per supplier with something to order (its
//     rows, value and lead time), ready to send to that supplier.
//   - "Em atraso", when some open supplier orders are late
//     (LateOrderReport): one block per supplier, ready to send as a
//     reminder.
//
// When the full workbook is too large to mail, the compact one holds what
// the buyer acts on: "A encomendar" (the rows to order and the shortages,
// in the digest's urgency order) instead of "Proposta", with the summary
// saying where the full one is; the late orders stay in the full one.
//
//   const std::string bytes = WorkbookWriter::Bytes(
//       ReportWorkbook::Sheets(digest, settings_lines), file_name);
// or, the rows of "Proposta" a slice at a time:
//   WorkbookWriter book(file_name);
//   ReportWorkbook::Write(digest, settings_lines, &book);
//   const std::string bytes = book.Finish();
#ifndef VOR_PROPOSAL_REPORT_WORKBOOK_H_
#define VOR_PROPOSAL_REPORT_WORKBOOK_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "proposal/proposal_columns.h"
#include "proposal/report_digest.h"
#include "proposal/sheet.h"
#include "proposal/workbook_writer.h"

namespace vor {

class ReportWorkbook {
 public:
  // The columns of the "Proposta" sheet.
  static std::vector<ProposalColumn> Columns();

  // The sheets above for `in`. `settings` are (label, value) lines of
  // the settings that shaped the run, for "Resumo".
  static std::vector<Sheet> Sheets(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings);

  // Writes Sheets(in, settings) into `book`, the rows of "Proposta" a
  // slice at a time so that they are never all held as cells at once.
  // `between` runs after each slice; it may raise to stop the writing.
  // Raises as WorkbookWriter.
  static void Write(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings,
      WorkbookWriter* book, const std::function<void()>& between = {});

  // The sheet of the compact workbook that continues "Mais urgentes".
  static constexpr const char* kUrgentSheet = "A encomendar";
  // That sheet: the rows to order and the shortages, in urgency order.
  static Sheet UrgentSheet(const DigestInput& in);
  // The names of the sheets the compact workbook has as the full one has
  // them: "Exceções", "Alterações" and "Por fornecedor".
  static std::vector<std::string> SharedSheets();
  // Writes the compact workbook into `book`: "A encomendar", "Resumo"
  // (with `full_where`, a line saying where the full workbook is),
  // "Exceções", "Alterações" and "Por fornecedor". A sheet other than
  // "Resumo" found by name among `written` (written for the full workbook,
  // or ahead) is put in as it was written. Raises as WorkbookWriter.
  static void WriteCompact(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings,
      const std::string& full_where,
      const std::vector<WorkbookWriter::WrittenSheet>& written,
      WorkbookWriter* book);

  // The sheets of Sheets after "Proposta".
  static std::vector<Sheet> SheetsAfterProposal(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings);
  // Builds the same sheets one at a time, each handed to `take` before the
  // next is built, so that their cells are not all held at once.
  static void EachSheetAfterProposal(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings,
      const std::function<void(Sheet)>& take);
  static Sheet SummarySheet(
      const DigestInput& in,
      const std::vector<std::pair<std::string, std::string>>& settings);
  static Sheet ChangesSheet(const DigestInput& in);
  static Sheet SuppliersSheet(const DigestInput& in);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_REPORT_WORKBOOK_H_

// ProposalExport: the proposal as files. The rows of a ProposalView (those
// shown, in the order shown) become a Sheet with the given columns, a
// quantity column followed by its unit in a column of its own ("Unidade de
// compra", "Unidade base"); its summary
// becomes a second Sheet, the rows among them a buyer should check, with
// their reasons, a third. Export writes a workbook (.xlsx: the proposal, the
// summary, the exceptions) or a CSV file (the proposal alone), chosen by the
// file's extension.
//
// An unattended report, every row in default order:
//   ProposalView view(ProposalTable::Read(connection));
//   ProposalExport::Export(path, view, DefaultProposalColumns());
#ifndef VOR_PROPOSAL_PROPOSAL_EXPORT_H_
#define VOR_PROPOSAL_PROPOSAL_EXPORT_H_

#include <string>
#include <vector>

#include "proposal/csv_writer.h"
#include "proposal/proposal_columns.h"
#include "proposal/proposal_view.h"
#include "proposal/sheet.h"

namespace vor {

class ProposalExport {
 public:
  // Sheet "Proposta": one row per shown row, marked as shortage (Cor 1) or
  // order (CorV 1). Where the view's late supplier orders were read, the
  // columns "Em atraso" (the late quantity, blank where none) and its
  // "Unidade base" follow the given columns. With "only changed" on, the
  // column "Alterações" (ChangeText) ends each row.
  static Sheet ProposalSheet(const ProposalView& view,
                             const std::vector<ProposalColumn>& columns);
  // The same with `rows` (indexes into the view's table), in that order.
  static Sheet ProposalSheet(const ProposalView& view,
                             const std::vector<int>& rows,
                             const std::vector<ProposalColumn>& columns);
  // Sheet "Resumo": the figures of the rows shown and of the whole
  // proposal (the rows with late supplier orders too, where they were
  // read), the filters in force (which rows, the search text, the
  // suppliers) and what the colours mean.
  static Sheet SummarySheet(const ProposalView& view);

  // Sheet "Exceções": the shown rows with a reason to check (view.reason),
  // in the order shown: article, supplier, the key figures and "Motivo".
  static Sheet ExceptionsSheet(const ProposalView& view);

  // Writes `path`: CSV in `csv_form` when it ends in ".csv" (any case),
  // else a workbook with the proposal, the summary and the exceptions.
  // Raises Error 75 naming the file when it cannot be written; nothing is
  // left half-written.
  static void Export(const std::string& path, const ProposalView& view,
                     const std::vector<ProposalColumn>& columns,
                     const CsvForm& csv_form = {});

  // `rows` (indexes into the view's table) with `columns`, each quantity
  // followed by its unit, and the reason last when `with_reason`.
  static Sheet RowsSheet(const ProposalView& view, const std::vector<int>& rows,
                         const std::vector<ProposalColumn>& columns,
                         bool with_reason);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_EXPORT_H_

#include "proposal/proposal_export.h"

#include <algorithm>
#include <cctype>

#include "core/figure_text.h"
#include "proposal/csv_writer.h"
#include "proposal/workbook_writer.h"

namespace vor {
namespace {

bool EndsWithCsv(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".csv";
}

std::vector<Value> Figures(const std::string& label, int shown, int total) {
  return {Value(label), Value(shown), Value(total)};
}

// "F1, F2"; "Todos" when no supplier is chosen.
std::string Joined(const std::vector<std::string>& codes) {
  if (codes.empty()) return "Todos";
  std::string text;
  for (const std::string& code : codes) {
    text += (text.empty() ? "" : ", ") + code;
  }
  return text;
}

// The filters on, as the window names them: "Só a encomendar + Só
// alterações"; "Todos os artigos" when none.
std::string FilterText(const ProposalView& view) {
  std::string text;
  auto add = [&](bool on, const char* name) {
    if (on) text += (text.empty() ? "" : " + ") + std::string(name);
  };
  add(view.only_to_order(), "Só a encomendar");
  add(view.only_exceptions(), "Só exceções");
  add(view.only_changed(), "Só alterações");
  if (view.only_changed() && view.previous()) {
    text += " (desde a proposta de " +
            FigureText::DateTime(view.previous()->time) + ")";
  }
  add(view.only_late(), "Só com encomendas em atraso");
  return text.empty() ? "Todos os artigos" : text;
}

}  // namespace

Sheet ProposalExport::ProposalSheet(
    const ProposalView& view, const std::vector<ProposalColumn>& columns) {
  return ProposalSheet(view, view.shown(), columns);
}

Sheet ProposalExport::ProposalSheet(
    const ProposalView& view, const std::vector<int>& rows,
    const std::vector<ProposalColumn>& columns) {
  Sheet sheet = RowsSheet(view, rows, columns, false);
  sheet.name = "Proposta";
  // The late quantity, as the window's column shows it, where the late
  // lines were read; blank for a row without.
  if (view.late_known()) {
    sheet.columns.push_back({"Em atraso", SheetColumnKind::kDecimal, 10});
    sheet.columns.push_back({"Unidade base", SheetColumnKind::kText, 7});
    for (size_t i = 0; i < rows.size(); ++i) {
      const LateArticle* late = view.late_of(rows[i]);
      sheet.rows[i].push_back(late ? Value(late->late_quantity) : Value());
      sheet.rows[i].emplace_back(
          late ? view.row(rows[i]).Text(ResultField::kUnBase) : std::string());
    }
  }
  // Rows chosen for their changes carry them: what changed is why they
  // are in the file.
  if (view.only_changed()) {
    sheet.columns.push_back({"Alterações", SheetColumnKind::kText, 40});
    for (size_t i = 0; i < rows.size(); ++i) {
      sheet.rows[i].emplace_back(view.ChangeText(rows[i]));
    }
  }
  return sheet;
}

Sheet ProposalExport::ExceptionsSheet(const ProposalView& view) {
  std::vector<int> rows;
  for (int index : view.shown()) {
    if (!view.reason(index).empty()) rows.push_back(index);
  }
  using C = ProposalColumn;
  Sheet sheet = RowsSheet(
      view, rows,
      {C::kArtigo, C::kNome, C::kCodFornecedor, C::kFornecedor, C::kStockReal,
       C::kEncFornecedor, C::kProcura, C::kEmUnidadeBase, C::kAEncomendar,
       C::kPreco, C::kDias, C::kDiasCobertura},
      true);
  sheet.name = "Exceções";
  return sheet;
}

Sheet ProposalExport::RowsSheet(const ProposalView& view,
                                const std::vector<int>& rows,
                                const std::vector<ProposalColumn>& columns,
                                bool with_reason) {
  Sheet sheet;
  for (ProposalColumn c : columns) {
    const ProposalColumnInfo& info = ColumnInfoOf(c);
    sheet.columns.push_back({info.header, SheetKindOf(c), info.width_chars});
    // Each unit column says whose unit it holds.
    if (info.has_unit) {
      sheet.columns.push_back({c == ProposalColumn::kAEncomendar
                                   ? "Unidade de compra"
                                   : "Unidade base",
                               SheetColumnKind::kText, 7});
    }
  }
  if (with_reason)
    sheet.columns.push_back({"Motivo", SheetColumnKind::kText, 60});
  sheet.rows.reserve(rows.size());
  for (int index : rows) {
    const ProposalRow& row = view.row(index);
    std::vector<Value> values;
    values.reserve(sheet.columns.size());
    for (ProposalColumn c : columns) {
      // Days of cover that cannot be computed are left blank rather than
      // shown as 0; the summary says why.
      const bool unknown_cover =
          c == ProposalColumn::kDiasCobertura && !row.CoverKnown();
      values.push_back(unknown_cover ? Value() : ColumnValue(row, c));
      if (ColumnInfoOf(c).has_unit) values.push_back(ColumnUnitValue(row, c));
    }
    if (with_reason) values.emplace_back(view.reason(index));
    sheet.rows.push_back(std::move(values));
    sheet.marks.push_back(row.Shortage()               ? RowMark::kShortage
                          : row.OrderWithoutShortage() ? RowMark::kOrder
                                                       : RowMark::kNone);
  }
  return sheet;
}

Sheet ProposalExport::SummarySheet(const ProposalView& view) {
  const ProposalSummary shown = view.ShownSummary();
  const ProposalSummary total = view.TotalSummary();
  Sheet sheet;
  sheet.name = "Resumo";
  sheet.table = false;
  sheet.columns = {{"", SheetColumnKind::kText, 40},
                   {"Mostrados", SheetColumnKind::kInteger, 12},
                   {"Total", SheetColumnKind::kInteger, 12}};
  sheet.rows = {
      Figures("Artigos na proposta", shown.articles, total.articles),
      Figures("Artigos a encomendar", shown.to_order, total.to_order),
      Figures("Ruturas (procura acima do stock no prazo)", shown.shortages,
              total.shortages),
      Figures("Fornecedores com artigos a encomendar", shown.suppliers,
              total.suppliers),
      Figures("Exceções (folha Exceções)", shown.exceptions, total.exceptions),
  };
  if (view.late_known()) {
    sheet.rows.push_back(Figures("Com encomendas a fornecedor em atraso",
                                 shown.late, total.late));
  }
  sheet.rows.insert(
      sheet.rows.end(),
      {
          {},
          {Value("Filtro"), Value(FilterText(view))},
          {Value("Pesquisa"),
           Value(view.search().empty() ? "(nenhuma)" : view.search())},
          {Value("Fornecedores"), Value(Joined(view.supplier_codes()))},
          {Value("Dias de cobertura em branco: desconhecidos, não se calculam "
                 "(dias ou stock mínimo 0 no artigo)")},
          {Value("Vermelho: rutura, a procura excede o stock no prazo")},
          {Value("Âmbar: encomenda proposta sem rutura")},
      });
  sheet.marks.assign(sheet.rows.size(), RowMark::kNone);
  sheet.marks[2] = RowMark::kShortage;
  sheet.marks[sheet.rows.size() - 2] = RowMark::kShortage;
  sheet.marks[sheet.rows.size() - 1] = RowMark::kOrder;
  return sheet;
}

void ProposalExport::Export(const std::string& path, const ProposalView& view,
                            const std::vector<ProposalColumn>& columns,
                            const CsvForm& csv_form) {
  if (EndsWithCsv(path)) {
    CsvWriter::Write(path, ProposalSheet(view, columns), csv_form);
    return;
  }
  WorkbookWriter::Write(path, {ProposalSheet(view, columns), SummarySheet(view),
                               ExceptionsSheet(view)});
}

}  // namespace vor

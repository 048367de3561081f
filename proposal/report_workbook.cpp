#include "proposal/report_workbook.h"

#include <algorithm>
#include <unordered_map>

#include "core/figure_text.h"
#include "core/text_util.h"
#include "proposal/late_order_report.h"
#include "proposal/proposal_export.h"

namespace vor {
namespace {

using F = ResultField;
using K = SheetColumnKind;

RowMark MarkOf(const ProposalRow& row) {
  return row.Shortage()               ? RowMark::kShortage
         : row.OrderWithoutShortage() ? RowMark::kOrder
                                      : RowMark::kNone;
}

Value Money(const std::optional<Currency>& cents) {
  return cents ? Value(*cents) : Value();
}

Value Number(const std::optional<Currency>& value) {
  return value ? Value(*value) : Value();
}

}  // namespace

std::vector<ProposalColumn> ReportWorkbook::Columns() {
  std::vector<ProposalColumn> columns;
  for (ProposalColumn c : DefaultProposalColumns()) {
    columns.push_back(c);
    if (c == ProposalColumn::kFornecedor) {
      columns.push_back(ProposalColumn::kCodFornecedor);
    }
    if (c == ProposalColumn::kStockNoPrazo) {
      columns.push_back(ProposalColumn::kPrazo);
    }
  }
  return columns;
}

std::vector<Sheet> ReportWorkbook::Sheets(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings) {
  std::vector<Sheet> sheets = {ProposalExport::ProposalSheet(
      *in.view, ReportDigest::ListOrder(*in.view), Columns())};
  for (Sheet& sheet : SheetsAfterProposal(in, settings)) {
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

std::vector<Sheet> ReportWorkbook::SheetsAfterProposal(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings) {
  std::vector<Sheet> sheets;
  EachSheetAfterProposal(
      in, settings, [&](Sheet sheet) { sheets.push_back(std::move(sheet)); });
  return sheets;
}

void ReportWorkbook::EachSheetAfterProposal(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings,
    const std::function<void(Sheet)>& take) {
  take(SummarySheet(in, settings));
  take(ProposalExport::ExceptionsSheet(*in.view));
  take(ChangesSheet(in));
  take(SuppliersSheet(in));
  if (auto late = LateOrderReport::LateSheet(in)) take(std::move(*late));
}

void ReportWorkbook::Write(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings,
    WorkbookWriter* book, const std::function<void()>& between) {
  constexpr size_t kSlice = 1024;
  const std::vector<int> order = ReportDigest::ListOrder(*in.view);
  const std::vector<ProposalColumn> columns = Columns();
  for (size_t from = 0; from == 0 || from < order.size(); from += kSlice) {
    const std::vector<int> slice(
        order.begin() + static_cast<std::ptrdiff_t>(from),
        order.begin() +
            static_cast<std::ptrdiff_t>(std::min(order.size(), from + kSlice)));
    const Sheet rows = ProposalExport::ProposalSheet(*in.view, slice, columns);
    if (from == 0) {
      book->Add(rows);
    } else {
      book->Append(rows);
    }
    if (between) between();
  }
  // One sheet's cells at a time.
  EachSheetAfterProposal(in, settings,
                         [&](const Sheet& sheet) { book->Add(sheet); });
}

Sheet ReportWorkbook::UrgentSheet(const DigestInput& in) {
  Sheet urgent = ProposalExport::RowsSheet(
      *in.view, ReportDigest::UrgencyOrder(*in.view), Columns(), false);
  urgent.name = kUrgentSheet;
  return urgent;
}

std::vector<std::string> ReportWorkbook::SharedSheets() {
  return {"Exceções", "Alterações", "Por fornecedor"};
}

void ReportWorkbook::WriteCompact(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings,
    const std::string& full_where,
    const std::vector<WorkbookWriter::WrittenSheet>& written,
    WorkbookWriter* book) {
  // Each sheet built only when it was not written before.
  const auto add = [&](const std::string& name,
                       const std::function<Sheet()>& build) {
    for (const WorkbookWriter::WrittenSheet& sheet : written) {
      if (sheet.name == name) {
        book->AddWritten(sheet);
        return;
      }
    }
    book->Add(build());
  };
  add(kUrgentSheet, [&] { return UrgentSheet(in); });
  Sheet summary = SummarySheet(in, settings);
  // Said under the title.
  summary.rows.insert(summary.rows.begin() + 1,
                      {Value("Anexo reduzido: a encomendar, ruturas, "
                             "exceções, alterações e por fornecedor"),
                       Value(full_where)});
  summary.marks.insert(summary.marks.begin() + 1, RowMark::kNone);
  book->Add(summary);
  const std::vector<std::string> shared = SharedSheets();
  add(shared[0], [&] { return ProposalExport::ExceptionsSheet(*in.view); });
  add(shared[1], [&] { return ChangesSheet(in); });
  add(shared[2], [&] { return SuppliersSheet(in); });
}

Sheet ReportWorkbook::SummarySheet(
    const DigestInput& in,
    const std::vector<std::pair<std::string, std::string>>& settings) {
  const ProposalView& view = *in.view;
  const ProposalSummary s = view.TotalSummary();
  const OrderTotal total = ReportDigest::Total(view);
  Sheet sheet;
  sheet.name = "Resumo";
  sheet.table = false;
  sheet.columns = {{"", K::kText, 44}, {"", K::kText, 30}};
  auto line = [&](const std::string& label, Value v,
                  RowMark mark = RowMark::kNone) {
    sheet.rows.push_back({Value(label), std::move(v)});
    sheet.marks.push_back(mark);
  };
  line(in.title, Value(""));
  line("Proposta calculada em", Value(FigureText::DateTime(in.started)));
  line("Comparada com a proposta de",
       Value(in.before ? FigureText::DateTime(*in.before)
                       : std::string("(sem proposta anterior no histórico)")));
  line("", Value(""));
  line("Artigos na proposta", Value(s.articles));
  line("Artigos a encomendar", Value(s.to_order));
  line("Artigos em rutura (procura acima do stock no prazo)",
       Value(s.shortages), RowMark::kShortage);
  line("Exceções a verificar (folha Exceções)", Value(s.exceptions));
  line("Fornecedores a quem encomendar (folha Por fornecedor)",
       Value(s.suppliers));
  line("Valor das encomendas", Value(total.value));
  if (total.unpriced != 0) {
    line("Valor não incluído",
         Value(ReportDigest::UnpricedNote(total.unpriced) +
               ": valor em branco na folha Por fornecedor"));
  }
  line("Alterações desde a proposta anterior (folha Alterações)",
       Value(static_cast<int64_t>(in.changes.all().size())));
  const std::string late = LateOrderReport::SummaryLine(in);
  if (!late.empty()) {
    line("Encomendas a fornecedores em atraso (folha Em atraso)", Value(late));
  }
  line("", Value(""));
  line("Definições desta emissão", Value(""));
  for (const auto& [label, text] : settings) line(label, Value(text));
  line("", Value(""));
  line("Vermelho: rutura, a procura excede o stock no prazo", Value(""),
       RowMark::kShortage);
  line("Âmbar: encomenda proposta sem rutura", Value(""), RowMark::kOrder);
  line(
      "Dias de cobertura em branco: desconhecidos, não se calculam (dias "
      "ou stock mínimo 0 no artigo)",
      Value(""));
  line("Valor: quantidade a encomendar × preço × (1 − desconto %)", Value(""));
  return sheet;
}

Sheet ReportWorkbook::ChangesSheet(const DigestInput& in) {
  Sheet sheet;
  sheet.name = "Alterações";
  sheet.columns = {{"Alteração", K::kText, 34},
                   {"Artigo", K::kText, 12},
                   {"Nome", K::kText, 30},
                   {"A encomendar antes", K::kDecimal, 12},
                   {"A encomendar agora", K::kDecimal, 12},
                   {"Unidade", K::kText, 7},
                   {"Motivo", K::kText, 50}};
  const std::vector<ProposalRow>& rows = in.view->table().rows();
  for (const ProposalChange& c : in.changes.all()) {
    const ProposalRow* row = c.row < 0 ? nullptr : &rows[c.row];
    sheet.rows.push_back(
        {Value(ProposalChanges::Title(c.kind)), Value(c.article),
         Value(row ? c.name
                   : c.name + (c.name.empty() ? "" : " ") +
                         "(saiu da proposta)"),
         Number(c.before), Number(c.now), Value(c.unit), Value(c.reason)});
    sheet.marks.push_back(row ? MarkOf(*row) : RowMark::kNone);
  }
  return sheet;
}

Sheet ReportWorkbook::SuppliersSheet(const DigestInput& in) {
  Sheet sheet;
  sheet.name = "Por fornecedor";
  sheet.table = false;
  sheet.columns = {{"Fornecedor / artigo", K::kText, 30},
                   {"Nome", K::kText, 30},
                   {"A encomendar", K::kDecimal, 12},
                   {"Unidade", K::kText, 7},
                   {"Preço", K::kPrice, 10},
                   {"Desconto %", K::kDecimal, 9},
                   {"Valor", K::kMoney, 12},
                   {"Prazo (dias)", K::kInteger, 9}};
  std::unordered_map<std::string, const SupplierBasket*> baskets;
  if (in.baskets != nullptr) {
    baskets = SupplierBaskets::ByCode(*in.baskets);
    // Beside the proposal's own figures.
    sheet.columns.push_back({"Em unidades inteiras", K::kDecimal, 12});
    sheet.columns.push_back({"Valor em unidades inteiras", K::kMoney, 12});
    sheet.columns.push_back({"Condições, ficheiro e sugestões", K::kText, 60});
  }
  const std::vector<ProposalRow>& rows = in.view->table().rows();
  for (const SupplierOrders& s : ReportDigest::BySupplier(*in.view)) {
    const auto found = baskets.find(CodeKey(s.code));
    const SupplierBasket* b = found == baskets.end() ? nullptr : found->second;
    std::vector<Value> head = {
        Value(s.label + (s.label == s.code ? "" : " (" + s.code + ")")),
        Value(std::to_string(s.rows.size()) + " artigos a encomendar"),
        Value(),
        Value(),
        Value(),
        Value(),
        Money(s.value),
        Value(ReportDigest::LeadTime(s))};
    std::unordered_map<int, const BasketLine*> lines;
    if (b != nullptr) {
      std::string terms = b->Status();
      if (!b->MinimumText().empty()) {
        terms = "mínimo " + b->MinimumText() + "; " + terms;
      }
      if (!b->file_name.empty()) {
        terms += (terms.empty() ? "" : "; ") + std::string("ficheiro ") +
                 b->file_name;
      }
      head.insert(head.end(), {Value(), Value(b->value), Value(terms)});
      for (const BasketLine& l : b->lines) lines.emplace(l.row, &l);
    }
    sheet.rows.push_back(std::move(head));
    sheet.marks.push_back(RowMark::kNone);
    for (int index : s.rows) {
      const ProposalRow& r = rows[index];
      std::vector<Value> line = {r.TextValue(F::kArtigo),
                                 r.TextValue(F::kNome),
                                 Number(r.Number(F::kQtdUC)),
                                 r.TextValue(F::kUnCmp),
                                 Number(r.Number(F::kUltPrCom)),
                                 Number(r.Number(F::kDesconto)),
                                 Money(ReportDigest::OrderValue(r)),
                                 Number(r.Number(F::kPrazo))};
      if (const auto l = lines.find(index); l != lines.end()) {
        line.insert(line.end(), {Value(l->second->whole.purchase),
                                 Money(l->second->value), Value()});
      }
      sheet.rows.push_back(std::move(line));
      sheet.marks.push_back(MarkOf(r));
    }
    if (b != nullptr) {
      // What a short basket can do, apart from the order lines.
      std::vector<std::string> notes;
      if (!b->wait_text.empty()) notes.push_back(b->wait_text);
      for (const BasketSuggestion& g : b->suggestions) notes.push_back(g.text);
      if (b->short_after_suggestions > Currency() && !b->suggestions.empty()) {
        notes.push_back("Mesmo com estas sugestões faltam " +
                        FigureText::Money(b->short_after_suggestions) + " €.");
      }
      for (const std::string& note : notes) {
        std::vector<Value> row(sheet.columns.size());
        row.front() = Value("Sugestão");
        row.back() = Value(note);
        sheet.rows.push_back(std::move(row));
        sheet.marks.push_back(RowMark::kNone);
      }
    }
    sheet.rows.push_back({});
    sheet.marks.push_back(RowMark::kNone);
  }
  return sheet;
}

}  // namespace vor

#include "proposal/late_order_report.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_map>

#include "core/control_bytes.h"
#include "core/figure_text.h"
#include "core/text_util.h"
#include "proposal/row_palette.h"

namespace vor {
namespace {

using F = ResultField;
using K = SheetColumnKind;

std::string DateOf(const LateOrderLine& line) {
  return FigureText::Date(
      LocalTime(std::chrono::local_days(line.date.time_since_epoch())));
}

std::string WithUnit(Currency quantity, const std::string& unit) {
  return FigureText::Quantity(quantity) + (unit.empty() ? "" : " " + unit);
}

// "1 encomenda" / "3 encomendas".
std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A text cell; an empty one for "" (nothing written).
Value Cell(const std::string& text) {
  return text.empty() ? Value() : Value(text);
}

// The non-empty `parts`, joined by "; ".
std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& p : parts) {
    if (!p.empty()) text += (text.empty() ? "" : "; ") + p;
  }
  return text;
}

// Whether the row is not a shortage now but would be without its late
// lines.
bool ShortageDepends(const ProposalRow& row, const LateArticle& article) {
  return article.shortage && !row.Shortage();
}

// "encomendar 22 UN em vez de 12 UN" (purchase unit) when the quantity to
// order would grow without the late lines; "" otherwise.
std::string OrderInstead(const ProposalRow& row, const LateArticle& article) {
  if (article.to_order <= row.Number(F::kQtdUB).value_or(Currency())) {
    return "";
  }
  const std::string unit = row.Text(F::kUnCmp);
  return "encomendar " + WithUnit(article.to_order_purchase, unit) +
         " em vez de " +
         WithUnit(row.Number(F::kQtdUC).value_or(Currency()), unit);
}

bool HasLines(const DigestInput& in) {
  return in.late != nullptr && in.late->available() && !in.late->empty();
}

}  // namespace

std::string LateOrderReport::Document(const LateOrderLine& line) {
  return (line.doc_type.empty() ? std::string() : line.doc_type + " ") +
         std::to_string(line.number) + " (série " +
         std::to_string(line.series) + ", " + std::to_string(line.year) + ")";
}

std::optional<Currency> LateOrderReport::LineValue(const ProposalRow& row,
                                                   const LateOrderLine& line) {
  if (!line.purchase_quantity) return std::nullopt;
  // The order row this line would be: its quantity to order at the row's
  // price.
  ProposalRow order;
  order.at(F::kUltPrCom) = row.at(F::kUltPrCom);
  order.at(F::kDesconto) = row.at(F::kDesconto);
  order.at(F::kQtdUB) = Value(line.quantity);
  order.at(F::kQtdUC) = Value(*line.purchase_quantity);
  return ReportDigest::OrderValue(order);
}

std::vector<LateSupplier> LateOrderReport::BySupplier(const ProposalView& view,
                                                      const LateOrders& late) {
  const std::vector<LateOrderLine>& lines = late.lines();
  std::vector<LateSupplier> suppliers;
  std::unordered_map<std::string, size_t> index;
  for (size_t i = 0; i < lines.size(); ++i) {
    const LateOrderLine& line = lines[i];
    const auto [it, added] =
        index.emplace(CodeKey(line.supplier), suppliers.size());
    if (added) {
      LateSupplier& s = suppliers.emplace_back();
      s.code = line.supplier;
      s.label = line.supplier_name.empty() ? line.supplier : line.supplier_name;
    }
    LateSupplier& s = suppliers[it->second];
    s.lines.push_back(static_cast<int>(i));
    if (const auto value = LineValue(view.row(line.row), line)) {
      s.value += *value;
    } else {
      ++s.unpriced;
    }
  }
  for (LateSupplier& s : suppliers) {
    std::stable_sort(s.lines.begin(), s.lines.end(), [&](int a, int b) {
      const LateOrderLine& x = lines[a];
      const LateOrderLine& y = lines[b];
      return std::tie(x.date, x.doc_type, x.series, x.number, x.year) <
             std::tie(y.date, y.doc_type, y.series, y.number, y.year);
    });
    std::set<std::tuple<std::string, int64_t, int64_t, int64_t>> documents;
    for (int l : s.lines) {
      documents.emplace(CodeKey(lines[l].doc_type), lines[l].series,
                        lines[l].number, lines[l].year);
    }
    s.documents = static_cast<int>(documents.size());
  }
  std::stable_sort(suppliers.begin(), suppliers.end(),
                   [](const LateSupplier& a, const LateSupplier& b) {
                     if (a.value != b.value) return a.value > b.value;
                     return a.label < b.label;
                   });
  return suppliers;
}

std::string LateOrderReport::Consequence(const ProposalRow& row,
                                         const LateArticle& article) {
  return Joined({ShortageDepends(row, article) ? "rutura" : "",
                 OrderInstead(row, article)});
}

std::string LateOrderReport::Note(const ProposalRow& row,
                                  const LateArticle& article,
                                  const LateOrderLine& line) {
  const std::string instead = OrderInstead(row, article);
  return Joined({line.probably_dead ? "provavelmente não vai chegar" : "",
                 !ShortageDepends(row, article) ? ""
                 : article.lines.size() == 1
                     ? "rutura depende desta encomenda"
                     : "rutura depende destas encomendas",
                 instead.empty()
                     ? ""
                     : "se as encomendas em atraso não chegarem: " + instead});
}

std::string LateOrderReport::SummaryLine(const DigestInput& in) {
  if (!HasLines(in)) return "";
  size_t documents = 0;
  Currency value;
  int unpriced = 0;
  const std::vector<LateSupplier> suppliers = BySupplier(*in.view, *in.late);
  for (const LateSupplier& s : suppliers) {
    documents += s.documents;
    value += s.value;
    unpriced += s.unpriced;
  }
  std::string line = Count(documents, "encomenda", "encomendas") +
                     " em atraso, " + FigureText::Money(value) +
                     " € a reclamar a " +
                     Count(suppliers.size(), "fornecedor", "fornecedores");
  if (unpriced > 0) line += " (" + ReportDigest::UnpricedNote(unpriced) + ")";
  return line;
}

std::optional<LateSection> LateOrderReport::Section(const DigestInput& in,
                                                    const std::string& rest) {
  if (!HasLines(in)) return std::nullopt;
  const LateOrders& late = *in.late;
  const std::vector<LateSupplier> suppliers = BySupplier(*in.view, late);
  LateSection section;
  section.heading = "Encomendas em atraso (" +
                    Count(late.lines().size(), "linha", "linhas") + " de " +
                    Count(suppliers.size(), "fornecedor", "fornecedores") + ")";
  section.intro =
      "Linhas de encomendas a fornecedores ainda abertas cuja data mais o "
      "prazo de entrega do artigo já passou. Contam como stock no prazo; se "
      "não chegarem, a proposta fica curta. Mais de " +
      std::to_string(late.max_days_late()) +
      " dias de atraso ([Encomendas] AtrasoMaximo): provavelmente não vai "
      "chegar.";
  if (late.unreadable() > 0) {
    section.intro +=
        " " + Count(late.unreadable(), "linha aberta", "linhas abertas") +
        " sem data ou quantidade legível não " +
        (late.unreadable() == 1 ? "foi avaliada." : "foram avaliadas.");
  }
  section.headers = {"Documento",  "Data",
                     "Artigo",     "Nome",
                     "Quantidade", "Atraso",
                     "Valor",      "Se as encomendas em atraso não chegarem"};
  const size_t limit = static_cast<size_t>(in.settings.lines);
  size_t shown = 0;
  for (const LateSupplier& s : suppliers) {
    if (shown == limit) break;
    LateSection::Group& group = section.groups.emplace_back();
    // Headings are not table cells: the ERP's texts are shown safe here.
    group.heading =
        EscapeControlBytes(s.label +
                           (s.label == s.code ? "" : " (" + s.code + ")")) +
        ": " + Count(s.documents, "encomenda", "encomendas") + ", " +
        FigureText::Money(s.value) + " €" +
        (s.unpriced == 0 ? std::string()
                         : " (+ " + std::to_string(s.unpriced) + " sem valor)");
    for (const int l : s.lines) {
      if (shown == limit) break;
      const LateOrderLine& line = late.lines()[l];
      const ProposalRow& row = in.view->row(line.row);
      const LateArticle* article = late.OfRow(line.row);
      const std::optional<Currency> value = LineValue(row, line);
      const bool depends = article && ShortageDepends(row, *article);
      group.rows.push_back(
          {Document(line), DateOf(line), row.Text(F::kArtigo),
           row.Text(F::kNome), WithUnit(line.quantity, row.Text(F::kUnBase)),
           FigureText::DayCount(line.days_late) +
               (line.probably_dead ? " (provavelmente não vai chegar)" : ""),
           value ? FigureText::Money(*value) : "sem valor",
           article ? Consequence(row, *article) : ""});
      group.tints.push_back(depends ? RowPalette::kShortage : 0);
      ++shown;
    }
  }
  if (shown < late.lines().size()) {
    section.more = "… e mais " + std::to_string(late.lines().size() - shown) +
                   " (" + rest + ").";
  }
  return section;
}

std::optional<Sheet> LateOrderReport::LateSheet(const DigestInput& in) {
  if (!HasLines(in)) return std::nullopt;
  const LateOrders& late = *in.late;
  Sheet sheet;
  sheet.name = kSheet;
  sheet.table = false;
  sheet.columns = {{"Fornecedor / documento", K::kText, 30},
                   {"Data", K::kText, 11},
                   {"Artigo", K::kText, 12},
                   {"Nome", K::kText, 30},
                   {"Quantidade", K::kDecimal, 11},
                   {"Unidade", K::kText, 7},
                   {"Dias de atraso", K::kDays, 9},
                   {"Valor", K::kMoney, 12},
                   {"Nota", K::kText, 50}};
  auto add = [&](std::vector<Value> row, RowMark mark) {
    sheet.rows.push_back(std::move(row));
    sheet.marks.push_back(mark);
  };
  for (const LateSupplier& s : BySupplier(*in.view, late)) {
    add({Value(s.label + (s.label == s.code ? "" : " (" + s.code + ")")),
         Value(), Value(), Value(), Value(), Value(), Value(), Value(),
         Value()},
        RowMark::kNone);
    for (const int l : s.lines) {
      const LateOrderLine& line = late.lines()[l];
      const ProposalRow& row = in.view->row(line.row);
      const LateArticle* article = late.OfRow(line.row);
      const std::optional<Currency> value = LineValue(row, line);
      add({Value(Document(line)), Value(DateOf(line)),
           row.TextValue(F::kArtigo), row.TextValue(F::kNome),
           Value(line.quantity), row.TextValue(F::kUnBase),
           Value(line.days_late), value ? Value(*value) : Value(),
           Cell(article ? Note(row, *article, line) : "")},
          article && ShortageDepends(row, *article) ? RowMark::kShortage
                                                    : RowMark::kNone);
    }
    add({Value("Total " + s.label), Value(), Value(), Value(), Value(), Value(),
         Value(), Value(s.value),
         Cell(s.unpriced == 0
                  ? std::string()
                  : Count(s.unpriced, "linha sem valor", "linhas sem valor"))},
        RowMark::kNone);
    add({}, RowMark::kNone);
  }
  return sheet;
}

}  // namespace vor

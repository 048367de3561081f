#include "proposal/report_digest.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <limits>
#include <map>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/figure_text.h"
#include "core/text_util.h"
#include "proposal/late_order_report.h"
#include "proposal/mail_message.h"
#include "proposal/row_palette.h"

namespace vor {
namespace {

using F = ResultField;

// Suppliers listed in the body; the rest are counted.
constexpr size_t kBodySuppliers = 40;
// Suggestions listed in the body per basket; the rest are in the workbook.
constexpr size_t kBodySuggestions = 10;
// Characters of a cell of the plain-text tables.
constexpr size_t kTextCell = 48;

// The raw (scaled) value of a decimal field; 0 for null.
int64_t Raw0(const ProposalRow& row, F field) {
  const std::optional<Currency> v = row.Number(field);
  return v ? v->raw() : 0;
}

std::string Figure(const std::optional<Currency>& value) {
  return value ? FigureText::Quantity(*value) : "";
}

// A row's value; "sem preço" for a row to order that has none.
std::string Money(const std::optional<Currency>& value) {
  return value ? FigureText::Money(*value) : "sem preço";
}

std::string Quantity(const ProposalRow& row, F field, F unit) {
  std::string text = Figure(row.Number(field));
  if (!text.empty() && !row.Text(unit).empty()) text += " " + row.Text(unit);
  return text;
}

using Int128 = __int128;

// a / b against c / d, exactly, for b and d above 0: -1, 0 or 1. Whole parts
// first, then the remainders' fractions turned over (as Euclid's algorithm),
// so that no product leaves 128 bits.
int CompareFractions(Int128 a, Int128 b, Int128 c, Int128 d) {
  for (;;) {
    Int128 q1 = a / b, r1 = a % b;
    if (r1 < 0) --q1, r1 += b;
    Int128 q2 = c / d, r2 = c % d;
    if (r2 < 0) --q2, r2 += d;
    if (q1 != q2) return q1 < q2 ? -1 : 1;
    if (r1 == 0 || r2 == 0) return r1 == r2 ? 0 : r1 == 0 ? -1 : 1;
    // r1 / b against r2 / d is d / r2 against b / r1.
    const Int128 old_b = b, old_d = d;
    a = old_d, b = r2, c = old_b, d = r1;
  }
}

}  // namespace

namespace {

// The body as a list of blocks, rendered as text or HTML.
struct Block {
  int level = 0;  // 2, 3 or 4: a heading; 0: a paragraph; 1: a table
  std::string text;
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;
  std::vector<unsigned> tints;  // per row; 0: none
  std::string colour;           // of a heading; "" for the default
};

class Body {
 public:
  void Heading(int level, std::string text, std::string colour = "") {
    blocks_.push_back({level, std::move(text), {}, {}, {}, std::move(colour)});
  }
  void Paragraph(std::string text) {
    blocks_.push_back({0, std::move(text), {}, {}, {}, ""});
  }
  Block& Table(std::vector<std::string> headers) {
    blocks_.push_back({1, "", std::move(headers), {}, {}, ""});
    return blocks_.back();
  }
  const std::deque<Block>& blocks() const { return blocks_; }

 private:
  // A deque, so a table being filled stays put while blocks are added.
  std::deque<Block> blocks_;
};

// A cell on one line (a CR LF in an ERP name would split the row), cut to
// kTextCell characters.
std::string Clip(const std::string& text) {
  const std::string cell = EscapeControlBytes(text);
  if (Utf8Length(cell) <= kTextCell) return cell;
  return std::string(Utf8Prefix(cell, kTextCell - 1)) + "…";
}

std::string RenderText(const Body& body) {
  std::string t;
  for (const Block& b : body.blocks()) {
    if (b.level >= 2) {
      t += (t.empty() ? "" : "\n") + b.text + "\n";
      if (b.level <= 3) t += std::string(Utf8Length(b.text), '=') + "\n";
    } else if (b.level == 0) {
      t += b.text + "\n";
    } else {
      std::vector<size_t> width(b.headers.size(), 0);
      auto measure = [&](const std::vector<std::string>& row) {
        for (size_t i = 0; i < row.size() && i < width.size(); ++i) {
          width[i] = std::max(width[i], Utf8Length(Clip(row[i])));
        }
      };
      measure(b.headers);
      for (const auto& row : b.rows) measure(row);
      auto line = [&](const std::vector<std::string>& row) {
        std::string l = " ";
        for (size_t i = 0; i < row.size() && i < width.size(); ++i) {
          const std::string cell = Clip(row[i]);
          l += " " + cell;
          if (i + 1 < row.size()) {
            l += std::string(width[i] - Utf8Length(cell) + 1, ' ');
          }
        }
        return l + "\n";
      };
      t += line(b.headers);
      for (const auto& row : b.rows) t += line(row);
    }
  }
  return t;
}

std::string H(const std::string& text) { return MailMessage::EscapeHtml(text); }

std::string RenderHtml(const Body& body, const std::string& title) {
  std::string h =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + H(title) +
      "</title></head><body style=\"font-family:Verdana,Arial,sans-serif;"
      "font-size:13px;color:#1c1c1c\">";
  const std::string cell = "padding:3px 8px;border:1px solid #d8dde5";
  for (const Block& b : body.blocks()) {
    if (b.level >= 2) {
      const char* size = b.level == 2 ? "17" : b.level == 3 ? "15" : "13";
      const std::string tag = "h" + std::to_string(b.level);
      h += "<" + tag + " style=\"font-size:" + size + "px;margin:14px 0 4px 0" +
           (b.colour.empty() ? "" : ";color:" + b.colour) + "\">" + H(b.text) +
           "</" + tag + ">";
    } else if (b.level == 0) {
      h += "<p style=\"margin:4px 0\">" + H(b.text) + "</p>";
    } else {
      h += "<table style=\"border-collapse:collapse;font-size:13px;margin:4px "
           "0 10px 0\"><tr>";
      for (const std::string& header : b.headers) {
        h += "<th style=\"text-align:left;background:" +
             RowPalette::Html(RowPalette::kHeader) + ";" + cell + "\">" +
             H(header) + "</th>";
      }
      h += "</tr>";
      for (size_t r = 0; r < b.rows.size(); ++r) {
        const unsigned tint = r < b.tints.size() ? b.tints[r] : 0;
        h += tint == 0
                 ? "<tr>"
                 : "<tr style=\"background:" + RowPalette::Html(tint) + "\">";
        for (const std::string& value : b.rows[r]) {
          // A cell on one line, as in the text digest.
          h += "<td style=\"" + cell + "\">" + H(EscapeControlBytes(value)) +
               "</td>";
        }
        h += "</tr>";
      }
      h += "</table>";
    }
  }
  return h + "</body></html>";
}

unsigned Tint(const ProposalRow& row) {
  if (row.Shortage()) return RowPalette::kShortage;
  if (row.OrderWithoutShortage()) return RowPalette::kOrder;
  return 0;
}

std::string More(size_t shown, size_t total, const std::string& where) {
  return "… e mais " + std::to_string(total - shown) + " (" + where + ").";
}

// Where the rest of a list is: `sheet` of the attachment, or the full
// proposal the closing line names when nothing is attached.
std::string Rest(const DigestInput& in, const std::string& sheet) {
  return in.sheets_attached ? "folha «" + sheet + "» do anexo"
                            : std::string("na proposta completa, ver abaixo");
}

void Summary(const DigestInput& in, Body& body) {
  const ProposalView& view = *in.view;
  const ProposalSummary s = view.TotalSummary();
  const OrderTotal total = ReportDigest::Total(view);
  body.Heading(2, in.title);
  body.Paragraph("Proposta calculada em " + FigureText::DateTime(in.started) +
                 ".");
  for (const std::string& notice : in.notices) {
    body.Paragraph("AVISO: " + notice);
  }
  Block& t = body.Table({"Artigos na proposta", "A encomendar", "Em rutura",
                         "Exceções a verificar", "Fornecedores",
                         "Valor das encomendas"});
  t.rows.push_back({std::to_string(s.articles), std::to_string(s.to_order),
                    std::to_string(s.shortages), std::to_string(s.exceptions),
                    std::to_string(s.suppliers),
                    FigureText::Money(total.value) +
                        (total.unpriced == 0 ? "" : " (parcial)")});
  if (total.unpriced > 0) {
    body.Paragraph("Valor das encomendas parcial: " +
                   ReportDigest::UnpricedNote(total.unpriced) +
                   " (lista em «Sem preço»).");
  }
  const std::string late = LateOrderReport::SummaryLine(in);
  if (!late.empty()) {
    body.Paragraph(late + ". Lista em «Encomendas em atraso».");
  }
}

// The name of a change's article, said to have left the proposal when it
// did.
std::string LeftName(const ProposalChange& c, bool in_proposal) {
  if (in_proposal) return c.name;
  return c.name.empty() ? "(saiu da proposta)" : c.name + " (saiu da proposta)";
}

void Changes(const DigestInput& in, Body& body) {
  if (!in.before) {
    body.Heading(3, "Alterações");
    body.Paragraph(
        "O histórico não tem uma proposta anterior com que comparar esta.");
    return;
  }
  body.Heading(3, "Desde a proposta de " + FigureText::DateTime(*in.before));
  if (in.changes.empty()) {
    body.Paragraph("Nada mudou nas ruturas, nas encomendas nem nas exceções.");
    return;
  }
  Block& counts = body.Table({"Alteração", "Artigos"});
  for (int k = 0; k < kChangeKinds; ++k) {
    const auto kind = static_cast<ChangeKind>(k);
    if (in.changes.Count(kind) == 0) continue;
    counts.rows.push_back(
        {ProposalChanges::Title(kind), std::to_string(in.changes.Count(kind))});
  }
  const ProposalTable& table = in.view->table();
  const size_t limit = static_cast<size_t>(in.settings.lines);
  for (int k = 0; k < kChangeKinds; ++k) {
    const auto kind = static_cast<ChangeKind>(k);
    const std::vector<ProposalChange> list = in.changes.Of(kind);
    if (list.empty()) continue;
    body.Heading(4, ProposalChanges::Title(kind));
    const bool exception = kind == ChangeKind::kNewException;
    Block& t = body.Table(
        exception
            ? std::vector<std::string>{"Artigo", "Nome", "Motivo"}
            : std::vector<std::string>{"Artigo", "Nome", "Antes", "Agora"});
    for (size_t i = 0; i < list.size() && i < limit; ++i) {
      const ProposalChange& c = list[i];
      const ProposalRow* row = c.row < 0 ? nullptr : &table.rows()[c.row];
      const std::string& unit = c.unit;
      auto qty = [&](const std::optional<Currency>& q) {
        return q ? FigureText::Quantity(*q) + (unit.empty() ? "" : " " + unit)
                 : std::string();
      };
      if (exception) {
        t.rows.push_back({c.article, c.name, c.reason});
      } else {
        // An article new to the proposal had no quantity before.
        t.rows.push_back({c.article, LeftName(c, row != nullptr),
                          c.before ? "a encomendar " + qty(c.before) : "",
                          row && c.now ? "a encomendar " + qty(c.now) : ""});
      }
      t.tints.push_back(row ? Tint(*row) : 0);
    }
    if (list.size() > limit) {
      body.Paragraph(More(limit, list.size(), Rest(in, "Alterações")));
    }
  }
}

void Urgent(const DigestInput& in, Body& body) {
  const ProposalView& view = *in.view;
  const std::vector<int> order = ReportDigest::UrgencyOrder(view);
  const size_t limit =
      std::min(order.size(), static_cast<size_t>(in.settings.lines));
  body.Heading(3,
               "Mais urgentes" + (order.empty()
                                      ? std::string()
                                      : " (" + std::to_string(limit) + " de " +
                                            std::to_string(order.size()) + ")"),
               "#a00000");
  if (order.empty()) {
    body.Paragraph("Nada a encomendar e nenhuma rutura.");
    return;
  }
  Block& t = body.Table({"Artigo", "Nome", "Fornecedor", "Procura",
                         "Stock no prazo", "Cobertura", "A encomendar",
                         "Em unidades inteiras", "Valor"});
  for (size_t i = 0; i < limit; ++i) {
    const ProposalRow& r = view.row(order[i]);
    t.rows.push_back({r.Text(F::kArtigo), r.Text(F::kNome), r.SupplierLabel(),
                      Quantity(r, F::kCli, F::kUnBase),
                      Quantity(r, F::kStkPrazo, F::kUnBase),
                      ReportDigest::CoverText(r),
                      Quantity(r, F::kQtdUC, F::kUnCmp),
                      ReportDigest::WholeText(in.units, r),
                      Money(ReportDigest::OrderValue(r))});
    t.tints.push_back(Tint(r));
  }
  if (order.size() > limit) {
    body.Paragraph(More(limit, order.size(), Rest(in, in.urgent_sheet)));
  }
}

void LateOrdersSection(const DigestInput& in, Body& body) {
  const std::optional<LateSection> section = LateOrderReport::Section(
      in, in.late_sheet_attached || !in.sheets_attached
              ? Rest(in, LateOrderReport::kSheet)
              : "folha «" + std::string(LateOrderReport::kSheet) +
                    "» da proposta completa, ver abaixo");
  if (!section) return;
  body.Heading(3, section->heading);
  body.Paragraph(section->intro);
  for (const LateSection::Group& group : section->groups) {
    body.Heading(4, group.heading);
    Block& t = body.Table(section->headers);
    t.rows = group.rows;
    t.tints = group.tints;
  }
  if (!section->more.empty()) body.Paragraph(section->more);
}

std::string SupplierValue(Currency value, int unpriced) {
  return FigureText::Money(value) +
         (unpriced == 0 ? std::string()
                        : " (+ " + std::to_string(unpriced) + " sem preço)");
}

// The suppliers with their baskets: the value in whole units against the
// terms, the order file, and under the table what a short basket can do.
void BasketsTable(const DigestInput& in,
                  const std::vector<SupplierOrders>& list, Body& body) {
  const auto baskets = SupplierBaskets::ByCode(*in.baskets);
  Block& t = body.Table({"Fornecedor", "Código", "Artigos a encomendar",
                         "Valor", "Valor em unidades inteiras", "Mínimo",
                         "Condições", "Prazo", "Ficheiro"});
  std::vector<const SupplierBasket*> short_baskets;
  for (size_t i = 0; i < list.size() && i < kBodySuppliers; ++i) {
    const SupplierOrders& s = list[i];
    const auto found = baskets.find(CodeKey(s.code));
    const SupplierBasket* b = found == baskets.end() ? nullptr : found->second;
    t.rows.push_back({s.label, s.code, std::to_string(s.rows.size()),
                      SupplierValue(s.value, s.unpriced),
                      b ? SupplierValue(b->value, b->unpriced) : "",
                      b ? b->MinimumText() : "", b ? b->Status() : "",
                      ReportDigest::LeadTime(s), b ? b->file_name : ""});
    if (b && (!b->suggestions.empty() || !b->wait_text.empty())) {
      short_baskets.push_back(b);
    }
  }
  if (list.size() > kBodySuppliers) {
    body.Paragraph(
        More(kBodySuppliers, list.size(), Rest(in, "Por fornecedor")));
  }
  for (const SupplierBasket* b : short_baskets) {
    body.Heading(4, b->label +
                        (b->label == b->code ? "" : " (" + b->code + ")") +
                        ": " + b->Status());
    if (!b->wait_text.empty()) body.Paragraph(b->wait_text);
    for (size_t i = 0; i < b->suggestions.size() && i < kBodySuggestions; ++i) {
      body.Paragraph("- " + b->suggestions[i].text);
    }
    if (b->suggestions.size() > kBodySuggestions) {
      body.Paragraph(More(kBodySuggestions, b->suggestions.size(),
                          Rest(in, "Por fornecedor")));
    }
    if (b->short_after_suggestions > Currency() && !b->suggestions.empty()) {
      body.Paragraph("Mesmo com estas sugestões faltam " +
                     FigureText::Money(b->short_after_suggestions) + " €.");
    }
  }
}

void Suppliers(const DigestInput& in, Body& body) {
  const std::vector<SupplierOrders> list = ReportDigest::BySupplier(*in.view);
  body.Heading(3, "Por fornecedor");
  if (list.empty()) {
    body.Paragraph("Nada a encomendar.");
    return;
  }
  if (in.baskets != nullptr) {
    BasketsTable(in, list, body);
    return;
  }
  Block& t = body.Table(
      {"Fornecedor", "Código", "Artigos a encomendar", "Valor", "Prazo"});
  for (size_t i = 0; i < list.size() && i < kBodySuppliers; ++i) {
    const SupplierOrders& s = list[i];
    t.rows.push_back({s.label, s.code, std::to_string(s.rows.size()),
                      SupplierValue(s.value, s.unpriced),
                      ReportDigest::LeadTime(s)});
  }
  if (list.size() > kBodySuppliers) {
    body.Paragraph(
        More(kBodySuppliers, list.size(), Rest(in, "Por fornecedor")));
  }
}

void Unpriced(const DigestInput& in, Body& body) {
  const std::vector<int> rows = ReportDigest::Unpriced(*in.view);
  if (rows.empty()) return;
  body.Heading(3, "Sem preço (" + std::to_string(rows.size()) + ")");
  body.Paragraph(
      "Linhas a encomendar sem preço no ERP: o seu valor não está "
      "incluído nos totais.");
  Block& t = body.Table({"Artigo", "Nome", "Fornecedor", "A encomendar"});
  const size_t limit = static_cast<size_t>(in.settings.lines);
  for (size_t i = 0; i < rows.size() && i < limit; ++i) {
    const ProposalRow& r = in.view->row(rows[i]);
    t.rows.push_back({r.Text(F::kArtigo), r.Text(F::kNome), r.SupplierLabel(),
                      Quantity(r, F::kQtdUC, F::kUnCmp)});
    t.tints.push_back(Tint(r));
  }
  if (rows.size() > limit) {
    body.Paragraph(More(limit, rows.size(),
                        "folha «Por fornecedor» do anexo, valor em branco"));
  }
}

Body Compose(const DigestInput& in) {
  Body body;
  Summary(in, body);
  Changes(in, body);
  Urgent(in, body);
  LateOrdersSection(in, body);
  Suppliers(in, body);
  Unpriced(in, body);
  body.Paragraph("");
  body.Paragraph(in.attachment_note);
  return body;
}

}  // namespace

std::optional<Currency> ReportDigest::OrderValue(const ProposalRow& row) {
  if (!row.ToOrder()) return Currency();
  return ValueOf(row, row.Number(F::kQtdUC).value_or(Currency()));
}

std::optional<Currency> ReportDigest::ValueOf(const ProposalRow& row,
                                              Currency purchase) {
  const int64_t price = Raw0(row, F::kUltPrCom);
  if (price == 0) return std::nullopt;
  // In scaled units: QtdUC x UltPrCom x (100 - Desconto) / 100 in cents is
  // q x p x (1 000 000 - d) / 10^12.
  constexpr Int128 kScale = Currency::kScale;
  const Int128 quantity = purchase.raw();
  const Int128 kept = 100 * kScale - Raw0(row, F::kDesconto);
  Int128 product;
  if (__builtin_mul_overflow(quantity * price, kept, &product)) {
    return std::nullopt;
  }
  constexpr Int128 kDivisor = kScale * kScale * kScale;
  const Int128 magnitude = product < 0 ? -product : product;
  const Int128 cents =
      magnitude / kDivisor + (magnitude % kDivisor >= kDivisor / 2 ? 1 : 0);
  if (cents > std::numeric_limits<int64_t>::max() / 100) return std::nullopt;
  const int64_t raw = static_cast<int64_t>(cents) * 100;
  return Currency::FromRaw(product < 0 ? -raw : raw);
}

std::optional<Currency> ReportDigest::CoverDays(const ProposalRow& row) {
  if (!row.CoverKnown()) return std::nullopt;
  // Dias x (StkPrazo - Cli) / StkMinimo to four places, halves away from
  // zero.
  const Int128 net = Int128{Raw0(row, F::kStkPrazo)} - Raw0(row, F::kCli);
  const Int128 product = net * Raw0(row, F::kDias);
  const Int128 minimum = Raw0(row, F::kStkMinimo);
  const Int128 magnitude = product < 0 ? -product : product;
  const Int128 raw =
      magnitude / minimum + (2 * (magnitude % minimum) >= minimum ? 1 : 0);
  if (raw > std::numeric_limits<int64_t>::max()) return std::nullopt;
  return Currency::FromRaw(product < 0 ? -static_cast<int64_t>(raw)
                                       : static_cast<int64_t>(raw));
}

std::string ReportDigest::WholeText(const WholeUnits& units,
                                    const ProposalRow& row) {
  if (!row.ToOrder() || !units.Rounds(row)) return "";
  try {
    const WholeQuantity whole = units.Of(row);
    if (whole.purchase == row.Number(F::kQtdUC).value_or(Currency())) {
      return "";
    }
    return FigureText::Quantity(whole.purchase) +
           (row.Text(F::kUnCmp).empty() ? "" : " " + row.Text(F::kUnCmp));
  } catch (const Error&) {
    return "";  // past the fixed-point range: the proposal's figure alone
  }
}

std::string ReportDigest::CoverText(const ProposalRow& row) {
  if (row.Shortage()) return "rutura";
  const std::optional<Currency> days = CoverDays(row);
  if (!days) return "desconhecida";
  if (*days <= Currency()) return "nenhuma";
  return FigureText::DayCount(*days);
}

OrderTotal ReportDigest::Total(const ProposalView& view) {
  OrderTotal total;
  for (const ProposalRow& row : view.table().rows()) {
    const std::optional<Currency> value = OrderValue(row);
    if (value) {
      total.value += *value;
    } else {
      ++total.unpriced;
    }
  }
  return total;
}

std::string ReportDigest::UnpricedNote(int unpriced) {
  if (unpriced == 0) return "";
  return "valor de " + std::to_string(unpriced) +
         (unpriced == 1 ? " linha sem preço não incluído"
                        : " linhas sem preço não incluído");
}

std::vector<int> ReportDigest::Unpriced(const ProposalView& view) {
  std::vector<int> rows;
  for (const SupplierOrders& s : BySupplier(view)) {
    for (int index : s.rows) {
      if (!OrderValue(view.row(index))) rows.push_back(index);
    }
  }
  std::sort(rows.begin(), rows.end(), [&](int a, int b) {
    return CodeKey(view.row(a).Text(F::kArtigo)) <
           CodeKey(view.row(b).Text(F::kArtigo));
  });
  return rows;
}

std::string ReportDigest::LeadTime(const SupplierOrders& s) {
  if (!s.lead_min) return "";
  const std::string low = FigureText::Quantity(*s.lead_min);
  const std::string high = FigureText::Quantity(*s.lead_max);
  return (low == high ? low : low + " a " + high) + " dias";
}

std::vector<int> ReportDigest::UrgencyOrder(const ProposalView& view) {
  // Each row's place: its group, then a fraction compared exactly
  // (numerator / denominator, the denominator above 0), then the value and
  // the code.
  enum Group {
    kNoDemandBelowZero,  // by the amount missing, larger first
    kShortage,           // by missing / demand, larger first
    kShortageNothingMissing,
    kKnownCover,  // by the days of cover, fewer first
    kUnknownCover,
  };
  struct Key {
    Group group;
    Int128 numerator = 0, denominator = 1;
    std::optional<Currency> value;
    std::string code;
    int index;
  };
  std::vector<Key> keys;
  const std::vector<ProposalRow>& rows = view.table().rows();
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const ProposalRow& r = rows[i];
    Key k{kKnownCover, 0, 1, OrderValue(r), CodeKey(r.Text(F::kArtigo)), i};
    const Int128 demand = std::max<int64_t>(Raw0(r, F::kCli), 0);
    const Int128 stock = Raw0(r, F::kStkPrazo);
    if (r.Shortage()) {
      const Int128 missing = demand - stock;
      if (missing <= 0) {
        k.group = kShortageNothingMissing;
      } else if (demand == 0) {
        k.group = kNoDemandBelowZero;
        k.numerator = -missing;
      } else {
        k.group = kShortage;
        k.numerator = -missing;
        k.denominator = demand;
      }
    } else if (r.ToOrder()) {
      if (r.CoverKnown()) {
        k.numerator = (stock - Raw0(r, F::kCli)) * Raw0(r, F::kDias);
        k.denominator = Raw0(r, F::kStkMinimo);
      } else {
        k.group = kUnknownCover;
      }
    } else {
      continue;
    }
    keys.push_back(std::move(k));
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.group != b.group) return a.group < b.group;
    const int fraction = CompareFractions(a.numerator, a.denominator,
                                          b.numerator, b.denominator);
    if (fraction != 0) return fraction < 0;
    // Larger value first; a row without a price after every priced one.
    if (a.value != b.value) {
      if (!a.value || !b.value) return a.value.has_value();
      return *a.value > *b.value;
    }
    if (a.code != b.code) return a.code < b.code;
    return a.index < b.index;
  });
  std::vector<int> order;
  order.reserve(keys.size());
  for (const Key& k : keys) order.push_back(k.index);
  return order;
}

std::vector<int> ReportDigest::ListOrder(const ProposalView& view) {
  std::vector<int> order = UrgencyOrder(view);
  std::vector<bool> placed(view.table().rows().size(), false);
  for (int index : order) placed[index] = true;
  for (int index : view.shown()) {
    if (!placed[index]) order.push_back(index);
  }
  return order;
}

std::vector<SupplierOrders> ReportDigest::BySupplier(const ProposalView& view) {
  std::map<std::string, SupplierOrders> groups;
  const std::vector<ProposalRow>& rows = view.table().rows();
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const ProposalRow& r = rows[i];
    if (!r.ToOrder()) continue;
    SupplierOrders& s = groups[CodeKey(r.Text(F::kFornec))];
    if (s.rows.empty()) {
      s.code = r.Text(F::kFornec);
      s.label = r.SupplierLabel();
    }
    s.rows.push_back(i);
    if (const std::optional<Currency> value = OrderValue(r)) {
      s.value += *value;
    } else {
      ++s.unpriced;
    }
    if (const auto lead = r.Number(F::kPrazo)) {
      if (!s.lead_min || *lead < *s.lead_min) s.lead_min = lead;
      if (!s.lead_max || *lead > *s.lead_max) s.lead_max = lead;
    }
  }
  std::vector<SupplierOrders> list;
  list.reserve(groups.size());
  for (auto& [key, s] : groups) {
    std::sort(s.rows.begin(), s.rows.end(), [&](int a, int b) {
      return CodeKey(rows[a].Text(F::kArtigo)) <
             CodeKey(rows[b].Text(F::kArtigo));
    });
    list.push_back(std::move(s));
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const SupplierOrders& a, const SupplierOrders& b) {
                     return a.value > b.value;
                   });
  return list;
}

std::string ReportDigest::Text(const DigestInput& in) {
  return RenderText(Compose(in));
}

std::string ReportDigest::Html(const DigestInput& in) {
  return RenderHtml(Compose(in), in.title);
}

std::pair<std::string, std::string> ReportDigest::TextAndHtml(
    const DigestInput& in) {
  const Body body = Compose(in);
  return {RenderText(body), RenderHtml(body, in.title)};
}

}  // namespace vor

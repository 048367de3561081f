#include "engine/late_order_finder.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "core/error.h"
#include "core/text_util.h"
#include "db/connection.h"
#include "db/read_snapshot.h"
#include "engine/bulk_sql_texts.h"
#include "engine/contributions.h"
#include "engine/literal_reader.h"
#include "engine/messages.h"
#include "engine/replenishment_calculator.h"
#include "engine/working_table.h"

namespace vor {
namespace {

using F = ResultField;
using std::chrono::days;
using std::chrono::floor;
using std::chrono::sys_days;

std::string TextOf(const Value& v) { return v.is_null() ? "" : v.ToText(); }

int64_t IntOf(const Value& v) { return v.is_null() ? 0 : v.ToInt(); }

// Whether the documents record their supplier (DOCGCCAB.TERCEIRO). Raises
// the database error when DOCGCCAB cannot be read.
bool DocumentsHaveSupplier(Connection& connection) {
  Recordset columns;
  connection.OpenRecordset("", "SELECT * FROM DOCGCCAB WHERE 1=0", columns);
  return columns.FindField("TERCEIRO") >= 0;
}

// The late lines of `rs` (the rows of sql::LateOrderLinesQuery) matched to
// `rows`, grouped into articles by row; the articles' figures are left for
// WithoutLate. `unreadable` counts the lines whose date or quantity cannot
// be read; `named_by_document` is set when some line takes its supplier
// from its document (its name left for SupplierNames).
std::vector<LateOrderLine> LateLines(Recordset& rs,
                                     const std::vector<ProposalRow>& rows,
                                     sys_days today, int max_days_late,
                                     bool with_supplier, int* unreadable,
                                     bool* named_by_document) {
  std::unordered_map<std::string, std::vector<int>> rows_of_code;
  rows_of_code.reserve(rows.size() * 2);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows_of_code[CodeKey(rows[i].Text(F::kArtigo))].push_back(
        static_cast<int>(i));
  }
  const Currency max_days = Currency::FromInt(max_days_late);
  std::vector<LateOrderLine> lines;
  const int code = rs.FieldIndex("LinArtigo");
  const int data = rs.FieldIndex("DATA");
  const int quant = rs.FieldIndex("QUANT");
  const int tpdoc = rs.FieldIndex("TPDOC");
  const int nnumdoc = rs.FieldIndex("NNUMDOC");
  const int serie = rs.FieldIndex("SERIE");
  const int ano = rs.FieldIndex("ANO");
  const int terceiro = with_supplier ? rs.FieldIndex("TERCEIRO") : -1;
  // The rows' lead times, read when first needed.
  std::vector<std::optional<Currency>> lead_times(rows.size());
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const auto found = rows_of_code.find(CodeKey(TextOf(rs.Get(code))));
    if (found == rows_of_code.end()) continue;
    Currency quantity;
    sys_days date;
    try {
      if (rs.Get(quant).is_null() || rs.Get(data).is_null()) {
        throw Error(errnum::kInvalidUseOfNull, "");
      }
      quantity = rs.Get(quant).ToCurrency();
      date = floor<days>(rs.Get(data).ToDateTime());
    } catch (const Error&) {
      ++*unreadable;
      continue;
    }
    if (quantity <= Currency()) continue;
    for (const int row : found->second) {
      const ProposalRow& article = rows[row];
      if (!lead_times[row]) {
        lead_times[row] = article.Number(F::kPrazo).value_or(Currency());
      }
      const Currency days_late =
          Currency::FromInt((today - date).count()) - *lead_times[row];
      if (days_late <= Currency()) continue;
      LateOrderLine& line = lines.emplace_back();
      line.row = row;
      line.doc_type = TextOf(rs.Get(tpdoc));
      line.number = IntOf(rs.Get(nnumdoc));
      line.series = IntOf(rs.Get(serie));
      line.year = IntOf(rs.Get(ano));
      line.date = date;
      line.quantity = quantity;
      line.days_late = days_late;
      line.probably_dead = days_late > max_days;
      if (with_supplier && !TextOf(rs.Get(terceiro)).empty()) {
        line.supplier = TextOf(rs.Get(terceiro));
        line.document_supplier = true;
        *named_by_document = true;
      } else {
        line.supplier = article.Text(F::kFornec);
        line.supplier_name = article.Text(F::kNomeFornec);
      }
    }
  }
  std::stable_sort(
      lines.begin(), lines.end(),
      [](const LateOrderLine& a, const LateOrderLine& b) {
        return std::tie(a.row, a.date, a.doc_type, a.series, a.number, a.year) <
               std::tie(b.row, b.date, b.doc_type, b.series, b.number, b.year);
      });
  return lines;
}

// The names of the suppliers in Fornec, by the database's comparison of
// codes (CodeKey).
std::unordered_map<std::string, std::string> SupplierNames(
    Connection& connection) {
  Recordset rs;
  connection.OpenRecordset("", sql::SupplierNamesQuery(), rs);
  std::unordered_map<std::string, std::string> names;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    names.emplace(CodeKey(TextOf(rs.Get(0))), TextOf(rs.Get(1)));
  }
  return names;
}

// Whether some line of `rs` (the rows of sql::LateOrderLinesQuery with the
// documents' supplier) names its supplier.
bool SomeDocumentNamesSupplier(Recordset& rs) {
  const int terceiro = rs.FieldIndex("TERCEIRO");
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    if (!TextOf(rs.Get(terceiro)).empty()) return true;
  }
  return false;
}

// What LateOrderFinder::Read read, for the matching.
struct ReadLines {
  Recordset rs;
  bool with_supplier = false;
  std::unordered_map<std::string, std::string> names;
  // Why the suppliers' names could not be read ("" when they were, or
  // were not needed): the matching fails with it only when a late line
  // takes its supplier from its document.
  std::string names_error;
};

// The articles of `lines` (sorted by row) with their figures without the
// late lines: the calculator's final step and colour marks on a working
// table holding a copy of each article's row, EncF less the late quantity
// and StkPrazo after it. Fills each line's purchase quantity. Raises
// vor::Error naming the article when a figure cannot be worked out.
std::vector<LateArticle> WithoutLate(Connection& connection,
                                     const std::vector<ProposalRow>& rows,
                                     std::vector<LateOrderLine>& lines) {
  std::vector<LateArticle> articles;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (articles.empty() || articles.back().row != lines[i].row) {
      articles.emplace_back().row = lines[i].row;
    }
    articles.back().lines.push_back(static_cast<int>(i));
    articles.back().late_quantity += lines[i].quantity;
  }
  if (articles.empty()) return articles;

  Recordset rsfinal = CriaRsFinal();
  const auto& fields = WorkingTableFields();
  for (LateArticle& a : articles) {
    const ProposalRow& row = rows[a.row];
    const std::string code = row.Text(F::kArtigo);
    try {
      rsfinal.AddNew();
      for (size_t f = 0; f < fields.size(); ++f) {
        rsfinal.Set(fields[f].name, row.values[f]);
      }
      const Value& encf = rsfinal.Get("EncF");
      const Value& stk_real = rsfinal.Get("StkReal");
      if (encf.is_null() || stk_real.is_null()) {
        throw Error(errnum::kInvalidUseOfNull,
                    std::string("Uso inválido de Null no campo ") +
                        (encf.is_null() ? "EncF" : "StkReal"));
      }
      const Currency encf_without = encf.ToCurrency() - a.late_quantity;
      rsfinal.Set("EncF", encf_without);
      rsfinal.Set("StkPrazo", ReplenishmentCalculator::StockAtLeadTime(
                                  stk_real.ToCurrency(), encf_without));
      rsfinal.Update();
    } catch (const Error& e) {
      throw Error(e.number(), WithArticle(e.description(), code));
    }
  }

  // The step reads nothing: the reader is never asked.
  LiteralReader unused(connection);
  ContributionObserver nobody;
  const StepContext context{unused, nobody, nullptr};
  Recordset no_components = CriaRsProd();
  const ReplenishmentCalculator calculator("B");
  calculator.AtualizaFinalV2(context, rsfinal, no_components, 0);
  ReplenishmentCalculator::MarcaCores(rsfinal);

  rsfinal.MoveFirst();
  for (LateArticle& a : articles) {
    a.stock_at_lead_time = rsfinal.Get("StkPrazo").ToCurrency();
    a.to_order = rsfinal.Get("QtdUB").ToCurrency();
    a.to_order_purchase = rsfinal.Get("QtdUC").ToCurrency();
    a.stock_after = rsfinal.Get("StkApos").ToCurrency();
    a.cover_days = rsfinal.Get("Tempo").ToCurrency();
    a.shortage = rsfinal.Get("Cor").ToInt() == 1;
    for (const int l : a.lines) {
      try {
        lines[l].purchase_quantity =
            ReplenishmentCalculator::InPurchaseUnit(rsfinal, lines[l].quantity);
      } catch (const Error&) {
        lines[l].purchase_quantity.reset();
      }
    }
    rsfinal.MoveNext();
  }
  return articles;
}

}  // namespace

LateOrders LateOrderFinder::Find(Connection& connection,
                                 const std::vector<ProposalRow>& rows,
                                 LocalTime today, int max_days_late) {
  return Read(connection, today, max_days_late)(rows);
}

LateOrderMatch LateOrderFinder::Read(Connection& connection, LocalTime today,
                                     int max_days_late) {
  const auto unavailable = [](std::string reason) -> LateOrderMatch {
    return [reason](const std::vector<ProposalRow>&) {
      return LateOrders::Unavailable(reason);
    };
  };
  const std::string kUnread =
      "as encomendas a fornecedores em atraso não foram lidas: ";
  auto read = std::make_shared<ReadLines>();
  try {
    const ReadSnapshot snapshot(connection);
    read->with_supplier = DocumentsHaveSupplier(connection);
    connection.OpenRecordset("", sql::LateOrderLinesQuery(read->with_supplier),
                             read->rs);
    if (read->with_supplier && SomeDocumentNamesSupplier(read->rs)) {
      try {
        read->names = SupplierNames(connection);
      } catch (const std::exception&) {
        read->names_error =
            UnhandledError(std::current_exception()).description();
      }
    }
  } catch (const std::exception&) {
    return unavailable(kUnread +
                       UnhandledError(std::current_exception()).description());
  }
  const sys_days day = sys_days(floor<days>(today).time_since_epoch());
  return [read, day, max_days_late, kUnread,
          &connection](const std::vector<ProposalRow>& rows) {
    try {
      int unreadable = 0;
      bool named_by_document = false;
      std::vector<LateOrderLine> lines =
          LateLines(read->rs, rows, day, max_days_late, read->with_supplier,
                    &unreadable, &named_by_document);
      if (named_by_document) {
        if (!read->names_error.empty()) {
          return LateOrders::Unavailable(kUnread + read->names_error);
        }
        for (LateOrderLine& line : lines) {
          if (!line.document_supplier) continue;
          const auto it = read->names.find(CodeKey(line.supplier));
          line.supplier_name =
              it == read->names.end() ? std::string() : it->second;
        }
      }
      std::vector<LateArticle> articles = WithoutLate(connection, rows, lines);
      return LateOrders(std::move(lines), std::move(articles), unreadable,
                        max_days_late);
    } catch (const std::exception&) {
      return LateOrders::Unavailable(
          kUnread + UnhandledError(std::current_exception()).description());
    }
  };
}

}  // namespace vor

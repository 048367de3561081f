#include "proposal/order_file.h"

#include <chrono>
#include <exception>
#include <memory>
#include <unordered_set>

#include "core/atomic_file.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/figure_text.h"
#include "core/folder.h"
#include "core/text_util.h"
#include "core/thread_priority.h"
#include "proposal/workbook_writer.h"

namespace vor {
namespace {

using F = ResultField;
using K = SheetColumnKind;

// `text` as part of a file name (see FileName), at most `chars` characters.
std::string Safe(const std::string& text, size_t chars) {
  std::string shown = EscapeControlBytes(Trimmed(text));
  for (char& c : shown) {
    if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  return Trimmed(Utf8Prefix(shown, chars));
}

Value Number(const std::optional<Currency>& value) {
  return value ? Value(*value) : Value();
}

std::string Euros(Currency cents) { return FigureText::Money(cents) + " €"; }

}  // namespace

std::string OrderFile::FileName(const SupplierBasket& basket, LocalTime date) {
  const std::string code = Safe(basket.code, 30);
  const std::string name =
      basket.label == basket.code ? "" : Safe(basket.label, 80);
  std::string file = "Encomenda " +
                     (name.empty() ? code : name + " (" + code + ")") + " " +
                     FormatLocalTime(date, "%Y-%m-%d") + ".xlsx";
  return file;
}

std::vector<Sheet> OrderFile::Sheets(const SupplierBasket& basket,
                                     const std::vector<ProposalRow>& rows,
                                     LocalTime date) {
  Sheet order;
  order.name = "Encomenda";
  order.preamble = {{"Encomenda a", basket.label},
                    {"Fornecedor (código)", basket.code},
                    {"Data", FigureText::Date(date)}};
  if (basket.terms && !basket.terms->email.empty()) {
    order.preamble.push_back({"E-mail", basket.terms->email});
  }
  order.columns = {{"Artigo", K::kText, 14},
                   {"Nome", K::kText, 36},
                   {"Quantidade", K::kDecimal, 11},
                   {"Unidade", K::kText, 8},
                   {"Preço", K::kPrice, 10},
                   {"Desconto %", K::kDecimal, 10},
                   {"Valor", K::kMoney, 12},
                   {"Proposta (sem arredondar)", K::kDecimal, 12}};
  for (const BasketLine& line : basket.lines) {
    const ProposalRow& r = rows[line.row];
    order.rows.push_back({r.TextValue(F::kArtigo), r.TextValue(F::kNome),
                          Value(line.whole.purchase), r.TextValue(F::kUnCmp),
                          Number(r.Number(F::kUltPrCom)),
                          Number(r.Number(F::kDesconto)), Number(line.value),
                          Number(r.Number(F::kQtdUC))});
  }
  order.rows.push_back({});
  order.rows.push_back(
      {Value("Total"),
       Value(basket.unpriced == 0
                 ? std::string()
                 : "sem o valor de " + std::to_string(basket.unpriced) +
                       (basket.unpriced == 1 ? " linha sem preço"
                                             : " linhas sem preço")),
       Value(), Value(), Value(), Value(), Value(basket.value), Value()});

  Sheet notes;
  notes.name = "Condições e sugestões";
  notes.table = false;
  notes.columns = {{"", K::kText, 34}, {"", K::kText, 100}};
  auto line = [&](const std::string& label, const std::string& text) {
    notes.rows.push_back({Value(label), Value(text)});
  };
  line("Para o comprador: não enviar ao fornecedor", "");
  line("Valor da encomenda", Euros(basket.value));
  if (!basket.terms) {
    line("Condições do fornecedor", "não definidas");
  } else {
    line("Valor mínimo", basket.terms->minimum ? Euros(*basket.terms->minimum)
                                               : std::string("não definido"));
    line("Portes grátis a partir de", basket.terms->free_freight
                                          ? Euros(*basket.terms->free_freight)
                                          : std::string("não definido"));
    line("Situação", basket.Status());
    if (!basket.terms->note.empty()) line("Nota", basket.terms->note);
  }
  if (!basket.wait_text.empty()) line("Pode esperar?", basket.wait_text);
  for (size_t i = 0; i < basket.suggestions.size(); ++i) {
    line(i == 0 ? "Sugestões" : "", basket.suggestions[i].text);
  }
  if (basket.short_after_suggestions > Currency()) {
    line("",
         "Mesmo assim faltam " + Euros(basket.short_after_suggestions) + ".");
  }
  return {std::move(order), std::move(notes)};
}

void OrderFile::Name(std::vector<SupplierBasket>* baskets, LocalTime date) {
  std::unordered_set<std::string> taken;
  std::string key;
  for (SupplierBasket& basket : *baskets) {
    basket.file_name.clear();
    if (Trimmed(basket.code).empty()) continue;  // nobody to send it to
    const std::string first = FileName(basket, date);
    std::string name = first;
    for (int n = 2;; ++n) {
      FoldCase(name, &key);
      if (taken.insert(key).second) break;
      name = first.substr(0, first.size() - 5) + " (" + std::to_string(n) +
             ").xlsx";
    }
    basket.file_name = name;
  }
}

std::future<OrderFile::Outcome> OrderFile::Start(
    const std::string& folder_path, const std::vector<SupplierBasket>& all,
    const std::vector<ProposalRow>& rows, LocalTime date,
    std::shared_future<bool> go) {
  std::shared_ptr<Folder> folder;
  try {
    folder = std::make_shared<Folder>(Folder::Open(folder_path));
  } catch (const std::exception&) {
    Outcome outcome;
    outcome.written.assign(all.size(), false);
    outcome.failures.push_back(
        std::string("Encomendas por fornecedor não gravadas: ") +
        UnhandledError(std::current_exception()).description() +
        " ([Relatorio] Pasta)");
    std::promise<Outcome> ready;
    ready.set_value(std::move(outcome));
    return ready.get_future();
  }
  return std::async(std::launch::async, [folder, &all, &rows, date, go] {
    // The files wait for the result table anyway: the table's writing and
    // the report the run waits for go first.
    ThreadPriority::Lower(10);
    const char* kFailed = "Encomenda por fornecedor não gravada: ";
    Outcome outcome;
    outcome.written.assign(all.size(), false);
    const auto dropped = [&go] {
      return go.valid() &&
             go.wait_for(std::chrono::seconds(0)) ==
                 std::future_status::ready &&
             !go.get();
    };
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<size_t> of_file;
    for (size_t i = 0; i < all.size(); ++i) {
      if (dropped()) return Outcome();
      if (all[i].file_name.empty()) continue;
      const std::string& name = all[i].file_name;
      try {
        files.emplace_back(name,
                           WorkbookWriter::Bytes(Sheets(all[i], rows, date),
                                                 folder->PathOf(name)));
        of_file.push_back(i);
      } catch (const std::exception&) {
        outcome.failures.push_back(
            kFailed + UnhandledError(std::current_exception()).description());
      }
    }
    if (go.valid() && !go.get()) return Outcome();
    // Many small files: written together, each complete or not at all.
    const std::vector<std::string> errors =
        AtomicFile::WriteAllIn(*folder, files);
    int written = 0;
    for (size_t f = 0; f < files.size(); ++f) {
      if (errors[f].empty()) {
        outcome.written[of_file[f]] = true;
        ++written;
      } else {
        outcome.failures.push_back(kFailed + errors[f]);
      }
    }
    if (written > 0) {
      outcome.delivered.push_back(
          "Encomendas por fornecedor: " + std::to_string(written) +
          (written == 1 ? " ficheiro gravado em " : " ficheiros gravados em ") +
          folder->Path());
    }
    return outcome;
  });
}

bool OrderFile::Finish(Outcome outcome, std::vector<SupplierBasket>* baskets,
                       std::vector<std::string>* delivered,
                       std::vector<std::string>* failures) {
  bool missing = false;
  for (size_t i = 0; i < baskets->size() && i < outcome.written.size(); ++i) {
    SupplierBasket& basket = (*baskets)[i];
    if (!outcome.written[i] && !basket.file_name.empty()) {
      basket.file_name.clear();
      missing = true;
    }
  }
  delivered->insert(delivered->end(), outcome.delivered.begin(),
                    outcome.delivered.end());
  failures->insert(failures->end(), outcome.failures.begin(),
                   outcome.failures.end());
  return missing;
}

void OrderFile::DropAll(const std::string& folder,
                        std::vector<SupplierBasket>* baskets,
                        const std::vector<ProposalRow>& rows, LocalTime date,
                        std::vector<std::string>* delivered,
                        std::vector<std::string>* failures) {
  Name(baskets, date);
  Finish(Start(folder, *baskets, rows, date).get(), baskets, delivered,
         failures);
}

}  // namespace vor

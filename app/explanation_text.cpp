#include "app/explanation_text.h"

#include <chrono>
#include <set>

#include "core/figure_text.h"
#include "core/text_util.h"
#include "engine/working_table.h"
#include "proposal/late_order_report.h"
#include "proposal/proposal_columns.h"

namespace vor {

namespace {

// The value of the working-table field `name` of the recomputed row.
const Value* Field(const ArticleExplanation& why, const std::string& name) {
  const auto& fields = WorkingTableFields();
  for (size_t i = 0; i < fields.size() && i < why.row.size(); ++i) {
    if (fields[i].name == name) return &why.row[i];
  }
  return nullptr;
}

std::string TextField(const ArticleExplanation& why, const std::string& name) {
  const Value* v = Field(why, name);
  return v == nullptr || v->is_null() ? std::string() : v->ToText();
}

class Writer {
 public:
  Writer(std::string unit) : unit_(std::move(unit)) {}
  std::string Q(Currency v) const {
    return unit_.empty() ? FigureText::Quantity(v)
                         : FigureText::Quantity(v) + " " + unit_;
  }
  std::vector<std::string> lines;

 private:
  std::string unit_;
};

// A code as the buyer must type it: quoted, so that blanks show.
std::string Quoted(const std::string& code) { return "'" + code + "'"; }

std::string ProductLine(const ProductDemand& p, const Writer& w) {
  return "  produto " + Quoted(p.product) + " (estrutura " +
         Quoted(p.structure) + "): " + FigureText::Quantity(p.multiplier) +
         " × " + FigureText::Quantity(p.quantidade) + " = " + w.Q(p.amount);
}

// The value of a stored or recomputed field for the comparison: numbers by
// value, texts by their CodeKey (ASCII letter case ignored, blanks kept),
// null apart from every value.
std::string Comparable(const Value& v, FieldType type) {
  if (v.is_null()) return std::string("\0null", 5);
  switch (type) {
    case FieldType::kCurrency:
      return v.ToCurrency().ToString();
    case FieldType::kBoolean:
      return v.ToBool() ? "1" : "0";
    case FieldType::kSmallInt:
      return std::to_string(v.ToInt());
    default:
      return CodeKey(v.ToText());
  }
}

// The field's label as the proposal window heads its column ("Stock
// mínimo"); the field's name for one the window does not show.
std::string Label(ResultField field) {
  for (ProposalColumn c : AllProposalColumns()) {
    const ProposalColumnInfo& info = ColumnInfoOf(c);
    if (info.field == field) return info.header;
  }
  return std::string(ResultColumnOf(field).name);
}

// A stored or recomputed value as the window shows it, with its unit.
std::string Shown(const Value& v, ResultField field, FieldType type,
                  const std::string& base_unit,
                  const std::string& purchase_unit) {
  using F = ResultField;
  if (v.is_null()) return "sem valor";
  if (field == F::kCor || field == F::kCorV) {
    return v.ToInt() == 1 ? "sim" : "não";
  }
  if (type == FieldType::kBoolean) return v.ToBool() ? "sim" : "não";
  if (type != FieldType::kCurrency) {
    return type == FieldType::kSmallInt ? std::to_string(v.ToInt())
                                        : "'" + v.ToText() + "'";
  }
  const Currency n = v.ToCurrency();
  auto with = [](std::string figure, const std::string& unit) {
    return unit.empty() ? figure : figure + " " + unit;
  };
  switch (field) {
    case F::kUltPrCom:
      return FigureText::Price(n);
    case F::kDesconto:
      return FigureText::Quantity(n) + " %";
    case F::kPrazo:
    case F::kDias:
      return with(FigureText::Quantity(n), "dias");
    case F::kTempo:
      return FigureText::DayCount(n);
    case F::kFactEmb:
      return with(FigureText::Quantity(n), base_unit);
    case F::kQtdUC:
    case F::kOriginalUC:
      return with(FigureText::Quantity(n), purchase_unit);
    default:
      return with(FigureText::Quantity(n), base_unit);
  }
}

}  // namespace

std::vector<std::string> ChangedFields(const ArticleExplanation& why,
                                       const ProposalRow& stored) {
  const std::string base = TextField(why, "UnBase");
  const std::string purchase = TextField(why, "UnCmp");
  std::vector<std::string> changed;
  auto same = [&](ResultField f) {
    const auto i = static_cast<size_t>(f);
    return i >= why.row.size() ||
           Comparable(stored.values[i], kResultFields[i].type) ==
               Comparable(why.row[i], kResultFields[i].type);
  };
  for (size_t i = 0; i < kResultFields.size() && i < why.row.size(); ++i) {
    const ResultColumn& c = kResultFields[i];
    const auto field = static_cast<ResultField>(i);
    // The quantity to order is said on its own (in the purchase unit too
    // only when that alone moved); the original quantities are copies of
    // the quantities to order.
    if (field == ResultField::kQtdUB || field == ResultField::kOriginalUB ||
        field == ResultField::kOriginalUC ||
        (field == ResultField::kQtdUC && !same(ResultField::kQtdUB))) {
      continue;
    }
    if (same(field)) continue;
    changed.push_back(Label(field) + " (era " +
                      Shown(stored.values[i], field, c.type, base, purchase) +
                      ", agora " +
                      Shown(why.row[i], field, c.type, base, purchase) + ")");
  }
  return changed;
}

std::vector<std::string> ExplanationLines(const ArticleExplanation& why,
                                          const ProposalRow* stored,
                                          bool* out_of_date) {
  if (out_of_date != nullptr) *out_of_date = !why.found;
  Writer w(TextField(why, "UnBase"));
  std::vector<std::string>& out = w.lines;
  if (!why.found) {
    out.push_back("O artigo " + Quoted(why.article) +
                  " já não está entre os artigos da proposta: o ERP mudou "
                  "desde o cálculo (inativo, sem stock mínimo, sem "
                  "fornecedor ou apagado).");
    return out;
  }
  const FinalStep& f = why.final;
  // One paragraph on what changed since the run: the quantity to order,
  // then every other figure that moved.
  const std::optional<Currency> stored_qtd_ub =
      stored != nullptr ? stored->Number(ResultField::kQtdUB) : std::nullopt;
  std::string warning;
  if (stored == nullptr) {
    warning =
        " A proposta guardada não tem este artigo; o cálculo de agora "
        "dá " +
        w.Q(f.qtd_ub) + " a encomendar.";
  } else if (!stored_qtd_ub || *stored_qtd_ub != f.qtd_ub) {
    warning = " A proposta guardada tem " +
              (stored_qtd_ub ? w.Q(*stored_qtd_ub)
                             : std::string("outra quantidade")) +
              " a encomendar e o cálculo de agora dá " + w.Q(f.qtd_ub) + ".";
  }
  if (stored != nullptr) {
    const std::vector<std::string> changed = ChangedFields(why, *stored);
    if (!changed.empty()) {
      warning += " Mudou: ";
      for (size_t i = 0; i < changed.size(); ++i) {
        if (i > 0) warning += i + 1 == changed.size() ? " e " : ", ";
        warning += changed[i];
      }
      warning += ".";
    }
  }
  if (!warning.empty()) {
    if (out_of_date != nullptr) *out_of_date = true;
    out.push_back("Atenção: o ERP mudou desde o cálculo desta proposta." +
                  warning + " Explica-se o cálculo de agora.");
  }

  // Stock.
  out.push_back("Stock disponível: " + w.Q(why.own_stock));
  Currency real = why.own_stock;
  for (const AggregatedContribution& a : why.aggregated) {
    switch (a.outcome) {
      case AggregatedOutcome::kCounted:
        out.push_back("+ agregado " + Quoted(a.code) + ": " + w.Q(a.stock));
        real = real + a.stock;
        break;
      case AggregatedOutcome::kNoArticle:
        out.push_back("  agregado " + Quoted(a.code) +
                      ": não há artigo com este código, nada somado");
        break;
      case AggregatedOutcome::kOwnCode:
        out.push_back("  agregado " + Quoted(a.code) +
                      ": é o próprio artigo, não contado de novo");
        break;
    }
  }
  if (!why.aggregated.empty()) out.push_back("= stock real " + w.Q(real));
  // The stock at lead time is stored rounded: say so when it is.
  const bool rounded = real + why.supplier_orders != f.stk_prazo;
  out.push_back("+ encomendas a fornecedor " + w.Q(why.supplier_orders) +
                " → stock no prazo " + w.Q(f.stk_prazo) +
                (rounded ? " (arredondado a 2 casas decimais)" : ""));

  // Demand.
  out.push_back("Procura:");
  out.push_back("  encomendas próprias de clientes: " +
                w.Q(why.own_customer_orders));
  for (const ProductDemand& p : why.customer_products) {
    out.push_back(ProductLine(p, w));
  }
  if (why.customer_merge) {
    out.push_back("  = procura das encomendas " +
                  w.Q(why.customer_merge->cli_after));
  }
  if (why.production_products.empty()) {
    out.push_back("Ordens de fabrico: nenhuma usa o artigo.");
  } else {
    out.push_back("Ordens de fabrico:");
    for (const ProductDemand& p : why.production_products) {
      out.push_back(ProductLine(p, w));
    }
    if (!why.production_merge) {
      out.push_back("  total 0: a procura fica " + w.Q(f.cli));
    } else if (why.production_merge->replaced) {
      out.push_back("  total " + w.Q(why.production_merge->products) +
                    " excede a procura " +
                    w.Q(why.production_merge->cli_before) +
                    ": a procura passa a " + w.Q(f.cli));
    } else {
      out.push_back("  total " + w.Q(why.production_merge->products) +
                    " não excede a procura " + w.Q(f.cli) + ": a procura fica");
    }
  }

  // Final quantities.
  out.push_back("Stock líquido = " + FigureText::Quantity(f.stk_prazo) + " − " +
                FigureText::Quantity(f.cli) + " = " + w.Q(f.n));
  const std::string purchase = TextField(why, "UnCmp");
  switch (f.branch) {
    case FinalBranch::kNoOrder:
      out.push_back("Não está abaixo do mínimo " + w.Q(f.stk_minimo) +
                    ": nada a encomendar.");
      break;
    case FinalBranch::kShortfall:
      out.push_back("Abaixo do mínimo " + w.Q(f.stk_minimo) + ": faltam " +
                    w.Q(f.s) + " (mínimo de compra " + w.Q(f.qtd_min_apr) +
                    "), a encomendar " + w.Q(f.qtd_ub));
      break;
    case FinalBranch::kMinimumPurchase:
      out.push_back("Abaixo do mínimo " + w.Q(f.stk_minimo) + ": faltam " +
                    w.Q(f.s) + ", elevado ao mínimo de compra " +
                    w.Q(f.qtd_ub));
      break;
  }
  if (f.branch != FinalBranch::kNoOrder && f.converted) {
    if (f.fact_emb == Currency()) {
      out.push_back("Em " + purchase +
                    ": fator de embalagem 0, quantidade de compra 0");
    } else {
      out.push_back("Em " + purchase + ": " + FigureText::Quantity(f.qtd_ub) +
                    " / " + FigureText::Quantity(f.fact_emb) + " = " +
                    FigureText::Quantity(f.qtd_uc) + " " + purchase + " de " +
                    w.Q(f.fact_emb));
    }
  }
  // Cover: the lead time in days scaled by the stock after the order
  // (the net stock when nothing is ordered) over the minimum.
  std::string after;
  if (f.branch != FinalBranch::kNoOrder) {
    after = "Stock após a encomenda " + w.Q(f.stk_apos) + ". ";
  }
  if (f.dias <= Currency() || f.stk_minimo <= Currency()) {
    after +=
        "Cobertura desconhecida: sem dias ou sem stock mínimo no "
        "artigo, não se calcula.";
  } else {
    after += "Cobertura = dias × " +
             std::string(f.branch == FinalBranch::kNoOrder
                             ? "stock líquido"
                             : "stock após a encomenda") +
             " ÷ mínimo = " + FigureText::Quantity(f.dias) + " × " +
             FigureText::Quantity(f.stk_apos) + " ÷ " +
             FigureText::Quantity(f.stk_minimo) + " = " +
             FigureText::DayCount(f.tempo) + ".";
  }
  out.push_back(after);
  return out;
}

std::vector<std::string> ChangedLines(const std::vector<std::string>& before,
                                      const std::vector<std::string>& after) {
  std::multiset<std::string> left(before.begin(), before.end());
  std::vector<std::string> changed;
  for (const std::string& line : after) {
    const auto found = left.find(line);
    if (found != left.end()) {
      left.erase(found);
    } else {
      changed.push_back(line);
    }
  }
  return changed;
}

std::vector<std::string> LateOrderLines(const LateOrders& late,
                                        const LateArticle& article,
                                        const ProposalRow& stored) {
  using F = ResultField;
  const auto with = [](Currency q, const std::string& unit) {
    return unit.empty() ? FigureText::Quantity(q)
                        : FigureText::Quantity(q) + " " + unit;
  };
  const std::string base = stored.Text(F::kUnBase);
  std::vector<std::string> out;
  const size_t n = article.lines.size();
  out.push_back(
      "Encomendas a fornecedor em atraso: " +
      with(article.late_quantity, base) +
      (n == 1 ? " de 1 linha" : " de " + std::to_string(n) + " linhas") +
      ", contadas no stock no prazo " +
      with(stored.Number(F::kStkPrazo).value_or(Currency()), base) + ":");
  for (const int l : article.lines) {
    const LateOrderLine& line = late.lines()[l];
    std::string text =
        "  " + LateOrderReport::Document(line) + " de " +
        FigureText::Date(
            LocalTime(std::chrono::local_days(line.date.time_since_epoch()))) +
        ": " + with(line.quantity, base) + ", " +
        FigureText::DayCount(line.days_late) + " de atraso";
    if (line.document_supplier &&
        !SameCode(line.supplier, stored.Text(F::kFornec))) {
      text += ", fornecedor " + Quoted(line.supplier) +
              (line.supplier_name.empty() ? "" : " " + line.supplier_name);
    }
    if (line.probably_dead) text += ", provavelmente não vai chegar";
    out.push_back(text);
  }
  // Without them: the quantity in the purchase unit, as the table shows
  // it, unless the packing factor leaves none.
  const Currency now_ub = stored.Number(F::kQtdUB).value_or(Currency());
  std::string without = "Se as encomendas em atraso não chegarem: ";
  if (article.to_order == now_ub) {
    without +=
        now_ub > Currency()
            ? "a quantidade a encomendar fica a mesma, " + with(now_ub, base)
            : "continua a não haver nada a encomendar";
  } else {
    const bool in_base = stored.NoPurchaseQuantity() ||
                         (article.to_order > Currency() &&
                          article.to_order_purchase == Currency());
    const std::string purchase = stored.Text(F::kUnCmp);
    without += "encomendar " +
               (in_base ? with(article.to_order, base)
                        : with(article.to_order_purchase, purchase)) +
               " em vez de " +
               (now_ub <= Currency() ? std::string("nada")
                : in_base            ? with(now_ub, base)
                          : with(stored.Number(F::kQtdUC).value_or(Currency()),
                                 purchase));
  }
  without += " (stock no prazo " + with(article.stock_at_lead_time, base) +
             " em vez de " +
             with(stored.Number(F::kStkPrazo).value_or(Currency()), base) + ")";
  if (article.shortage && !stored.Shortage()) {
    without += "; o artigo fica em rutura (procura acima do stock no prazo)";
  }
  out.push_back(without + ".");
  return out;
}

}  // namespace vor

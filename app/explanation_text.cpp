#include "app/explanation_text.h"

#include <cmath>
#include <cstdio>

#include "engine/working_table.h"

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
    return unit_.empty() ? DecimalText(v) : DecimalText(v) + " " + unit_;
  }
  std::vector<std::string> lines;

 private:
  std::string unit_;
};

std::string ProductLine(const ProductDemand& p, const Writer& w) {
  return "  produto " + p.product + " (estrutura " + p.structure +
         "): " + DecimalText(p.multiplier) + " × " + DecimalText(p.quantidade) +
         " = " + w.Q(p.amount);
}

}  // namespace

std::string DecimalText(Currency value) { return value.ToCommaString(); }

std::string DecimalText(double value) {
  if (std::isfinite(value) && std::fabs(value) < 9e14) {
    return DecimalText(Currency::FromDouble(value));
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::vector<std::string> ExplanationLines(
    const ArticleExplanation& why, std::optional<Currency> stored_qtd_ub) {
  Writer w(TextField(why, "UnBase"));
  std::vector<std::string>& out = w.lines;
  if (!why.found) {
    out.push_back("O artigo " + why.article +
                  " já não está entre os artigos da proposta: o ERP mudou "
                  "desde o cálculo (inativo, sem stock mínimo, sem "
                  "fornecedor ou apagado).");
    return out;
  }
  const FinalStep& f = why.final;
  if (!stored_qtd_ub || *stored_qtd_ub != f.qtd_ub) {
    out.push_back(
        "Atenção: a proposta guardada tem " +
        (stored_qtd_ub ? w.Q(*stored_qtd_ub)
                       : std::string("outra quantidade")) +
        " a encomendar e o cálculo de agora dá " + w.Q(f.qtd_ub) +
        ": o ERP mudou desde o cálculo. Explica-se o cálculo de agora.");
  }

  // Stock.
  out.push_back("Stock disponível: " + w.Q(why.own_stock));
  Currency real = why.own_stock;
  for (const AggregatedContribution& a : why.aggregated) {
    switch (a.outcome) {
      case AggregatedOutcome::kCounted:
        out.push_back("+ agregado " + a.code + ": " + w.Q(a.stock));
        real = real + a.stock;
        break;
      case AggregatedOutcome::kNoArticle:
        out.push_back("  agregado " + a.code +
                      ": não há artigo com este código, nada somado");
        break;
      case AggregatedOutcome::kOwnCode:
        out.push_back("  agregado " + a.code +
                      ": é o próprio artigo, não contado de novo");
        break;
    }
  }
  if (!why.aggregated.empty()) out.push_back("= stock real " + w.Q(real));
  out.push_back("+ encomendas a fornecedor " + w.Q(why.supplier_orders) +
                " → stock no prazo " + w.Q(f.stk_prazo));

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
  out.push_back("Stock líquido = " + DecimalText(f.stk_prazo) + " − " +
                DecimalText(f.cli) + " = " + w.Q(f.n));
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
      out.push_back("Em " + purchase + ": " + DecimalText(f.qtd_ub) + " / " +
                    DecimalText(f.fact_emb) + " = " + DecimalText(f.qtd_uc) +
                    " " + purchase + " de " + w.Q(f.fact_emb));
    }
  }
  std::string after = "Stock após a encomenda " + w.Q(f.stk_apos);
  after += f.tempo == Currency()
               ? std::string(", sem cobertura calculada")
               : ", cobertura " + DecimalText(f.tempo) + " dias";
  out.push_back(after + ".");
  return out;
}

}  // namespace vor

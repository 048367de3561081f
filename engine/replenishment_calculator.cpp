#include "engine/replenishment_calculator.h"

#include <string_view>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/stock_cover.h"
#include "core/text_util.h"
#include "core/units.h"
#include "engine/messages.h"
#include "engine/sql_texts.h"
#include "engine/structure_exploder.h"
#include "engine/working_table.h"

namespace vor {

namespace {

// A code read from a table: its text, "" when it has no value.
std::string CodeOf(const Value& v) {
  return v.is_null() ? std::string() : v.ToText();
}

// `v`, read from `field`, as fixed-point. A null raises Error 94 naming the
// field; a failed conversion keeps its number and gets the field added to
// its description.
Currency NumberOf(const Value& v, std::string_view field) {
  if (v.is_null()) {
    throw Error(errnum::kInvalidUseOfNull,
                "Uso inválido de Null no campo " + std::string(field));
  }
  try {
    return v.ToCurrency();
  } catch (const Error& e) {
    throw Error(e.number(),
                e.description() + " no campo " + std::string(field));
  }
}

// The value of `field` of the current row of `rs` as fixed-point.
Currency NumberOf(const Recordset& rs, std::string_view field) {
  return NumberOf(rs.Get(field), field);
}

// As NumberOf, as the database delivers the number (64-bit floating point).
double DoubleOf(const Recordset& rs, std::string_view field) {
  const Value& v = rs.Get(field);
  if (v.is_null()) {
    throw Error(errnum::kInvalidUseOfNull,
                "Uso inválido de Null no campo " + std::string(field));
  }
  try {
    return v.ToDouble();
  } catch (const Error& e) {
    throw Error(e.number(),
                e.description() + " no campo " + std::string(field));
  }
}

// Runs `step` for the article `code`; an error leaving it carries the
// article in its description.
template <typename F>
void ForArticle(const std::string& code, F&& step) {
  try {
    std::forward<F>(step)();
  } catch (const Error& e) {
    throw Error(e.number(), WithArticle(e.description(), code));
  }
}

// Adds `amount` to the rsProd row of `code`, or appends one holding it.
void AddToComponent(Recordset& rsProd, const std::string& code,
                    Currency amount) {
  rsProd.SetFilter("");
  rsProd.SetFilter(sql::ArticleFilter(code));
  if (!rsProd.Eof()) {
    rsProd.Set("Quant", NumberOf(rsProd, "Quant") + amount);
  } else {
    rsProd.AddNew();
    rsProd.Set("Artigo", code);
    rsProd.Set("Quant", amount);
  }
  rsProd.Update();
}

// The run's phase message, when the run has lines.
void Phase(const StepContext& run, const std::string& text) {
  if (run.lines) run.lines->Phase(text);
}

}  // namespace

ReplenishmentCalculator::ReplenishmentCalculator(std::string component_mode,
                                                 bool exploder_memory)
    : component_mode_(std::move(component_mode)),
      exploder_memory_(exploder_memory) {}

Recordset ReplenishmentCalculator::Compute(const StepContext& run,
                                           Recordset rsArtigos,
                                           const std::string& sData) const {
  Recordset rsfinal = CriaRsFinal();
  if (rsArtigos.Eof()) return rsfinal;

  {
    Recordset rsEncPre;
    run.reader.CustomerOrderPreload(sData, rsEncPre);
    while (!rsArtigos.Eof()) {
      const std::string code = CodeOf(rsArtigos.Get("Artigo"));
      if (run.lines) run.lines->ArticleLine(code, rsArtigos);
      ForArticle(code, [&] { LerArtigo(run, rsArtigos, rsEncPre, rsfinal); });
      rsArtigos.MoveNext();
    }
  }
  // Every article is in the working table now: the article query's rows,
  // the preload (gone with the scope above) and what the reader holds only
  // for the intake go before the demand steps load theirs.
  rsArtigos = Recordset();
  run.reader.IntakeDone();

  {
    // LerEncomendasCliente, then the customer-order pass.
    Recordset rsEncCli;
    run.reader.CustomerOrders(sData, rsEncCli);
    Recordset rsProd = CriaRsProd();
    Phase(run, "Atualiza Enc Cli");
    AtualizaEncCli(run, rsEncCli, rsfinal, rsProd);
    Phase(run, "Atualiza Final Enc Cli");
    AtualizaFinalV2(run, rsfinal, rsProd, 0);
  }
  {
    // LerOP, then the production-order pass on a fresh component table.
    Recordset rsOp;
    run.reader.ProductionOrders(rsOp);
    Recordset rsProd = CriaRsProd();
    Phase(run, "Procura Componentes OP");
    ProcuraComponentesOP(run, rsOp, rsfinal, rsProd);
    Phase(run, "Atualiza Final OP");
    AtualizaFinalV2(run, rsfinal, rsProd, 1);
  }

  MarcaCores(rsfinal);
  return rsfinal;
}

void ReplenishmentCalculator::LerArtigo(const StepContext& run,
                                        Recordset& rsArtigos,
                                        Recordset& rsEncPre,
                                        Recordset& rsfinal) const {
  const Recordset& art = rsArtigos;
  const std::string code = CodeOf(art.Get("Artigo"));

  Currency cTotalJuntos;
  LerAglutinados(run, cTotalJuntos, CodeOf(art.Get("Livre")), code);

  Currency encf;
  if (const std::optional<Value> qtd = run.reader.SupplierOrderQuantity(code)) {
    encf = NumberOf(*qtd, "Qtd");
  }
  run.observer.SupplierOrders(code, encf);

  Currency cli;
  rsEncPre.SetFilter("");
  if (rsEncPre.RecordCount() > 0) {
    rsEncPre.SetFilter(sql::ArticleFilter(code));
    if (!rsEncPre.Eof()) cli = NumberOf(rsEncPre, "QtdEnc");
  }
  run.observer.OwnCustomerOrders(code, cli);

  const Currency own_stock = NumberOf(art, "StDisp");
  run.observer.OwnStock(code, own_stock);
  const Currency stk_real = own_stock + cTotalJuntos;

  rsfinal.AddNew();
  rsfinal.Set("Artigo", art.Get("Artigo"));
  rsfinal.Set("Nome", art.Get("Nome"));
  rsfinal.Set("StkMinimo", art.Get("StMin"));
  rsfinal.Set("QtdMinApr", art.Get("QtMinCom"));
  rsfinal.Set("StkReal", stk_real);
  rsfinal.Set("EncF", encf);
  rsfinal.Set("StkPrazo", StockAtLeadTime(NumberOf(rsfinal, "StkReal"),
                                          NumberOf(rsfinal, "EncF")));
  rsfinal.Set("Cli", cli);
  rsfinal.Set("Prazo", art.Get("PrzEntVn"));
  rsfinal.Set("QtdUB", Currency());
  rsfinal.Set("QtdUC", Currency());
  rsfinal.Set("StkApos", Currency());
  rsfinal.Set("Tempo", Currency());
  rsfinal.Set("Fornec", art.Get("Fornec"));
  rsfinal.Set("ENF", "");
  rsfinal.Set("Sel", false);
  rsfinal.Set("Grupo", art.Get("Grupo"));
  rsfinal.Set("Familia", art.Get("Familia"));
  rsfinal.Set("SubFamilia", art.Get("SubFamil"));
  rsfinal.Set("Dias", art.Get("DiasSkRs"));
  rsfinal.Set("UnBase", art.Get("UnBase"));
  rsfinal.Set("UnCmp", art.Get("UnCmp"));
  rsfinal.Set("FactEmb", art.Get("FactEmb"));

  // Purchase price: the supplier's next price when the purchase unit is
  // another unit, otherwise the article's own last price.
  if (Units::PricedBySupplier(art.Get("UnBase"), art.Get("UnCmp"))) {
    const std::optional<SupplierPriceRow> price =
        run.reader.SupplierPrice(code, CodeOf(art.Get("Fornec")));
    if (price) {
      const std::string of_article = " (artigo " + code + ")";
      rsfinal.Set("UltPrCom",
                  TransformaEmCurrency(run, price->prprox,
                                       "no campo PrProx" + of_article));
      rsfinal.Set("Desconto",
                  TransformaEmCurrency(run, price->descprox,
                                       "no campo DescProx" + of_article));
    } else {
      rsfinal.Set("UltPrCom", Currency());
      rsfinal.Set("Desconto", Currency());
    }
  } else {
    rsfinal.Set("UltPrCom", art.Get("UltPrCom"));
    rsfinal.Set("Desconto", Currency());
  }

  rsfinal.Set("OBS", "");
  rsfinal.Set("NomeFornec", art.Get("NomeFornec"));
  rsfinal.Update();
}

void ReplenishmentCalculator::LerAglutinados(const StepContext& run,
                                             Currency& cTotalJuntos,
                                             const std::string& sLivre,
                                             const std::string& sArtigo) const {
  if (sLivre.empty()) return;
  bool skipped_own = false;
  size_t start = 0;
  while (true) {
    const size_t end = sLivre.find(';', start);
    const std::string piece = sLivre.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    if (!sArtigo.empty() && SameCode(piece, sArtigo)) {
      skipped_own = true;
      run.observer.AggregatedStock(sArtigo, piece, AggregatedOutcome::kOwnCode,
                                   Currency());
    } else if (const std::optional<Value> stock =
                   run.reader.AggregatedStock(piece)) {
      Currency amount;
      try {
        amount = NumberOf(*stock, "StDisp");
      } catch (const Error& e) {
        throw Error(e.number(),
                    e.description() + " do artigo aglutinado " + piece);
      }
      cTotalJuntos += amount;
      run.observer.AggregatedStock(sArtigo, piece, AggregatedOutcome::kCounted,
                                   amount);
    } else {
      run.observer.AggregatedStock(sArtigo, piece,
                                   AggregatedOutcome::kNoArticle, Currency());
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (skipped_own && run.lines) {
    run.lines->Log(
        "Artigo " + sArtigo +
        ": o próprio artigo na lista de artigos aglutinados não foi contado");
  }
}

Currency ReplenishmentCalculator::TransformaEmCurrency(
    const StepContext& run, const Value& valor,
    const std::string& where) const {
  if (valor.is_null() || !valor.IsNumeric()) return Currency();
  try {
    return valor.ToCurrency();
  } catch (const Error& e) {
    if (run.lines == nullptr) return Currency();
    if (where.empty()) {
      run.lines->ReportConversionError(e);
    } else {
      run.lines->ReportConversionError(
          Error(e.number(), e.description() + " " + where));
    }
    return Currency();
  }
}

// How the two demand steps differ; everything else they do alike.
struct ReplenishmentCalculator::DemandStep {
  DemandPass pass;
  // The product list of an article.
  std::vector<ProductRow> (ErpReader::*products)(const std::string& article);
  // The filter of the order table on one product and structure.
  std::string (*order_filter)(const std::string& product,
                              const std::string& structure);
  // The order table's field that multiplies the article's lines.
  const char* multiplier;
  // Customer orders: the multiplier is read as fixed-point, so rounded to
  // four places first. Production orders: taken as the database delivers
  // it.
  bool multiplier_rounded;
  // Customer orders: a sum per product, added to rsProd after each product.
  // Production orders: one total per article, added to rsProd after all its
  // products, and only when it is not 0.
  bool total_per_article;
};

void ReplenishmentCalculator::AtualizaEncCli(const StepContext& run,
                                             Recordset& rsEncCli,
                                             Recordset& rsfinal,
                                             Recordset& rsProd) const {
  static const DemandStep kCustomerOrders{
      DemandPass::kCustomerOrders, &ErpReader::CustomerProducts,
      &sql::CustomerOrderFilter,   "QtdEnc",
      /*multiplier_rounded=*/true, /*total_per_article=*/false};
  ExplodeDemand(run, kCustomerOrders, rsEncCli, rsfinal, rsProd);
}

void ReplenishmentCalculator::ProcuraComponentesOP(const StepContext& run,
                                                   Recordset& rsOp,
                                                   Recordset& rsfinal,
                                                   Recordset& rsProd) const {
  static const DemandStep kProductionOrders{
      DemandPass::kProductionOrders, &ErpReader::ProductionProducts,
      &sql::ProductionOrderFilter,   "Quant",
      /*multiplier_rounded=*/false,  /*total_per_article=*/true};
  ExplodeDemand(run, kProductionOrders, rsOp, rsfinal, rsProd);
}

void ReplenishmentCalculator::ExplodeDemand(const StepContext& run,
                                            const DemandStep& step,
                                            Recordset& orders,
                                            Recordset& rsfinal,
                                            Recordset& rsProd) const {
  StructureExploder exploder;
  exploder.SetMemory(exploder_memory_);
  exploder.SetReader(run.reader);
  exploder.SetMode(component_mode_);
  exploder.SetOption(0);
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      if (run.lines) run.lines->StepLine(code, rsfinal);
      Currency article_total;
      for (const ProductRow& row : (run.reader.*step.products)(code)) {
        const std::string product = CodeOf(row.artigo);
        const std::string versao = CodeOf(row.versao);
        orders.SetFilter("");
        orders.SetFilter(step.order_filter(product, versao));
        if (!orders.Eof()) {
          // The explosion's AT lines of the article: the rows the filter
          // "Codigo='<code>' and Tipo='AT'" passes on its table.
          const std::vector<double>& lines =
              exploder.ArticleLines(product, versao, code);
          if (!lines.empty()) {
            const double multiplier =
                step.multiplier_rounded
                    ? NumberOf(orders, step.multiplier).ToDouble()
                    : DoubleOf(orders, step.multiplier);
            Currency product_sum;
            Currency& running =
                step.total_per_article ? article_total : product_sum;
            const Currency before = running;
            double quantidades = 0;
            // Each step of the sum is rounded to four places, as it is
            // stored.
            for (const double quantidade : lines) {
              running = Currency::FromDouble(running.ToDouble() +
                                             multiplier * quantidade);
              quantidades += quantidade;
            }
            if (!step.total_per_article) {
              AddToComponent(rsProd, code, product_sum);
            }
            run.observer.ProductLine(
                code, step.pass,
                {product, versao, multiplier, quantidades, running - before});
          }
        }
        if (run.lines) run.lines->Yield();
      }
      if (step.total_per_article && article_total != Currency()) {
        AddToComponent(rsProd, code, article_total);
      }
    });
  }
}

void ReplenishmentCalculator::AtualizaFinalV2(const StepContext& run,
                                              Recordset& rsfinal,
                                              Recordset& rsProd,
                                              int16_t pass) const {
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      if (run.lines) run.lines->StepLine(code, rsfinal);

      Currency cli = NumberOf(rsfinal, "Cli");
      rsProd.SetFilter("");
      rsProd.SetFilter(sql::ArticleFilter(code));
      if (!rsProd.Eof()) {
        const Currency quant = NumberOf(rsProd, "Quant");
        DemandMerge merge;
        merge.pass = pass == 0 ? DemandPass::kCustomerOrders
                               : DemandPass::kProductionOrders;
        merge.products = quant;
        merge.cli_before = cli;
        if (pass == 0) {
          cli = cli + quant;
          rsfinal.Set("Cli", cli);
          rsfinal.Set("Origem", "C");
        } else if (quant > cli) {
          cli = quant;
          rsfinal.Set("Cli", cli);
          rsfinal.Set("Origem", "O");
          merge.replaced = true;
        }
        merge.cli_after = cli;
        run.observer.Merged(code, merge);
      }

      const Currency stk_minimo = NumberOf(rsfinal, "StkMinimo");
      const Currency dias = NumberOf(rsfinal, "Dias");
      const Currency n = NumberOf(rsfinal, "StkPrazo") - cli;
      // The purchase-unit quantity of `qtd_ub`: through FactEmb when the
      // units are converted.
      FinalStep step;
      auto in_purchase_unit = [&](Currency qtd_ub) {
        const Currency qtd_uc = InPurchaseUnit(rsfinal, qtd_ub);
        if (Units::Converted(rsfinal.Get("UnBase"), rsfinal.Get("UnCmp"))) {
          step.converted = true;
          step.fact_emb = NumberOf(rsfinal, "FactEmb");
        }
        return qtd_uc;
      };

      Currency qtd_ub, qtd_uc, stk_apos, tempo;
      step.stk_prazo = NumberOf(rsfinal, "StkPrazo");
      step.cli = cli;
      step.n = n;
      step.stk_minimo = stk_minimo;
      step.dias = dias;
      if (n >= stk_minimo) {
        step.branch = FinalBranch::kNoOrder;
        stk_apos = n;
        // Days x (n / minimum): a product of doubles is the same either
        // way round.
        tempo = StockCover::Days(n, stk_minimo, dias);
      } else {
        const Currency s = stk_minimo - n;
        const Currency qtd_min_apr = NumberOf(rsfinal, "QtdMinApr");
        step.s = s;
        step.qtd_min_apr = qtd_min_apr;
        if (s >= qtd_min_apr) {
          step.branch = FinalBranch::kShortfall;
          qtd_ub = s;
          qtd_uc = in_purchase_unit(qtd_ub);
          stk_apos = stk_minimo;
          tempo = dias;
        } else {
          step.branch = FinalBranch::kMinimumPurchase;
          qtd_ub = qtd_min_apr;
          qtd_uc = in_purchase_unit(qtd_ub);
          stk_apos = n + qtd_ub;
          tempo = StockCover::Days(stk_apos, stk_minimo, dias);
        }
      }
      rsfinal.Set("QtdUB", qtd_ub);
      rsfinal.Set("QtdUC", qtd_uc);
      rsfinal.Set("Tempo", tempo);
      rsfinal.Set("StkApos", stk_apos);
      rsfinal.Set("OriginalUB", qtd_ub);
      rsfinal.Set("OriginalUC", qtd_uc);
      rsfinal.Update();
      step.qtd_ub = qtd_ub;
      step.qtd_uc = qtd_uc;
      step.stk_apos = stk_apos;
      step.tempo = tempo;
      run.observer.Final(code, step);
    });
  }
}

void ReplenishmentCalculator::MarcaCores(Recordset& rsfinal) {
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      const Currency cli = NumberOf(rsfinal, "Cli");
      const Currency stk_prazo = NumberOf(rsfinal, "StkPrazo");
      const Currency qtd_ub = NumberOf(rsfinal, "QtdUB");
      rsfinal.Set("Cor", cli > stk_prazo ? 1 : 0);
      rsfinal.Set("CorV", cli <= stk_prazo && qtd_ub > Currency() ? 1 : 0);
      rsfinal.Update();
    });
  }
}

Currency ReplenishmentCalculator::StockAtLeadTime(Currency stk_real,
                                                  Currency encf) {
  return (stk_real + encf).RoundTo2();
}

Currency ReplenishmentCalculator::InPurchaseUnit(const Recordset& rsfinal,
                                                 Currency qtd_ub) {
  if (!Units::Converted(rsfinal.Get("UnBase"), rsfinal.Get("UnCmp"))) {
    return qtd_ub;
  }
  const Currency fact = NumberOf(rsfinal, "FactEmb");
  if (fact == Currency()) return Currency();
  return Currency::FromDouble(qtd_ub.ToDouble() / fact.ToDouble());
}

}  // namespace vor

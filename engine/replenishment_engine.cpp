#include "engine/replenishment_engine.h"

#include <exception>
#include <string_view>
#include <utility>
#include <vector>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/text_util.h"
#include "engine/bulk_reader.h"
#include "engine/cutoff_date.h"
#include "engine/messages.h"
#include "engine/sql_texts.h"
#include "engine/structure_exploder.h"
#include "engine/working_table.h"
#include "output/batch_writer.h"
#include "output/result_writer.h"

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

// Whether two unit texts name the same unit: letters compared without
// regard to case, accented ones included.
bool SameUnit(const std::string& a, const std::string& b) {
  std::string fa;
  std::string fb;
  FoldCase(a, &fa);
  FoldCase(b, &fb);
  return fa == fb;
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

// Configures an exploder as both demand steps use it.
void Configure(StructureExploder& ex, ErpReader& reader,
               const std::string& mode, bool memory) {
  ex.SetMemory(memory);
  ex.SetReader(reader);
  ex.SetMode(mode);
  ex.SetOption(0);
}

}  // namespace

ReplenishmentEngine::ReplenishmentEngine(Connection& connection,
                                         cl_log& run_log, Progress& progress,
                                         std::string component_mode,
                                         LocalClock clock)
    : connection_(connection),
      literal_reader_(connection),
      run_log_(run_log),
      progress_(progress),
      component_mode_(std::move(component_mode)),
      clock_(std::move(clock)) {}

// Codes read from the ERP reach these lines: their control bytes (a NUL)
// are escaped, so the log file never holds one raw.
void ReplenishmentEngine::Log(const std::string& text) {
  if (!quiet_) run_log_.Escrever(EscapeControlBytes(text));
}

void ReplenishmentEngine::LogProgress(const std::string& text) {
  run_log_.EscreverProgresso(EscapeControlBytes(text));
}

void ReplenishmentEngine::Yield() {
  if (!quiet_) progress_.Yield();
}

void ReplenishmentEngine::Phase(const std::string& text) {
  if (quiet_) return;
  Log(text);
  progress_.AddLine(text);
}

void ReplenishmentEngine::StepLine(const std::string& code,
                                   const Recordset& rs) {
  if (quiet_) return;
  const int64_t total = rs.RecordCount();
  const int64_t position = rs.AbsolutePosition();
  const std::string line = ProgressLine(code, total, position);
  LogProgress(line);
  progress_.AddLine(line);
  progress_.Step(position, total);
}

bool ReplenishmentEngine::LerExistencias() {
  error_message_.clear();
  try {
    Run();
    return true;
  } catch (const std::exception&) {
    const Error e = UnhandledError(std::current_exception());
    return HandleError(e.number(), e.description());
  }
}

void ReplenishmentEngine::Run() {
  // The reader of this run; the steps go back to literal_reader_ after it.
  std::unique_ptr<BulkReader> bulk;
  if (reading_mode_ == ReadingMode::kBulk) {
    bulk = std::make_unique<BulkReader>(connection_);
  }
  struct ReaderScope {
    ErpReader*& slot;
    ErpReader* previous;
    ~ReaderScope() { slot = previous; }
  } scope{reader_, reader_};
  if (bulk) reader_ = bulk.get();

  const std::string sData = DataLimiteEncomendas(clock_());
  Recordset rsArtigos;
  reader_->Articles(rsArtigos);
  Recordset rsfinal = Compute(rsArtigos, sData);
  Log("Grava Tabela Final");
  if (reading_mode_ == ReadingMode::kBulk) {
    GravaTabelaEmLotes(connection_, rsfinal);
  } else {
    GravaTabela(connection_, rsfinal);
  }
}

Recordset ReplenishmentEngine::Compute(Recordset& rsArtigos,
                                       const std::string& sData) {
  Recordset rsfinal = CriaRsFinal();
  if (!rsArtigos.Eof()) {
    Recordset rsEncPre;
    reader_->CustomerOrderPreload(sData, rsEncPre);
    while (!rsArtigos.Eof()) {
      const std::string code = CodeOf(rsArtigos.Get("Artigo"));
      if (!quiet_) {
        const int64_t total = rsArtigos.RecordCount();
        const int64_t position = rsArtigos.AbsolutePosition();
        const std::string line = ProgressLine(code, total, position);
        progress_.AddLine(line);
        progress_.Step(position, total);
        LogProgress(line);
      }
      ForArticle(code, [&] { LerArtigo(rsArtigos, rsEncPre, rsfinal); });
      rsArtigos.MoveNext();
    }

    Recordset rsEncCli;
    LerEncomendasCliente(rsEncCli, sData);
    Recordset rsProd = CriaRsProd();
    Phase("Atualiza Enc Cli");
    AtualizaEncCli(rsEncCli, rsfinal, rsProd);
    Phase("Atualiza Final Enc Cli");
    AtualizaFinalV2(rsfinal, rsProd, 0);

    Recordset rsOp;
    LerOP(rsOp);
    rsProd = CriaRsProd();
    Phase("Procura Componentes OP");
    ProcuraComponentesOP(rsOp, rsfinal, rsProd);
    Phase("Atualiza Final OP");
    AtualizaFinalV2(rsfinal, rsProd, 1);

    MarcaCores(rsfinal);
  }
  return rsfinal;
}

ArticleExplanation ReplenishmentEngine::Explicar(const std::string& artigo) {
  ExplanationRecorder recorder(artigo);
  // The run's reader, observer and voice come back however this ends.
  struct Scope {
    ReplenishmentEngine& e;
    ErpReader* reader;
    ContributionObserver* observer;
    bool quiet;
    ~Scope() {
      e.reader_ = reader;
      e.observer_ = observer;
      e.quiet_ = quiet;
      // Asking ends the connection's read snapshot: an explanation must not
      // keep the ERP's writers waiting after it.
      try {
        e.connection_.WriteInProgress();
      } catch (const std::exception&) {
      }
    }
  } scope{*this, reader_, observer_, quiet_};
  reader_ = &literal_reader_;
  observer_ = &recorder;
  quiet_ = true;

  const std::string sData = DataLimiteEncomendas(clock_());
  Recordset rsArtigos;
  connection_.OpenRecordset("", sql::SingleArticleQuery(artigo), rsArtigos, -1,
                            0);
  Recordset rsfinal = Compute(rsArtigos, sData);
  ArticleExplanation explanation = recorder.Take();
  rsfinal.MoveFirst();
  if (!rsfinal.Eof()) {
    explanation.found = true;
    for (const FieldDef& field : WorkingTableFields()) {
      explanation.row.push_back(rsfinal.Get(field.name));
    }
  }
  return explanation;
}

bool ReplenishmentEngine::HandleError(long number,
                                      const std::string& description) {
  std::string message = EngineErrorMessage(number, description);
  try {
    if (connection_.WriteInProgress()) connection_.AbandonWrite();
  } catch (const Error& e) {
    message += " (falha ao anular a escrita:" +
               EngineErrorMessage(e.number(), e.description()) + ")";
  } catch (const std::exception& e) {
    message += std::string(" (falha ao anular a escrita: ") + e.what() + ")";
  }
  error_message_ = message;
  try {
    run_log_.Escrever(message);
  } catch (const Error& e) {
    run_log_.Fechar();
    const std::string log =
        run_log_.path().empty() ? std::string("(não aberto)") : run_log_.path();
    throw Error(errnum::kFileError, "Não foi possível escrever no registo " +
                                        log + " (" + e.description() +
                                        "); erro do motor:" + message);
  }
  run_log_.Fechar();
  return false;
}

void ReplenishmentEngine::LerArtigo(Recordset& rsArtigos, Recordset& rsEncPre,
                                    Recordset& rsfinal) {
  const Recordset& art = rsArtigos;
  const std::string code = CodeOf(art.Get("Artigo"));

  Currency cTotalJuntos;
  LerAglutinados(cTotalJuntos, CodeOf(art.Get("Livre")), code);

  Currency encf;
  if (const std::optional<Value> qtd = reader_->SupplierOrderQuantity(code)) {
    encf = NumberOf(*qtd, "Qtd");
  }
  observer_->SupplierOrders(code, encf);

  Currency cli;
  rsEncPre.SetFilter("");
  if (rsEncPre.RecordCount() > 0) {
    rsEncPre.SetFilter(sql::ArticleFilter(code));
    if (!rsEncPre.Eof()) cli = NumberOf(rsEncPre, "QtdEnc");
  }
  observer_->OwnCustomerOrders(code, cli);

  const Currency own_stock = NumberOf(art, "StDisp");
  observer_->OwnStock(code, own_stock);
  const Currency stk_real = own_stock + cTotalJuntos;

  rsfinal.AddNew();
  rsfinal.Set("Artigo", art.Get("Artigo"));
  rsfinal.Set("Nome", art.Get("Nome"));
  rsfinal.Set("StkMinimo", art.Get("StMin"));
  rsfinal.Set("QtdMinApr", art.Get("QtMinCom"));
  rsfinal.Set("StkReal", stk_real);
  rsfinal.Set("EncF", encf);
  rsfinal.Set(
      "StkPrazo",
      (NumberOf(rsfinal, "StkReal") + NumberOf(rsfinal, "EncF")).RoundTo2());
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

  // Purchase price: the supplier's next price when the purchase unit is not
  // the base unit (letters compared without regard to case; a unit without
  // value counts as the same), otherwise the article's own last price.
  const Value& un_base = art.Get("UnBase");
  const Value& un_cmp = art.Get("UnCmp");
  const bool units_differ = !un_base.is_null() && !un_cmp.is_null() &&
                            !SameUnit(un_base.ToText(), un_cmp.ToText());
  if (units_differ) {
    const std::optional<SupplierPriceRow> price =
        reader_->SupplierPrice(code, CodeOf(art.Get("Fornec")));
    if (price) {
      const std::string of_article = " (artigo " + code + ")";
      rsfinal.Set(
          "UltPrCom",
          TransformaEmCurrency(price->prprox, "no campo PrProx" + of_article));
      rsfinal.Set("Desconto",
                  TransformaEmCurrency(price->descprox,
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

void ReplenishmentEngine::LerAglutinados(Currency& cTotalJuntos,
                                         const std::string& sLivre,
                                         const std::string& sArtigo) {
  if (sLivre.empty()) return;
  std::string own;
  FoldCase(sArtigo, &own);
  std::string folded;
  bool skipped_own = false;
  size_t start = 0;
  while (true) {
    const size_t end = sLivre.find(';', start);
    const std::string piece = sLivre.substr(
        start, end == std::string::npos ? std::string::npos : end - start);
    FoldCase(piece, &folded);
    if (!sArtigo.empty() && folded == own) {
      skipped_own = true;
      observer_->AggregatedStock(sArtigo, piece, AggregatedOutcome::kOwnCode,
                                 Currency());
    } else if (const std::optional<Value> stock =
                   reader_->AggregatedStock(piece)) {
      Currency amount;
      try {
        amount = NumberOf(*stock, "StDisp");
      } catch (const Error& e) {
        throw Error(e.number(),
                    e.description() + " do artigo aglutinado " + piece);
      }
      cTotalJuntos += amount;
      observer_->AggregatedStock(sArtigo, piece, AggregatedOutcome::kCounted,
                                 amount);
    } else {
      observer_->AggregatedStock(sArtigo, piece, AggregatedOutcome::kNoArticle,
                                 Currency());
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (skipped_own) {
    Log("Artigo " + sArtigo +
        ": o próprio artigo na lista de artigos aglutinados não foi contado");
  }
}

Currency ReplenishmentEngine::TransformaEmCurrency(const Value& valor,
                                                   const std::string& where) {
  if (valor.is_null() || !valor.IsNumeric()) return Currency();
  try {
    return valor.ToCurrency();
  } catch (const Error& e) {
    if (quiet_) return Currency();
    if (where.empty()) {
      progress_.ReportConversionError(e);
    } else {
      progress_.ReportConversionError(
          Error(e.number(), e.description() + " " + where));
    }
    return Currency();
  }
}

void ReplenishmentEngine::LerEncomendasCliente(Recordset& rsResult,
                                               const std::string& sData) {
  reader_->CustomerOrders(sData, rsResult);
}

void ReplenishmentEngine::AtualizaEncCli(Recordset& rsEncCli,
                                         Recordset& rsfinal,
                                         Recordset& rsProd) {
  StructureExploder exploder;
  Configure(exploder, *reader_, component_mode_, exploder_memory_);
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      StepLine(code, rsfinal);
      for (const ProductRow& row : reader_->CustomerProducts(code)) {
        const std::string product = CodeOf(row.artigo);
        const std::string versao = CodeOf(row.versao);
        rsEncCli.SetFilter("");
        rsEncCli.SetFilter(sql::CustomerOrderFilter(product, versao));
        if (!rsEncCli.Eof()) {
          // The explosion's AT lines of the article: the rows the filter
          // "Codigo='<code>' and Tipo='AT'" passes on its table.
          const std::vector<double> lines =
              exploder.ArticleLines(product, versao, code);
          if (!lines.empty()) {
            Currency sum;
            double quantidades = 0;
            const double qtd_enc = NumberOf(rsEncCli, "QtdEnc").ToDouble();
            for (const double quantidade : lines) {
              sum = Currency::FromDouble(sum.ToDouble() + qtd_enc * quantidade);
              quantidades += quantidade;
            }
            AddToComponent(rsProd, code, sum);
            observer_->ProductLine(
                code, DemandPass::kCustomerOrders,
                {product, versao, qtd_enc, quantidades, sum});
          }
        }
        Yield();
      }
    });
  }
}

void ReplenishmentEngine::LerOP(Recordset& rsOp) {
  reader_->ProductionOrders(rsOp);
}

void ReplenishmentEngine::ProcuraComponentesOP(Recordset& rsOp,
                                               Recordset& rsfinal,
                                               Recordset& rsProd) {
  StructureExploder exploder;
  Configure(exploder, *reader_, component_mode_, exploder_memory_);
  rsfinal.MoveFirst();
  while (!rsfinal.Eof()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      StepLine(code, rsfinal);
      Currency total;
      for (const ProductRow& row : reader_->ProductionProducts(code)) {
        const std::string product = CodeOf(row.artigo);
        const std::string versao = CodeOf(row.versao);
        rsOp.SetFilter("");
        rsOp.SetFilter(sql::ProductionOrderFilter(product, versao));
        if (!rsOp.Eof()) {
          const std::vector<double> lines =
              exploder.ArticleLines(product, versao, code);
          if (!lines.empty()) {
            const double quant = DoubleOf(rsOp, "Quant");
            const Currency before = total;
            double quantidades = 0;
            for (const double quantidade : lines) {
              total =
                  Currency::FromDouble(total.ToDouble() + quant * quantidade);
              quantidades += quantidade;
            }
            observer_->ProductLine(
                code, DemandPass::kProductionOrders,
                {product, versao, quant, quantidades, total - before});
          }
        }
        Yield();
      }
      rsfinal.MoveNext();
      if (total != Currency()) AddToComponent(rsProd, code, total);
    });
  }
}

void ReplenishmentEngine::AtualizaFinalV2(Recordset& rsfinal, Recordset& rsProd,
                                          int16_t pass) {
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    const std::string code = CodeOf(rsfinal.Get("Artigo"));
    ForArticle(code, [&] {
      StepLine(code, rsfinal);

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
        observer_->Merged(code, merge);
      }

      const Currency stk_minimo = NumberOf(rsfinal, "StkMinimo");
      const Currency dias = NumberOf(rsfinal, "Dias");
      const Currency n = NumberOf(rsfinal, "StkPrazo") - cli;
      const bool no_time = dias == Currency() || stk_minimo == Currency();
      // The purchase-unit quantity of `qtd_ub`: through FactEmb when the
      // units differ (exact text; a unit without value counts as the same).
      FinalStep step;
      auto in_purchase_unit = [&](Currency qtd_ub) {
        const Value& un_base = rsfinal.Get("UnBase");
        const Value& un_cmp = rsfinal.Get("UnCmp");
        if (un_base.is_null() || un_cmp.is_null() ||
            un_base.ToText() == un_cmp.ToText()) {
          return qtd_ub;
        }
        const Currency fact = NumberOf(rsfinal, "FactEmb");
        step.converted = true;
        step.fact_emb = fact;
        if (fact == Currency()) return Currency();
        return Currency::FromDouble(qtd_ub.ToDouble() / fact.ToDouble());
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
        if (!no_time) {
          tempo = Currency::FromDouble(dias.ToDouble() *
                                       (n.ToDouble() / stk_minimo.ToDouble()));
        }
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
          if (!no_time) {
            tempo = Currency::FromDouble(
                (stk_apos.ToDouble() / stk_minimo.ToDouble()) *
                dias.ToDouble());
          }
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
      observer_->Final(code, step);
    });
  }
}

void ReplenishmentEngine::MarcaCores(Recordset& rsfinal) {
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

}  // namespace vor

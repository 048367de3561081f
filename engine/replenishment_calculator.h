// ReplenishmentCalculator: the steps of the replenishment run, from the rows
// of the article query to the colour marks of the working table. It keeps
// only its settings (the bill-of-materials mode and whether the exploder
// remembers structures); where each step gets its answers (ErpReader), who
// is told what it counts (ContributionObserver) and where its lines go
// (StepLines, or nowhere) come with every call in a StepContext. The full
// run (ReplenishmentEngine::LerExistencias) and the explanation of one
// article (ExplainArticle) are its two drivers, each with its own context.
//
//   ReplenishmentCalculator calculator("B");
//   LiteralReader reader(connection);
//   ContributionObserver nobody;
//   StepLines lines(run_log, progress);
//   Recordset rsfinal =
//       calculator.Compute({reader, nobody, &lines}, std::move(rsArtigos),
//                          sData);
#ifndef VOR_ENGINE_REPLENISHMENT_CALCULATOR_H_
#define VOR_ENGINE_REPLENISHMENT_CALCULATOR_H_

#include <cstdint>
#include <string>

#include "core/currency.h"
#include "core/recordset.h"
#include "core/value.h"
#include "engine/contributions.h"
#include "engine/erp_reader.h"
#include "engine/step_lines.h"

namespace vor {

// What one computation works with; all three must outlive the call.
struct StepContext {
  ErpReader& reader;
  ContributionObserver& observer;
  // The run's lines and yields; null: none (see StepLines).
  StepLines* lines = nullptr;
};

class ReplenishmentCalculator {
 public:
  // `component_mode` is the bill-of-materials mode letter ("B");
  // `exploder_memory` whether the exploder of each demand step remembers
  // the structures it has loaded (the results are the same).
  explicit ReplenishmentCalculator(std::string component_mode,
                                   bool exploder_memory = true);

  // The working table of the articles of `rsArtigos` (the article query's
  // rows, from its cursor on), for the customer-order cut-off date `sData`:
  // each article taken in with its progress line, then customer-order
  // demand and its final quantities, production-order demand and its final
  // quantities, with their phase messages, and the colour marks. When
  // `rsArtigos` has no row left, the empty working table, and nothing is
  // read or said. The article query's rows are let go once every article
  // is taken in, and the reader is told so (ErpReader::IntakeDone).
  Recordset Compute(const StepContext& run, Recordset rsArtigos,
                    const std::string& sData) const;

  // The steps, as Compute calls them. None handles errors: each raises
  // vor::Error, the per-article ones with " (artigo <code>)" appended to the
  // description.

  // Takes in the current row of the article query `rsArtigos`: aggregated
  // stock, open supplier orders, own open customer orders (looked up in the
  // preload `rsEncPre` by Filter) and the purchase price, appended as one
  // new row of `rsfinal`. Raises Error 94 naming article and field when
  // StDisp is null.
  void LerArtigo(const StepContext& run, Recordset& rsArtigos,
                 Recordset& rsEncPre, Recordset& rsfinal) const;
  // Adds to `cTotalJuntos` the available stock of every code of `sLivre`
  // (codes separated by ";", not trimmed, empty pieces queried too; one
  // query per piece; a code listed twice counts twice; any number of
  // codes). Nothing when `sLivre` is empty. A piece that is the article
  // `sArtigo` itself (SameCode) is skipped: its stock is already the
  // article's own, and counting it again would hide a shortage. The run
  // log then gets one line naming the article.
  void LerAglutinados(const StepContext& run, Currency& cTotalJuntos,
                      const std::string& sLivre,
                      const std::string& sArtigo = "") const;
  // A database value as fixed-point: null and non-numeric values give 0; a
  // number outside the range is reported through
  // StepLines::ReportConversionError (with `where`, e.g. "no campo PrProx
  // (artigo A1)", added to the description) and gives 0. Never raises.
  Currency TransformaEmCurrency(const StepContext& run, const Value& valor,
                                const std::string& where = "") const;
  // Customer-order explosion: for every row of `rsfinal`, the products that
  // list it with open orders (`rsEncCli`) of their chosen structure are
  // exploded, and QtdEnc x Quantidade of the article's AT lines is added to
  // its `rsProd` row, once per product. Yields after each product.
  void AtualizaEncCli(const StepContext& run, Recordset& rsEncCli,
                      Recordset& rsfinal, Recordset& rsProd) const;
  // Production-order explosion: as AtualizaEncCli, with the production
  // order's Quant (`rsOp`) as multiplier, one total per article, written to
  // `rsProd` only when it is not 0. Yields after each product.
  void ProcuraComponentesOP(const StepContext& run, Recordset& rsOp,
                            Recordset& rsfinal, Recordset& rsProd) const;
  // Final quantities of every row of `rsfinal`: merges `rsProd` into Cli
  // (pass 0: adds, Origem "C"; another pass: raises Cli to a larger Quant,
  // Origem "O"), then recomputes QtdUB, QtdUC, StkApos, Tempo, OriginalUB,
  // OriginalUC. Raises Error 94 naming article and field when a value the
  // arithmetic needs is null, Error 6 naming the article on overflow.
  void AtualizaFinalV2(const StepContext& run, Recordset& rsfinal,
                       Recordset& rsProd, int16_t pass) const;
  // The colour marks of every row: Cor = 1 when Cli > StkPrazo, CorV = 1
  // when Cli <= StkPrazo and QtdUB > 0; 0 otherwise.
  static void MarcaCores(Recordset& rsfinal);

  // The stock at lead time (StkPrazo) of an article with `stk_real` in
  // stock and `encf` on open supplier orders: their sum rounded to two
  // places.
  static Currency StockAtLeadTime(Currency stk_real, Currency encf);
  // `qtd_ub`, a quantity in the base unit of the current row of `rsfinal`,
  // in its purchase unit: divided by FactEmb (rounded to four places) when
  // the units are converted (Units::Converted), 0 when FactEmb is 0, else
  // as it is. Raises Error 94 naming FactEmb when it is null and needed.
  static Currency InPurchaseUnit(const Recordset& rsfinal, Currency qtd_ub);

 private:
  struct DemandStep;
  // The loop both demand steps share (see DemandStep).
  void ExplodeDemand(const StepContext& run, const DemandStep& step,
                     Recordset& orders, Recordset& rsfinal,
                     Recordset& rsProd) const;

  std::string component_mode_;
  bool exploder_memory_;
};

}  // namespace vor

#endif  // VOR_ENGINE_REPLENISHMENT_CALCULATOR_H_

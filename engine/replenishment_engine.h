// ReplenishmentEngine: the replenishment run, from reading the articles to
// rewriting the result table. LerExistencias is its single entry point; the
// steps are public so that tests can drive each one on its own tables.
// The engine reaches the database only through Connection and the window
// only through Progress.
//
// Typical use (one engine per run, the run log already open):
//   ReplenishmentEngine engine(connection, run_log, progress, "B");
//   if (!engine.LerExistencias()) return 1;  // the error is in the log
#ifndef VOR_ENGINE_REPLENISHMENT_ENGINE_H_
#define VOR_ENGINE_REPLENISHMENT_ENGINE_H_

#include <cstdint>
#include <string>

#include "core/clock.h"
#include "core/currency.h"
#include "core/recordset.h"
#include "db/connection.h"
#include "engine/progress.h"
#include "log/cl_log.h"

namespace vor {

class ReplenishmentEngine {
 public:
  // `component_mode` is the bill-of-materials mode letter ("B"). The
  // connection, the log and the progress sink must outlive the engine.
  ReplenishmentEngine(Connection& connection, cl_log& run_log,
                      Progress& progress, std::string component_mode,
                      LocalClock clock = SystemLocalClock());

  // The whole run: cut-off date, article intake, customer-order and
  // production-order demand, final quantities, colour marks, result table.
  // Returns true when it completed. Every error of the run ends in one
  // handler: it abandons an open write (adding the abandon's own failure,
  // if any, to the message), writes the composed message (" 3604 -
  // description", see EngineErrorMessage) to the run log and closes the log;
  // the function then returns false and error_message() holds that message.
  // The caller ends the program (exit code 1). When the handler cannot write
  // the log (it never opened), LerExistencias closes it and raises Error 75
  // whose description names the log and holds the original message; the
  // caller reports that on standard error (exit code 2). Any other
  // std::exception is numbered and described as UnhandledError does.
  bool LerExistencias();
  const std::string& error_message() const { return error_message_; }

  // Whether the bill-of-materials exploder of each demand step remembers
  // the structures it has loaded (default true). The results are the same.
  void set_exploder_memory(bool enabled) { exploder_memory_ = enabled; }

  // The steps, as the driver calls them. None handles errors: each raises
  // vor::Error, the per-article ones with " (artigo <code>)" appended to the
  // description. Every progress line also calls Progress::Step(position,
  // total).

  // Takes in the current row of the article query `rsArtigos`: aggregated
  // stock, open supplier orders, own open customer orders (looked up in the
  // preload `rsEncPre` by Filter) and the purchase price, appended as one
  // new row of `rsfinal`. Raises Error 94 naming article and field when
  // StDisp is null.
  void LerArtigo(Recordset& rsArtigos, Recordset& rsEncPre, Recordset& rsfinal);
  // Adds to `cTotalJuntos` the available stock of every code of `sLivre`
  // (codes separated by ";", not trimmed, empty pieces queried too; one
  // query per piece; a code listed twice counts twice; any number of
  // codes). Nothing when `sLivre` is empty. A piece that is the article
  // `sArtigo` itself (letters in any case) is skipped: its stock is already
  // the article's own, and counting it again would hide a shortage. The run
  // log then gets one line naming the article.
  void LerAglutinados(Currency& cTotalJuntos, const std::string& sLivre,
                      const std::string& sArtigo = "");
  // A database value as fixed-point: null and non-numeric values give 0; a
  // number outside the range is reported through
  // Progress::ReportConversionError (with `where`, e.g. "no campo PrProx
  // (artigo A1)", added to the description) and gives 0. Never raises.
  Currency TransformaEmCurrency(const Value& valor,
                                const std::string& where = "");
  // `rsResult` receives the open customer-order quantity per product of
  // extension type 0 or 2 and base structure, dated on or after `sData`.
  void LerEncomendasCliente(Recordset& rsResult, const std::string& sData);
  // Customer-order explosion: for every row of `rsfinal`, the products that
  // list it with open orders of their chosen structure are exploded and
  // QtdEnc x Quantidade of the article's AT lines is added to its `rsProd`
  // row (one update per product). Yields after each product.
  void AtualizaEncCli(Recordset& rsEncCli, Recordset& rsfinal,
                      Recordset& rsProd);
  // `rsOp` receives the open production orders (state below 3) per product
  // and structure, with their remaining quantity Quant.
  void LerOP(Recordset& rsOp);
  // Production-order explosion: as AtualizaEncCli, with the production
  // order's Quant as multiplier, one total per article, written to `rsProd`
  // only when it is not 0. Yields after each product.
  void ProcuraComponentesOP(Recordset& rsOp, Recordset& rsfinal,
                            Recordset& rsProd);
  // Final quantities of every row of `rsfinal`: merges `rsProd` into Cli
  // (pass 0: adds, Origem "C"; another pass: raises Cli to a larger Quant,
  // Origem "O"), then recomputes QtdUB, QtdUC, StkApos, Tempo, OriginalUB,
  // OriginalUC. Raises Error 94 naming article and field when a value the
  // arithmetic needs is null, Error 6 naming the article on overflow.
  void AtualizaFinalV2(Recordset& rsfinal, Recordset& rsProd, int16_t pass);
  // The colour marks of every row: Cor = 1 when Cli > StkPrazo, CorV = 1
  // when Cli <= StkPrazo and QtdUB > 0; 0 otherwise.
  void MarcaCores(Recordset& rsfinal);

 private:
  void Log(const std::string& text);
  // Phase message: the run log first, then the list.
  void Phase(const std::string& text);
  // Progress line of a step walking `rs`: the log first, then the list.
  void StepLine(const std::string& code, const Recordset& rs);
  // The driver's body, without its handler.
  void Run();
  // The handler: composes and logs the message; false, or raises Error 75.
  bool HandleError(long number, const std::string& description);

  Connection& connection_;
  cl_log& run_log_;
  Progress& progress_;
  std::string component_mode_;
  LocalClock clock_;
  std::string error_message_;
  bool exploder_memory_ = true;
};

}  // namespace vor

#endif  // VOR_ENGINE_REPLENISHMENT_ENGINE_H_

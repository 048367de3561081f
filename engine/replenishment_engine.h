// ReplenishmentEngine: the replenishment run as the synchronisation starts
// it, from reading the articles to rewriting the result table, with its run
// log, its progress and its error handler. The steps themselves are
// ReplenishmentCalculator's; the explanation of one article
// (ExplainArticle) drives the same steps without log, progress or writing.
// The engine reaches the database only through Connection and the window
// only through Progress.
//
// Typical use (one engine per run, the run log already open):
//   ReplenishmentEngine engine(connection, run_log, progress, "B");
//   if (!engine.LerExistencias()) return 1;  // the error is in the log
#ifndef VOR_ENGINE_REPLENISHMENT_ENGINE_H_
#define VOR_ENGINE_REPLENISHMENT_ENGINE_H_

#include <functional>
#include <string>
#include <utility>

#include "core/clock.h"
#include "core/recordset.h"
#include "db/connection.h"
#include "engine/progress.h"
#include "log/cl_log.h"
#include "output/history_writer.h"
#include "settings/reading_mode.h"

namespace vor {

class ReplenishmentEngine {
 public:
  // `component_mode` is the bill-of-materials mode letter ("B"). The
  // connection, the log and the progress sink must outlive the engine.
  ReplenishmentEngine(Connection& connection, cl_log& run_log,
                      Progress& progress, std::string component_mode,
                      LocalClock clock = SystemLocalClock());
  ReplenishmentEngine(const ReplenishmentEngine&) = delete;
  ReplenishmentEngine& operator=(const ReplenishmentEngine&) = delete;

  // The whole run: cut-off date, article intake, customer-order and
  // production-order demand, final quantities, colour marks, result table.
  // Returns true when it completed. Every error of the run ends in one
  // handler: it ends the connection's read snapshot, abandons an open write
  // (adding the abandon's own failure, if any, to the message), writes the
  // composed message (" 3604 - description", see EngineErrorMessage) to the
  // run log and closes the log; the function then returns false and
  // error_message() holds that message. The caller ends the program (exit
  // code 1). When the handler cannot write the log (it never opened),
  // LerExistencias closes it and raises Error 75 whose description names
  // the log and holds the original message; the caller reports that on
  // standard error (exit code 2). Any other std::exception is numbered and
  // described as UnhandledError does.
  bool LerExistencias();
  const std::string& error_message() const { return error_message_; }

  // After LerExistencias completed: the working table it wrote into the
  // result table (the 32 result columns among others, the rows the writer
  // walked, its filter kept), handed over once so that the report needs
  // not read the table back. Empty (no fields) after a failed run, before
  // a run and once taken.
  Recordset TakeResult() { return std::move(result_); }

  // How LerExistencias reads the ERP and writes the result (default
  // kLiteral: every query as built, one insert per row; kBulk: BulkReader's
  // set-based statements and multi-row inserts). The steps, their lines and
  // the proposal are the same either way.
  void set_reading_mode(ReadingMode mode) { reading_mode_ = mode; }

  // Whether the bill-of-materials exploder of each demand step remembers
  // the structures it has loaded (default true). The results are the same.
  void set_exploder_memory(bool enabled) { exploder_memory_ = enabled; }

  // Whether and how long the run keeps its proposal in zlx_VOR_Historico
  // (HistoryWriter; default: no history). Its lines for the log are
  // written before "Grava Tabela Final".
  void set_history(HistorySetting setting) { history_ = std::move(setting); }

  // Runs `hook` once the working table is computed, before the history is
  // prepared and the result table written, with the rows the writer is
  // about to walk (their filter kept). The hook may walk them (the writer
  // starts again from the first row) but must not change them nor keep a
  // reference, and must not raise; no read snapshot nor write is open then,
  // so it may read the database. Default: none.
  void set_before_write(std::function<void(Recordset& computed)> hook) {
    before_write_ = std::move(hook);
  }

 private:
  // The run, without its handler.
  void Run();
  // The handler: composes and logs the message; false, or raises Error 75.
  bool HandleError(long number, const std::string& description);

  Connection& connection_;
  ReadingMode reading_mode_ = ReadingMode::kLiteral;
  cl_log& run_log_;
  Progress& progress_;
  std::string component_mode_;
  LocalClock clock_;
  std::string error_message_;
  bool exploder_memory_ = true;
  HistorySetting history_{.keep_days = 0, .set_in_file = false};
  std::function<void(Recordset&)> before_write_;
  Recordset result_;
};

}  // namespace vor

#endif  // VOR_ENGINE_REPLENISHMENT_ENGINE_H_

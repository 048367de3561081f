#include "engine/replenishment_engine.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/recordset.h"
#include "db/read_snapshot.h"
#include "engine/bulk_reader.h"
#include "engine/contributions.h"
#include "engine/cutoff_date.h"
#include "engine/literal_reader.h"
#include "engine/messages.h"
#include "engine/replenishment_calculator.h"
#include "engine/step_lines.h"
#include "output/batch_writer.h"
#include "output/result_writer.h"

namespace vor {

ReplenishmentEngine::ReplenishmentEngine(Connection& connection,
                                         cl_log& run_log, Progress& progress,
                                         std::string component_mode,
                                         LocalClock clock)
    : connection_(connection),
      run_log_(run_log),
      progress_(progress),
      component_mode_(std::move(component_mode)),
      clock_(std::move(clock)) {}

bool ReplenishmentEngine::LerExistencias() {
  error_message_.clear();
  result_ = Recordset();
  try {
    Run();
    return true;
  } catch (const std::exception&) {
    const Error e = UnhandledError(std::current_exception());
    return HandleError(e.number(), e.description());
  }
}

void ReplenishmentEngine::Run() {
  std::unique_ptr<ErpReader> reader;
  if (reading_mode_ == ReadingMode::kBulk) {
    reader = std::make_unique<BulkReader>(connection_);
  } else {
    reader = std::make_unique<LiteralReader>(connection_);
  }
  ContributionObserver nobody;
  StepLines lines(run_log_, progress_);
  const ReplenishmentCalculator calculator(component_mode_, exploder_memory_);

  const std::string sData = DataLimiteEncomendas(clock_());
  Recordset rsfinal;
  {
    // The reading phase shares one snapshot, renewed between articles and
    // steps: one shared lock for many small queries. It ends here, or when
    // an error leaves the scope, before the error is reported.
    ReadSnapshot reading(connection_);
    lines.RenewWhileReading(&reading);
    Recordset rsArtigos;
    reader->Articles(rsArtigos);
    rsfinal = calculator.Compute({*reader, nobody, &lines},
                                 std::move(rsArtigos), sData);
    lines.RenewWhileReading(nullptr);
  }
  // What was read is in the working table now: the articles went during
  // the computation, and the reader's sets go before the table is written.
  reader.reset();
  if (before_write_) before_write_(rsfinal);
  std::vector<std::string> notes;
  const std::optional<HistoryRun> history =
      HistoryWriter::Prepare(connection_, history_, clock_(), &notes);
  for (const std::string& note : notes) lines.Log(note);
  lines.Log("Grava Tabela Final");
  const HistoryRun* kept = history ? &*history : nullptr;
  if (reading_mode_ == ReadingMode::kBulk) {
    GravaTabelaEmLotes(connection_, rsfinal, kept);
  } else {
    GravaTabela(connection_, rsfinal, kept);
  }
  result_ = std::move(rsfinal);
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

}  // namespace vor

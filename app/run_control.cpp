#include "app/run_control.h"

#include <utility>

#include "core/error.h"
#include "engine/replenishment_engine.h"
#include "settings/parametros.h"

namespace vor {

namespace {

// Releases the run log when the run ends, whichever way it ends; the log
// object's destructor closes its file.
class RunLogScope {
 public:
  explicit RunLogScope(std::unique_ptr<cl_log>& slot) : slot_(slot) {}
  ~RunLogScope() { slot_.reset(); }
  RunLogScope(const RunLogScope&) = delete;
  RunLogScope& operator=(const RunLogScope&) = delete;

 private:
  std::unique_ptr<cl_log>& slot_;
};

}  // namespace

RunControl::RunControl(StartupState& state, LocalClock clock, RunReport report)
    : state_(state), clock_(std::move(clock)), report_(std::move(report)) {}

RunOutcome RunControl::Sincronizar(Progress& progress) {
  state_.Settings = SettingsRecord::Read(state_.SettingsFilePath);
  state_.Leitura = state_.Settings.motor.leitura;
  return Sincronizar(progress, state_.Settings);
}

RunOutcome RunControl::Sincronizar(Progress& progress,
                                   const SettingsRecord& settings) {
  state_.ProposalWritten = false;
  // A file that cannot be read or a value that refuses the run stops it
  // here, before the log or the database is written.
  settings.ThrowIfRefused();
  if (state_.ErpConnection == nullptr) {
    throw Error(errnum::kInvalidOperation,
                "Sincronizar: a ligação à base de dados não foi criada");
  }
  run_log_ = std::make_unique<cl_log>(clock_);
  RunLogScope scope(run_log_);
  cl_log& log = *run_log_;

  RunOutcome outcome;
  // A run whose log cannot be written would fail at its first progress
  // line anyway; stopping here keeps the database untouched and names the
  // log and the reason.
  Parametros parametros;
  parametros.set_FicheiroIni(state_.SettingsFilePath);
  parametros.Ler(settings);
  if (!log.Abrir(parametros.Log_Directoria(), state_.SettingsFilePath)) {
    // The log's own reason names the file or folder at fault already.
    std::string description = log.open_error();
    if (description.empty()) {
      description = "Não foi possível abrir o ficheiro de registo " +
                    (log.path().empty() ? std::string("(caminho desconhecido)")
                                        : log.path());
    }
    throw Error(errnum::kFileError, description);
  }
  outcome.log_path = log.path();
  const LocalTime started = clock_();
  // The values of the file replaced by their defaults, once, at the top.
  for (const std::string& notice : settings.Notices()) {
    progress.AddLine(notice);
    log.Escrever(notice);
  }

  ReplenishmentEngine engine(*state_.ErpConnection, log, progress,
                             state_.ComponentMode, clock_);
  engine.set_reading_mode(settings.motor.leitura);
  engine.set_history(settings.historico);
  // The report begun while the table is written; dropped (its work
  // stopped) when the run fails.
  std::unique_ptr<ReportInProgress> begun;
  if (report_.begin) {
    engine.set_before_write([&](Recordset& computed) {
      try {
        begun =
            report_.begin(settings, *state_.ErpConnection, started, computed);
      } catch (...) {
        begun.reset();  // the report after the run does it all
      }
    });
  }
  if (!engine.LerExistencias()) {
    begun.reset();
    outcome.error_message = engine.error_message();
    if (report_.failed) {
      const ReportOutcome alert =
          report_.failed(settings, outcome.error_message, outcome.log_path,
                         started, /*proposal_written=*/false);
      outcome.report_failures = alert.failures;
      // The handler closed the log; what the alert did follows the error
      // there.
      if ((!alert.delivered.empty() || !alert.failures.empty()) &&
          log.Reabrir()) {
        for (const std::string& line : alert.delivered) log.Escrever(line);
        for (const std::string& line : alert.failures) log.Escrever(line);
        log.Fechar();
      }
    }
    return outcome;
  }
  state_.ProposalWritten = true;
  if (report_.completed) {
    Recordset proposal = engine.TakeResult();
    const ReportOutcome report = report_.completed(
        settings, *state_.ErpConnection, started, &proposal, begun.get());
    begun.reset();
    outcome.report_failures = report.failures;
    for (const std::string& line : report.delivered) log.Escrever(line);
    for (const std::string& line : outcome.report_failures) {
      progress.AddLine(line);
      log.Escrever(line);
    }
  }
  progress.AddLine(kRunFinishedLine);
  log.Escrever(kRunFinishedLine);
  log.Fechar();
  outcome.completed = true;
  return outcome;
}

}  // namespace vor

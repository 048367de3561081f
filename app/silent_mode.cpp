#include "app/silent_mode.h"

#include "app/report_delivery.h"
#include "app/run_control.h"
#include "app/silent_progress.h"
#include "app/startup.h"
#include "core/control_bytes.h"
#include "core/error.h"

namespace vor {

namespace {

// The error stream is a terminal or a mail from the scheduler: plain line
// feeds read better there than the CR LF of the program's messages, and
// the text is valid UTF-8 with its other control bytes shown.
std::string WithLineFeeds(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return EscapeControlBytes(out, LineBreaks::kKept);
}

// RunSilent once the report is chosen; `state` is filled as start-up goes.
int RunSilentWith(StartupState& state, const std::string& command_line,
                  const std::string& application_folder,
                  const RunReport& report, std::ostream& err);

}  // namespace

int RunSilent(const std::string& command_line,
              const std::string& application_folder, std::ostream& err) {
  StartupState state;
  const RunReport report = MorningReportDelivery();
  try {
    return RunSilentWith(state, command_line, application_folder, report, err);
  } catch (const std::exception&) {
    // A start-up that failed once the settings file was found (the log
    // folder, [Motor] Leitura, ...) alerts the recipients too, when the
    // mail settings allow it; main reports the error itself.
    // The alert takes the settings as start-up read them; settings that
    // could not be read are the start-up error itself, and no alert can be
    // addressed.
    const Error error = UnhandledError(std::current_exception());
    const SettingsRecord& settings = state.Settings;
    const bool readable =
        !state.SettingsFilePath.empty() && settings.readable();
    if (readable && report.failed) {
      const ReportOutcome alert =
          report.failed(settings, FailureReport(error), "",
                        SystemLocalClock()(), state.ProposalWritten);
      for (const std::string& line : alert.failures) {
        err << WithLineFeeds(line) << '\n';
      }
      err.flush();
    }
    throw;
  }
}

namespace {

int RunSilentWith(StartupState& state, const std::string& command_line,
                  const std::string& application_folder,
                  const RunReport& report, std::ostream& err) {
  Arrancar(state, command_line, application_folder);
  const bool not_open =
      state.ErpConnection != nullptr && !state.ErpConnection->IsOpen();
  if (not_open) {
    err << "VORencomendas: "
        << WithLineFeeds(state.ErpConnection->OpenFailure()) << '\n';
    err.flush();
  }

  RunControl run(state, SystemLocalClock(), report);
  SilentProgress progress([&run] { return run.RunLog(); });
  // The run takes the settings start-up read: the file is read once.
  const RunOutcome outcome = run.Sincronizar(progress, state.Settings);
  if (outcome.completed && !outcome.report_failures.empty()) {
    err << "VORencomendas: a proposta foi calculada mas o relatório não foi "
           "entregue:\n";
    for (const std::string& line : outcome.report_failures) {
      err << WithLineFeeds(line) << '\n';
    }
    err << "(ver o registo " << outcome.log_path << ")\n";
    err.flush();
    return kExitNotDelivered;
  }
  if (outcome.completed) return kExitCompleted;
  std::string message = WithLineFeeds(outcome.error_message);
  // The run stopped at its first query on the database that did not open:
  // the failure and its cause are on the lines above already.
  if (not_open &&
      message.find(WithLineFeeds(state.ErpConnection->OpenFailure())) !=
          std::string::npos) {
    message = message.substr(0, message.find('\n')) + " (causa acima)";
  }
  err << "VORencomendas: a emissão terminou com erro:" << message
      << "\n(ver o registo " << outcome.log_path << ")\n";
  err.flush();
  return kExitEngineError;
}

}  // namespace

std::string FailureReport(const Error& error) {
  return "VORencomendas: Erro " + std::to_string(error.number()) + " - " +
         EscapeControlBytes(error.description(), LineBreaks::kKept);
}

}  // namespace vor

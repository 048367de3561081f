// RunControl: one synchronisation run (Sincronizar) over the start-up state:
// opens the day's run log, runs the replenishment engine, announces the end
// of the run in the progress list and the log, and closes the log. The
// window calls it inside its guarded run (disable, Sincronizar, enable); the
// silent run calls it once and ends the program with the outcome.
#ifndef VOR_APP_RUN_CONTROL_H_
#define VOR_APP_RUN_CONTROL_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "core/clock.h"
#include "core/recordset.h"
#include "db/connection.h"
#include "engine/progress.h"
#include "log/cl_log.h"
#include "proposal/morning_report.h"
#include "proposal/report_in_progress.h"
#include "settings/settings_record.h"

namespace vor {

// The last line of a completed run, in the progress list and the log.
inline constexpr char kRunFinishedLine[] = "Emissão Mapas terminada";

// How a run ended when it did not raise.
struct RunOutcome {
  // True when the engine completed and the closing line was written.
  bool completed = false;
  // When the engine's error handler ended the run: its message (as logged,
  // e.g. " 3604 - no such table: ..."). Empty after a completed run.
  std::string error_message;
  // The run log's file path.
  std::string log_path;
  // One line per delivery of the report (or of the alert) that failed, as
  // logged; empty when everything was delivered or nothing was asked for.
  std::vector<std::string> report_failures;
};

// What happens around the engine: the report of a completed run, begun
// while the table is written, and the alert of a failed one. Any may be
// left empty; none raises; all are given the settings as the run read them.
// `begin` runs once the engine has computed the proposal, before it writes
// the table, with the working table to be written (walked, not kept), and
// may read the database; what it begins goes to `completed`, or is dropped
// unfinished when the run fails. `completed` and `failed` return a line per
// delivery made and per delivery that failed (none when nothing is
// configured); `completed` is also given the working table the run wrote
// (ReplenishmentEngine::TakeResult), so that it needs not read it back.
struct RunReport {
  std::function<std::unique_ptr<ReportInProgress>(
      const SettingsRecord& settings, Connection& connection, LocalTime started,
      Recordset& computed)>
      begin;
  std::function<ReportOutcome(const SettingsRecord& settings,
                              Connection& connection, LocalTime started,
                              Recordset* proposal, ReportInProgress* begun)>
      completed;
  // `proposal_written`: the table already holds the run's proposal (the
  // error came after it was written).
  std::function<ReportOutcome(
      const SettingsRecord& settings, const std::string& error_message,
      const std::string& log_path, LocalTime started, bool proposal_written)>
      failed;
};

class RunControl {
 public:
  // `state` must outlive the object; its ErpConnection must be set.
  explicit RunControl(StartupState& state,
                      LocalClock clock = SystemLocalClock(),
                      RunReport report = {});
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // One run with `settings`, the settings file as read for this run (the
  // reading mode, the history, the log folder and the report come from
  // them). A file that could not be read or a value that refuses the run
  // raises (SettingsRecord::ThrowIfRefused) before anything is written. A
  // new run log is opened in
  // the folder of [Log] Directoria (the folder of SettingsFilePath when
  // empty); a log that cannot be opened raises Error 75 naming its path
  // before the database is used.
  // Then the engine runs with `progress`. When the engine completes, "Emissão
  // Mapas terminada" goes to the progress list, then to the log, and the log
  // is closed; when the engine's handler ended the run (it has logged the
  // error and closed the log) the outcome carries its message. Any other
  // error (writing the log, an error the handler could not log) propagates
  // as vor::Error; the log is closed all the same.
  //
  // The report: report.begin runs between the engine's computation and
  // its write (nothing it does is logged there); after a completed engine,
  // before the closing line, report.completed runs and each line it returns is
  // logged; after the handler ended the run, report.failed runs and its lines
  // are appended to the log the handler closed. The failed deliveries land in
  // report_failures.
  RunOutcome Sincronizar(Progress& progress, const SettingsRecord& settings);
  // As above, reading SettingsFilePath first into the state's Settings (and
  // Leitura), so that a run from the window, and what the window shows
  // after it, use the settings as saved when the run started.
  RunOutcome Sincronizar(Progress& progress);

  // The run log of the run in progress; nullptr outside a run.
  cl_log* RunLog() const { return run_log_.get(); }

 private:
  StartupState& state_;
  LocalClock clock_;
  RunReport report_;
  std::unique_ptr<cl_log> run_log_;
};

}  // namespace vor

#endif  // VOR_APP_RUN_CONTROL_H_

// The unattended run ("/S"): start-up, one synchronisation run, and the
// program's exit code. Nothing is written to standard output; what an
// operator needs to know goes to the error stream given.
#ifndef VOR_APP_SILENT_MODE_H_
#define VOR_APP_SILENT_MODE_H_

#include <ostream>
#include <string>

#include "core/error.h"

namespace vor {

// Exit codes of the program.
inline constexpr int kExitCompleted = 0;     // run completed, or normal exit
inline constexpr int kExitEngineError = 1;   // the engine's handler ended it
inline constexpr int kExitFailure = 2;       // start-up or another step failed
inline constexpr int kExitNotDelivered = 3;  // completed, report not delivered

// Start-up (Arrancar) and one run with a SilentProgress. A connection that
// did not open is reported on `err` (its OpenFailure text) and the run goes
// on, so the engine's handler logs the failure of the first query. Returns
// kExitCompleted after a completed run and kExitEngineError when the
// engine's handler ended it (a line pointing to the log goes to `err`).
// Errors outside the engine propagate as vor::Error (the caller reports
// them with FailureReport and ends with kExitFailure); when the settings
// file was found first, the alert is mailed before (MorningReport), and a
// failure to send it goes to `err`.
int RunSilent(const std::string& command_line,
              const std::string& application_folder, std::ostream& err);

// "VORencomendas: Erro <n> - <description>", the report of an error that
// ended the program outside the engine (line breaks kept, other control
// bytes and invalid UTF-8 shown: EscapeControlBytes).
std::string FailureReport(const Error& error);

}  // namespace vor

#endif  // VOR_APP_SILENT_MODE_H_

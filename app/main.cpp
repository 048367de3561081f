// vorencomendas: picks the run mode from the command line. "/S" (exactly)
// is the unattended run, which needs no display; anything else opens the
// main window. An error that ends the unattended run outside the engine is
// reported here on standard error; the interactive start and the main window
// report theirs in a message box. All of them word it with UnhandledError.
#include <sys/prctl.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <exception>
#include <iostream>
#include <string>

#include "app/interactive.h"
#include "app/silent_mode.h"
#include "app/startup.h"
#include "core/error.h"

#if defined(__SANITIZE_ADDRESS__)
#define VOR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOR_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// The process holds the database and mail passwords from start-up to the
// end: no core dump may carry them. (A sanitizer build stays dumpable: its
// leak checker attaches to the process the way a debugger does.)
void DisableCoreDumps() {
  const rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
#if !defined(VOR_ADDRESS_SANITIZER)
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

int RunSilentMode(int& argc, char** argv, const std::string& command_line) {
  QCoreApplication app(argc, argv);
  try {
    return vor::RunSilent(command_line, vor::ApplicationFolder(), std::cerr);
  } catch (const std::exception&) {
    std::cerr << vor::FailureReport(
                     vor::UnhandledError(std::current_exception()))
              << std::endl;
  }
  return vor::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  DisableCoreDumps();
  const std::string command_line = vor::CommandLineText(argc, argv);
  if (vor::IsSilentSwitch(command_line)) {
    return RunSilentMode(argc, argv, command_line);
  }
  return vor::RunInteractive(argc, argv, command_line);
}

// vorencomendas: picks the run mode from the command line. "/S" (exactly)
// is the unattended run, which needs no display; anything else opens the
// main window. Errors that end the program outside the engine are reported
// here, the one place that catches them.
#include <QCoreApplication>
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include "app/interactive.h"
#include "app/silent_mode.h"
#include "app/startup.h"
#include "core/error.h"

namespace {

int RunSilentMode(int& argc, char** argv, const std::string& command_line) {
  QCoreApplication app(argc, argv);
  try {
    return vor::RunSilent(command_line, vor::ApplicationFolder(), std::cerr);
  } catch (const vor::Error& e) {
    std::cerr << vor::FailureReport(e) << std::endl;
  } catch (const std::bad_alloc&) {
    std::cerr << vor::FailureReport(vor::Error(vor::errnum::kOutOfMemory,
                                               "Memória insuficiente"))
              << std::endl;
  } catch (const std::exception& e) {
    std::cerr << vor::FailureReport(
                     vor::Error(vor::errnum::kInvalidCall, e.what()))
              << std::endl;
  }
  return vor::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command_line = vor::CommandLineText(argc, argv);
  if (vor::IsSilentSwitch(command_line)) {
    return RunSilentMode(argc, argv, command_line);
  }
  return vor::RunInteractive(argc, argv, command_line);
}

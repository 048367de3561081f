// vorencomendas: picks the run mode from the command line. "/S" (exactly)
// is the unattended run, which needs no display; anything else opens the
// main window. Errors that end the program outside the engine are reported
// here, the one place that catches them.
#include <QCoreApplication>
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include "app/silent_mode.h"
#include "app/startup.h"
#include "core/error.h"

#ifdef VOR_HAVE_INTERACTIVE
#include "app/interactive.h"
#endif

namespace {

int RunSilentMode(int& argc, char** argv, const std::string& command_line) {
  QCoreApplication app(argc, argv);
  try {
    return vor::RunSilent(command_line, vor::ApplicationFolder(), std::cerr);
  } catch (const vor::Error& e) {
    std::cerr << vor::FailureReport(e) << std::endl;
  } catch (const std::bad_alloc&) {
    std::cerr << vor::FailureReport(vor::Error(7, "Memória insuficiente"))
              << std::endl;
  } catch (const std::exception& e) {
    std::cerr << vor::FailureReport(vor::Error(5, e.what())) << std::endl;
  }
  return vor::kExitFailure;
}

// The window's entry point (app/interactive.h, library vor_app_ui, linked by
// app/CMakeLists.txt when that header exists) is
//   int RunInteractive(int& argc, char** argv, const std::string&
//   command_line);
// it creates the application object and the main window, whose creation
// performs the start-up (Arrancar), and returns the program's exit code.
int RunInteractiveMode(int& argc, char** argv,
                       const std::string& command_line) {
#ifdef VOR_HAVE_INTERACTIVE
  return vor::RunInteractive(argc, argv, command_line);
#else
  (void)argc;
  (void)argv;
  (void)command_line;
  std::cerr << "VORencomendas: a janela principal não está disponível nesta "
               "compilação; use /S para a emissão sem janela."
            << std::endl;
  return vor::kExitFailure;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command_line = vor::CommandLineText(argc, argv);
  if (vor::IsSilentSwitch(command_line)) {
    return RunSilentMode(argc, argv, command_line);
  }
  return RunInteractiveMode(argc, argv, command_line);
}

// The interactive mode: the application object, the main window and the
// event loop. Errors that end the program outside the engine are shown in a
// message box with their number and description (exit code 2).
#ifndef VOR_APP_INTERACTIVE_H_
#define VOR_APP_INTERACTIVE_H_

#include <string>

namespace vor {

// Creates the application object and the main window (whose creation
// performs the start-up), shows the failed-connection text when the
// connection did not open, shows the window and runs the event loop.
// Returns the program's exit code: 0 after "&Sair", 1 when the engine's
// error handling ended a run, 2 when start-up or another step failed, or at
// once, with one line on standard error, when there is no display.
int RunInteractive(int& argc, char** argv, const std::string& command_line);

}  // namespace vor

#endif  // VOR_APP_INTERACTIVE_H_

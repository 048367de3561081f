// The texts the main window shows in its message boxes: an error that ends
// the program, the end of a run by the engine's error handling, and a
// connection that did not open. Plain text, so the silent run and the tests
// need no display.
#ifndef VOR_APP_WINDOW_TEXTS_H_
#define VOR_APP_WINDOW_TEXTS_H_

#include <string>
#include <vector>

#include "core/error.h"

namespace vor {

// The program's title, the caption of every message box.
inline constexpr char kProgramTitle[] = "VORencomendas";

// "Erro <n>" and, on the next line, the description: an error outside the
// engine, reported before the program ends.
std::string ErrorBoxText(const Error& error);

// The engine's error handling ended the run: its message as logged (for
// example " 3604 - no such table: ...") and the log file that holds it.
std::string EngineEndBoxText(const std::string& error_message,
                             const std::string& log_path);

// A run completed but its report was not delivered: the lines logged for
// it, one per failed delivery, and the log file.
std::string ReportNotDeliveredBoxText(const std::vector<std::string>& lines,
                                      const std::string& log_path);

}  // namespace vor

#endif  // VOR_APP_WINDOW_TEXTS_H_

// Whether the interactive mode can open its window. Without a display Qt
// would abort the program; the interactive start checks first and ends with
// a line that says what to do instead (an unattended run uses "/S").
#ifndef VOR_APP_DISPLAY_CHECK_H_
#define VOR_APP_DISPLAY_CHECK_H_

#include <string>

namespace vor {

// True when a window can be shown: QT_QPA_PLATFORM names a platform (for
// example "offscreen"), or DISPLAY or WAYLAND_DISPLAY is set and not empty.
bool DisplayAvailable();

// The one-line report of an interactive start without a display, in the
// form of the program's other start-up failures ("VORencomendas: Erro 5 -
// ..."), quoting `command_line` and naming the switch "/S".
std::string NoDisplayReport(const std::string& command_line);

}  // namespace vor

#endif  // VOR_APP_DISPLAY_CHECK_H_

// WindowServices: what the main window needs from the desktop beyond its own
// widgets: a modal message box with the program's title and an OK button,
// and the end of the program with an exit code. The program uses the
// desktop's; tests record the messages instead of waiting for a click.
#ifndef VOR_APP_WINDOW_SERVICES_H_
#define VOR_APP_WINDOW_SERVICES_H_

#include <memory>
#include <string>

class QWidget;

namespace vor {

class WindowServices {
 public:
  enum class Kind { kPlain, kWarning, kCritical };

  virtual ~WindowServices() = default;
  // Shows `text` (lines separated by CR LF or LF) in a modal box over
  // `parent` (may be null) and returns when the user has closed it.
  virtual void ShowMessage(QWidget* parent, Kind kind,
                           const std::string& text) = 0;
  // Ends the program with `exit_code` once control is back in the event
  // loop; returns at once.
  virtual void EndProgram(int exit_code) = 0;
};

// Message boxes of the desktop and QCoreApplication::exit.
std::unique_ptr<WindowServices> DesktopWindowServices();

}  // namespace vor

#endif  // VOR_APP_WINDOW_SERVICES_H_

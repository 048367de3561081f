// WindowProgress: the progress sink of an interactive run. Progress lines go
// to the main window's list (AddLista), a yield lets the event loop repaint
// the window, the position of the step in progress moves the window's
// progress bar (at most every 50 ms, so that a fast run is not slowed by
// repainting), and a failed value conversion is shown in a message box that
// the run waits on.
#ifndef VOR_APP_WINDOW_PROGRESS_H_
#define VOR_APP_WINDOW_PROGRESS_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/progress.h"

namespace vor {

class frmVOREncomendas;
class WindowServices;

class WindowProgress : public Progress {
 public:
  using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

  // Least time between two updates of the progress bar.
  static constexpr std::chrono::milliseconds kBarInterval{50};

  // `window` and `services` must outlive the object. `clock` is for tests.
  WindowProgress(frmVOREncomendas& window, WindowServices& services,
                 MonotonicClock clock = std::chrono::steady_clock::now);

  void AddLine(const std::string& text) override;
  // Moves the bar to a position Step held back when kBarInterval has
  // passed since its last move, then lets the event loop run.
  void Yield() override;
  // Moves the bar when kBarInterval has passed since its last move, when
  // the step (its total) changed, or at the step's last position; else
  // holds the position back for the next Yield.
  void Step(int64_t position, int64_t total) override;
  // "Erro <n>", "(<description>)", "Na função TransformaEmCurrency do
  // itFuncoes" in a box with an OK button; returns when it is closed.
  void ReportConversionError(const Error& error) override;

  // How many times the bar was moved.
  int bar_updates() const { return bar_updates_; }

 private:
  frmVOREncomendas& window_;
  WindowServices& services_;
  MonotonicClock clock_;
  void Show(int64_t position, int64_t total,
            std::chrono::steady_clock::time_point now);

  bool shown_ = false;
  bool pending_ = false;
  int64_t pending_position_ = 0;
  int64_t pending_total_ = 0;
  int64_t shown_total_ = -1;
  std::chrono::steady_clock::time_point last_update_;
  int bar_updates_ = 0;
};

}  // namespace vor

#endif  // VOR_APP_WINDOW_PROGRESS_H_

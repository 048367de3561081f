// WindowProgress: the progress sink of an interactive run. Progress lines are
// collected and go to the main window's list in one batch before the event
// loop repaints the window (at most every kListInterval, and before a message
// box or the end of the run), so the cost of a line does not grow with the
// list's length; a yield lets the event loop repaint the window, the position
// of the step in progress moves the window's progress bar (at most every 50 ms,
// so that a fast run is not slowed by repainting), and a failed value
// conversion is shown in a message box that the run waits on.
#ifndef VOR_APP_WINDOW_PROGRESS_H_
#define VOR_APP_WINDOW_PROGRESS_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/progress.h"

namespace vor {

class frmVOREncomendas;
class WindowServices;

class WindowProgress : public Progress {
 public:
  using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

  // Least time between two updates of the progress bar.
  static constexpr std::chrono::milliseconds kBarInterval{50};
  // Least time between two batches of lines added to the list.
  static constexpr std::chrono::milliseconds kListInterval{50};

  // `window` and `services` must outlive the object. `clock` is for tests.
  WindowProgress(frmVOREncomendas& window, WindowServices& services,
                 MonotonicClock clock = std::chrono::steady_clock::now);
  // Adds the lines still held to the list.
  ~WindowProgress() override;

  // Holds `text` for the next batch (see Flush).
  void AddLine(const std::string& text) override;
  // Adds the lines held when kListInterval has passed since the last batch
  // (or none was added yet), moves the bar to a position Step held back
  // when kBarInterval has passed since its last move, then lets the event
  // loop run.
  void Yield() override;
  // Adds every line held to the end of the list in one go (AddListaLines:
  // the last becomes the selected, visible line).
  void Flush();
  // Moves the bar when kBarInterval has passed since its last move, when
  // the step (its total) changed, or at the step's last position; else
  // holds the position back for the next Yield.
  void Step(int64_t position, int64_t total) override;
  // Adds the lines held, then shows "Erro <n>", "(<description>)", "Na
  // função TransformaEmCurrency do itFuncoes" in a box with an OK button;
  // returns when it is closed.
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
  std::vector<std::string> held_lines_;
  bool flushed_ = false;
  std::chrono::steady_clock::time_point last_flush_;
};

}  // namespace vor

#endif  // VOR_APP_WINDOW_PROGRESS_H_

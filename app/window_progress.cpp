#include "app/window_progress.h"

#include <QCoreApplication>

#include "app/frm_vorencomendas.h"
#include "app/window_services.h"
#include "engine/messages.h"

namespace vor {

WindowProgress::WindowProgress(frmVOREncomendas& window,
                               WindowServices& services, MonotonicClock clock)
    : window_(window), services_(services), clock_(std::move(clock)) {}

WindowProgress::~WindowProgress() {
  // The lines of a run that ended by an error still reach the list.
  try {
    Flush();
  } catch (...) {
  }
}

void WindowProgress::AddLine(const std::string& text) {
  held_lines_.push_back(text);
}

void WindowProgress::Flush() {
  if (held_lines_.empty()) return;
  window_.AddListaLines(held_lines_);
  held_lines_.clear();
  flushed_ = true;
  last_flush_ = clock_();
}

void WindowProgress::Yield() {
  if (!held_lines_.empty() &&
      (!flushed_ || clock_() - last_flush_ >= kListInterval)) {
    Flush();
  }
  // A position held back by the interval is shown once the interval has
  // passed, so the bar is never more than one interval behind the run.
  if (pending_ && clock_() - last_update_ >= kBarInterval) {
    Show(pending_position_, pending_total_, clock_());
  }
  QCoreApplication::processEvents();
}

void WindowProgress::Step(int64_t position, int64_t total) {
  const auto now = clock_();
  const bool due = !shown_ || total != shown_total_ || position >= total ||
                   now - last_update_ >= kBarInterval;
  if (!due) {
    pending_ = true;
    pending_position_ = position;
    pending_total_ = total;
    return;
  }
  Show(position, total, now);
}

void WindowProgress::Show(int64_t position, int64_t total,
                          std::chrono::steady_clock::time_point now) {
  shown_ = true;
  shown_total_ = total;
  pending_ = false;
  last_update_ = now;
  ++bar_updates_;
  window_.ShowStep(position, total);
}

void WindowProgress::ReportConversionError(const Error& error) {
  Flush();
  services_.ShowMessage(&window_, WindowServices::Kind::kPlain,
                        ConversionMessage(error));
}

}  // namespace vor

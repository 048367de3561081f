#include "app/window_progress.h"

#include <QCoreApplication>

#include "app/frm_vorencomendas.h"
#include "app/window_services.h"
#include "engine/messages.h"

namespace vor {

WindowProgress::WindowProgress(frmVOREncomendas& window,
                               WindowServices& services, MonotonicClock clock)
    : window_(window), services_(services), clock_(std::move(clock)) {}

void WindowProgress::AddLine(const std::string& text) {
  window_.AddLista(text);
}

void WindowProgress::Yield() { QCoreApplication::processEvents(); }

void WindowProgress::Step(int64_t position, int64_t total) {
  const auto now = clock_();
  const bool due = !shown_ || total != shown_total_ || position >= total ||
                   now - last_update_ >= kBarInterval;
  if (!due) return;
  shown_ = true;
  shown_total_ = total;
  last_update_ = now;
  ++bar_updates_;
  window_.ShowStep(position, total);
}

void WindowProgress::ReportConversionError(const Error& error) {
  services_.ShowMessage(&window_, WindowServices::Kind::kPlain,
                        ConversionMessage(error));
}

}  // namespace vor

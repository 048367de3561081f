// BusyWaitDisplay: keeps the windows alive while a database call waits for a
// lock another program holds. Installed as the process's BusyWatcher, at
// each step of a wait on the windows' thread (a worker thread's waits
// pass by) it shows "À espera da base de dados (ocupada por
// outro programa)…" with the seconds left until the wait (TempoEspera) gives
// up, across the top of the active window (else of `fallback`), with a busy
// cursor, and lets the event loop repaint and run its timers. Keys and
// clicks are not handled during the wait: they stay queued and reach their
// widgets once the database call has returned, so nothing that starts
// another database call can run inside the wait. A window closed during the
// wait is closed once the wait is over. The display ends (label hidden,
// cursor restored, closes honoured) the first time the event loop runs
// outside a wait for kEndDelay.
#ifndef VOR_APP_BUSY_WAIT_DISPLAY_H_
#define VOR_APP_BUSY_WAIT_DISPLAY_H_

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>

#include "db/busy_wait.h"

class QWidget;

namespace vor {

class BusyWaitDisplay : public QObject, public BusyWatcher {
  Q_OBJECT

 public:
  // Time without a step of a wait after which the wait is taken as over.
  static constexpr std::chrono::milliseconds kEndDelay{250};

  // Installs itself as the watcher (BusyWait::SetWatcher); `fallback` shows
  // the label when no window is active.
  explicit BusyWaitDisplay(QWidget* fallback);
  // Removes itself as the watcher.
  ~BusyWaitDisplay() override;

  void Waiting(std::chrono::milliseconds waited,
               std::chrono::milliseconds timeout) override;

  // The label while a wait is shown; nullptr otherwise.
  QLabel* label() const { return label_; }
  // True from the first step of a wait until the display ends.
  bool waiting() const { return shown_; }

 protected:
  // During a wait, holds back close events (see the top comment).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Begin();
  void End();

  QPointer<QWidget> fallback_;
  QPointer<QLabel> label_;
  QTimer end_timer_;
  bool shown_ = false;
  bool in_step_ = false;
  QList<QPointer<QWidget>> closes_;
};

}  // namespace vor

#endif  // VOR_APP_BUSY_WAIT_DISPLAY_H_

#include "app/busy_wait_display.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QThread>
#include <QWidget>

namespace vor {

BusyWaitDisplay::BusyWaitDisplay(QWidget* fallback) : fallback_(fallback) {
  end_timer_.setSingleShot(true);
  end_timer_.setInterval(kEndDelay);
  connect(&end_timer_, &QTimer::timeout, this, [this] {
    if (in_step_) {
      end_timer_.start();
    } else {
      End();
    }
  });
  BusyWait::SetWatcher(this);
}

BusyWaitDisplay::~BusyWaitDisplay() {
  if (BusyWait::watcher() == this) BusyWait::SetWatcher(nullptr);
  closes_.clear();  // the windows are going away with the program
  End();
}

void BusyWaitDisplay::Waiting(std::chrono::milliseconds waited,
                              std::chrono::milliseconds timeout) {
  // A connection of a worker thread waits without the windows.
  if (QThread::currentThread() != thread() || in_step_) return;
  in_step_ = true;
  if (!shown_) Begin();
  const long long left_ms = (timeout - waited).count();
  const long long left_s = left_ms <= 0 ? 0 : (left_ms + 999) / 1000;
  if (label_ != nullptr) {
    label_->setText(QStringLiteral("À espera da base de dados (ocupada por "
                                   "outro programa)… desiste dentro de %1 s "
                                   "(TempoEspera)")
                        .arg(left_s));
    QWidget* window = label_->parentWidget();
    // Across the top, where it hides no button (Fechar stays in sight).
    label_->setGeometry(0, 0, window->width(), label_->sizeHint().height());
    label_->raise();
  }
  end_timer_.start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  in_step_ = false;
}

void BusyWaitDisplay::Begin() {
  shown_ = true;
  QWidget* window = QApplication::activeWindow();
  if (window == nullptr) window = fallback_;
  if (window != nullptr) {
    label_ = new QLabel(window);
    label_->setObjectName(QStringLiteral("busy_wait_label"));
    label_->setAutoFillBackground(true);
    label_->setStyleSheet(QStringLiteral(
        "QLabel { background: #fff3c4; color: black; border-bottom: 1px solid "
        "#b89b2a; padding: 4px; }"));
    label_->show();
  }
  QApplication::setOverrideCursor(Qt::BusyCursor);
  qApp->installEventFilter(this);
}

void BusyWaitDisplay::End() {
  if (!shown_) return;
  shown_ = false;
  end_timer_.stop();
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
  delete label_.data();
  const QList<QPointer<QWidget>> closes = closes_;
  closes_.clear();
  for (const QPointer<QWidget>& w : closes) {
    if (w != nullptr) w->close();
  }
}

bool BusyWaitDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (shown_ && event->type() == QEvent::Close && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) {
      if (!closes_.contains(widget)) closes_.append(widget);
      event->ignore();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vor

#include "testing/ui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>
#include <vector>

namespace vor::test {
namespace {

// Creates the application object before the first test and keeps it until
// the program ends.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "app_ui_test";
      static char* argv[] = {name, nullptr};
      app_ = new QApplication(argc, argv);
    }
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

int WithModalHandler(const std::function<void(QWidget*)>& handle,
                     const std::function<void()>& action) {
  std::vector<QPointer<QWidget>> seen;
  int handled = 0;
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    for (const auto& old : seen) {
      if (old == modal) return;
    }
    seen.emplace_back(modal);
    ++handled;
    handle(modal);
  });
  timer.start();
  action();
  timer.stop();
  return handled;
}

QString MessageText(QWidget* modal) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  return box != nullptr ? box->text() : QString();
}

bool ShowActive(QWidget* window) {
  window->show();
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace vor::test

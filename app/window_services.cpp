#include "app/window_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

#include "app/window_texts.h"

namespace vor {
namespace {

class DesktopServices : public WindowServices {
 public:
  void ShowMessage(QWidget* parent, Kind kind,
                   const std::string& text) override {
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(kProgramTitle));
    box.setText(body);
    box.setStandardButtons(QMessageBox::Ok);
    switch (kind) {
      case Kind::kPlain:
        box.setIcon(QMessageBox::NoIcon);
        break;
      case Kind::kWarning:
        box.setIcon(QMessageBox::Warning);
        break;
      case Kind::kCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.exec();
  }

  void EndProgram(int exit_code) override { QCoreApplication::exit(exit_code); }
};

}  // namespace

std::unique_ptr<WindowServices> DesktopWindowServices() {
  return std::make_unique<DesktopServices>();
}

}  // namespace vor

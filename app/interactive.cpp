#include "app/interactive.h"

#include <QApplication>
#include <exception>
#include <iostream>
#include <memory>

#include "app/display_check.h"
#include "app/frm_vorencomendas.h"
#include "app/mail_server_setup.h"
#include "app/qt_translations.h"
#include "app/silent_mode.h"
#include "app/startup.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "core/error.h"
#include "proposal/morning_report.h"

namespace vor {

int RunInteractive(int& argc, char** argv, const std::string& command_line) {
  // Qt would abort without a display; a scheduler's run with a mistyped
  // switch must end with a line saying so.
  if (!DisplayAvailable()) {
    std::cerr << NoDisplayReport(command_line) << std::endl;
    return kExitFailure;
  }
  QApplication app(argc, argv);
  LoadQtTranslations();
  QApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
  QApplication::setWindowIcon(ProgramIcon());
  // The program ends through "&Sair", the close box or an error report,
  // not when a settings window happens to be the last one closed.
  QApplication::setQuitOnLastWindowClosed(false);
  const std::unique_ptr<WindowServices> services = DesktopWindowServices();
  // The mail-server set-up's "Enviar mensagem de teste" sends through the
  // report's own path.
  MailServerSetup::SetTestSender(&MorningReport::SendTest);

  std::unique_ptr<frmVOREncomendas> window;
  try {
    window = std::make_unique<frmVOREncomendas>(command_line,
                                                ApplicationFolder(), *services);
  } catch (const std::exception&) {
    services->ShowMessage(
        nullptr, WindowServices::Kind::kCritical,
        ErrorBoxText(UnhandledError(std::current_exception())));
    return kExitFailure;
  }

  window->show();
  // The window opens all the same, so that the user sees what is wrong and
  // can correct the login through "&Parametrizar".
  const std::string failure = window->ConnectionFailureText();
  if (!failure.empty()) {
    services->ShowMessage(
        window.get(), WindowServices::Kind::kWarning,
        failure +
            "\r\n\r\nA ligação corrige-se em \"Parametrizar\", "
            "página \"Base de dados\"; conta a partir do próximo "
            "arranque do programa.");
  }
  return app.exec();
}

}  // namespace vor

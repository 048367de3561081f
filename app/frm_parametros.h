// frmParametros: the settings window ("Parâmetros"). Edits the subject and
// the recipients of the report e-mail and the run-log folder of the settings
// file, opens the mail-server set-up, and on a third page edits and tests
// the database login (section BD). Each opening creates a new, independent
// window that does not block the others and deletes itself when closed:
//
//   auto* window = new vor::frmParametros();
//   window->set_SettingsFilePath(path);
//   window->set_ConnectionTest(test);   // "Testar ligação"; optional
//   window->Mostra();
//
// Controls keep the indexes of the design: Frame(0) and Frame(1) are the
// pages of the tabs "e-mail" and "Log"; Titulo(13)/Campo(13) the subject,
// Titulo(14)/Campo(14) the report's recipients, Titulo(15)/Campo(15) the
// log folder. Frame(2) is the page "Base de dados", its fields CampoBd(...).
#ifndef VOR_APP_FRM_PARAMETROS_H_
#define VOR_APP_FRM_PARAMETROS_H_

#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "settings/database_login.h"
#include "settings/parametros.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vor {

class TabStrip;

class frmParametros : public QWidget {
  Q_OBJECT

 public:
  // Opens a connection with a login as typed, runs one trivial query and
  // returns "" when both worked, otherwise the reason, without the
  // password. The second argument is the settings file's path (a relative
  // SQLite database lies beside it). Given by the program, which reaches
  // the database; this window does not.
  using ConnectionTest =
      std::function<std::string(const DatabaseLogin&, const std::string&)>;

  // The fields of the page "Base de dados", in their order on the page.
  enum class BdField {
    kServidor,
    kBaseDados,
    kUtilizador,
    kPassword,
    kDriver,
    kPorta
  };
  static constexpr int kBdFieldCount = 6;

  // Builds the window at its design size, centred on the screen, not shown.
  explicit frmParametros(QWidget* parent = nullptr);
  ~frmParametros() override;

  // The full path of the settings file; set before Mostra.
  const std::string& SettingsFilePath() const { return settings_file_path_; }
  void set_SettingsFilePath(const std::string& path) {
    settings_file_path_ = path;
  }
  // Without one, "Testar ligação" is disabled.
  void set_ConnectionTest(ConnectionTest test);

  // Creates the window's settings record for SettingsFilePath, then
  // limpaForm and Carrega.
  void Mostra();
  // Clears nothing: the fields are filled by Carrega.
  void limpaForm();
  // Loads the settings into the fields, shows the window (not modal) on the
  // "e-mail" page and gives the focus to btConfEmail.
  void Carrega();
  // Copies the fields, as typed, into the settings record and saves it,
  // then saves the database login's changed values into section BD (one
  // atomic save; nothing when the login could not be read at Carrega).
  // True when the file was written; false when the save failed (see
  // SaveError), the login is not valid (Porta) or there is no settings
  // record (Mostra not called).
  bool Grava();
  // Why the last Grava returned false ("" when it did not).
  const std::string& SaveError() const { return save_error_; }
  // The database login as typed on its page.
  DatabaseLogin TypedLogin() const;
  // "Testar ligação": runs the connection test with TypedLogin and shows
  // "Ligação estabelecida." or the reason in ResultadoTeste.
  void TestarLigacao();

  // The window's controls.
  TabStrip* tab_strip() const { return tab_strip_; }
  // `index` 0, 1 or 2; nullptr otherwise.
  QFrame* Frame(int index) const;
  // `index` 13, 14 or 15; nullptr otherwise.
  QLabel* Titulo(int index) const;
  QLineEdit* Campo(int index) const;
  QPushButton* btConfEmail() const { return bt_conf_email_; }
  QPushButton* btConf() const { return bt_conf_; }
  QPushButton* btSair() const { return bt_sair_; }
  QLineEdit* CampoBd(BdField field) const {
    return campo_bd_[static_cast<int>(field)];
  }
  QLabel* TituloBd(BdField field) const {
    return titulo_bd_[static_cast<int>(field)];
  }
  QPushButton* btTestar() const { return bt_testar_; }
  QLabel* ResultadoTeste() const { return resultado_teste_; }

  // The designed outer size, 10000 x 5000 twips in pixels.
  static QSize DesignOuterSize();
  // The smallest client area for which the layout leaves every control of
  // both pages, and both buttons, whole and apart.
  QSize MinimumClientSize() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildControls();
  // Outer size from the design, centred on the screen.
  void PlaceWindow();
  // Places the window again when the frame it was placed with changed.
  void FollowFrame();
  // Places the buttons, the tab strip and the pages for the client size.
  void Layout();
  // Shows the page of tab `index` (0-based) and moves the focus onto it.
  void ShowPage(int index);
  void Confirm();
  void ConfigureMailServer();

  std::string settings_file_path_;
  std::unique_ptr<Parametros> parametros_;
  ConnectionTest connection_test_;
  // The login as read by Carrega; none when it could not be read.
  std::unique_ptr<DatabaseLogin> loaded_login_;
  std::string save_error_;
  // Frame margins the outer size was last computed with.
  QMargins applied_frame_margins_;

  TabStrip* tab_strip_ = nullptr;
  QFrame* frame_[3] = {nullptr, nullptr, nullptr};
  QLabel* titulo13_ = nullptr;
  QLineEdit* campo13_ = nullptr;
  QLabel* titulo14_ = nullptr;
  QLineEdit* campo14_ = nullptr;
  QPushButton* bt_conf_email_ = nullptr;
  QLabel* titulo15_ = nullptr;
  QLineEdit* campo15_ = nullptr;
  QPushButton* bt_conf_ = nullptr;
  QPushButton* bt_sair_ = nullptr;
  QLabel* titulo_bd_[kBdFieldCount] = {};
  QLineEdit* campo_bd_[kBdFieldCount] = {};
  QPushButton* bt_testar_ = nullptr;
  QLabel* resultado_teste_ = nullptr;
};

}  // namespace vor

#endif  // VOR_APP_FRM_PARAMETROS_H_

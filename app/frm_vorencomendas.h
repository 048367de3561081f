// frmVOREncomendas: the program's main window. Creating it performs the
// start-up: the window is centred on the screen and Arrancar resolves the
// settings file and connects to the ERP database. It shows the progress
// list `Lista` and three buttons: "&Sincronizar" (one guarded run),
// "&Parametrizar" (a new settings window each click) and "&Sair" (ends the
// program), and "&Ver proposta", which opens the proposal window (also
// opened, or refreshed and raised, after every completed run). While a run
// lasts the window is disabled and a progress bar on the button row shows the
// position of the step in progress. While a database call of any of the
// program's windows waits for a lock another program holds, the windows
// keep repainting and say so (BusyWaitDisplay).
//
//   auto services = DesktopWindowServices();
//   frmVOREncomendas window(command_line, ApplicationFolder(), *services);
//   window.show();
//   return app.exec();
#ifndef VOR_APP_FRM_VORENCOMENDAS_H_
#define VOR_APP_FRM_VORENCOMENDAS_H_

#include <QMargins>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/run_control.h"
#include "app/startup.h"
#include "core/clock.h"

class QIcon;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vor {

class BusyWaitDisplay;
class WindowServices;
class WindowProgress;
class frmProposta;

// The program's icon (16 to 64 pixels), from the library's resources.
QIcon ProgramIcon();

class frmVOREncomendas : public QWidget {
  Q_OBJECT

 public:
  // Builds the window at its design size, centres it and runs Arrancar
  // with `command_line`. (The program performs the silent run without a
  // window; given "/S" here, the window still waits for its buttons.)
  // Errors of Arrancar propagate as vor::Error; the caller reports them and
  // ends the program. `services` must outlive the window.
  frmVOREncomendas(const std::string& command_line,
                   const std::string& application_folder,
                   WindowServices& services,
                   LocalClock clock = SystemLocalClock());
  ~frmVOREncomendas() override;

  // Appends `text` as the last line of Lista and selects it, so that the
  // list scrolls to show it.
  void AddLista(const std::string& text);
  // Appends `lines` in order, as AddLista does one by one, but selects and
  // scrolls once: the cost does not depend on the list's length. Emits
  // LineAdded for each line once all are in the list.
  void AddListaLines(const std::vector<std::string>& lines);
  // Shows the progress bar at `position` of `total` (a total of 0 or less
  // shows an empty bar).
  void ShowStep(int64_t position, int64_t total);

  // The start-up state: settings file, silent switch, mode letter and the
  // ERP connection.
  StartupState& state() { return state_; }
  // True between the start and the end of a run.
  bool running() const { return running_; }
  // The failed-connection text when the connection did not open at
  // start-up; empty when it opened.
  std::string ConnectionFailureText() const;

  // The design's client size, 9135 x 2775 twips in pixels.
  static QSize DesignClientSize();

  QListWidget* Lista() const { return lista_; }
  QPushButton* btSair() const { return bt_sair_; }
  QPushButton* btConf() const { return bt_conf_; }
  QPushButton* btParam() const { return bt_param_; }
  QPushButton* btVer() const { return bt_ver_; }
  // The proposal window while it is open; nullptr otherwise.
  frmProposta* ProposalWindow() const;
  QProgressBar* progress_bar() const { return progress_bar_; }

 public slots:
  // The guarded run: disable the window, Sincronizar, enable it again. When
  // the engine's error handling ended the run, its message and the log's
  // path are shown and the program ends with exit code 1; any other error
  // is shown with its number and description and the program ends with
  // exit code 2 (the window stays disabled).
  void btConf_Click();
  // Opens a new settings window on SettingsFilePath, not modal.
  void btParam_Click();
  // Ends the program (exit code 0).
  void btSair_Click();
  // Opens the proposal window on the ERP connection, or reads the table
  // again and raises it when it is open already. Not modal.
  void btVer_Click();

 signals:
  // A line was added to Lista (after it was selected).
  void LineAdded(const QString& text);

 protected:
  // The close box ends the program like "&Sair"; during a run it is
  // ignored, as the window is disabled then.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildControls();
  // Centres the window's frame on its screen; the window keeps its size.
  void Centre();
  // Centres the window again when the frame it was centred with changed.
  void FollowFrame();
  void ReportAndEnd(const Error& error);

  WindowServices& services_;
  LocalClock clock_;
  StartupState state_;
  std::string application_folder_;
  std::unique_ptr<RunControl> run_control_;
  // Shows the waits on a locked database once the start-up is done.
  std::unique_ptr<BusyWaitDisplay> busy_wait_display_;
  bool running_ = false;
  bool ending_ = false;
  // The frame margins the window was last centred with.
  QMargins centred_with_;

  QListWidget* lista_ = nullptr;
  QPushButton* bt_sair_ = nullptr;
  QPushButton* bt_conf_ = nullptr;
  QPushButton* bt_param_ = nullptr;
  QPushButton* bt_ver_ = nullptr;
  QProgressBar* progress_bar_ = nullptr;
  QPointer<frmProposta> proposal_;
};

}  // namespace vor

#endif  // VOR_APP_FRM_VORENCOMENDAS_H_

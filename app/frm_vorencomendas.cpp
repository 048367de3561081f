#include "app/frm_vorencomendas.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QListWidget>
#include <QMoveEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <limits>

#include "app/busy_wait_display.h"
#include "app/frm_parametros.h"
#include "app/frm_proposta.h"
#include "app/report_delivery.h"
#include "app/ui_font.h"
#include "app/ui_twips.h"
#include "app/window_progress.h"
#include "app/window_services.h"
#include "app/window_texts.h"
#include "core/error.h"
#include "db/ligar_bd.h"
#include "engine/late_order_finder.h"

// The program's icon lives in the library's resources, which a static
// library must register by name from the global namespace.
static void InitAppUiResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(app_ui);
    return true;
  }();
  (void)registered;
}

namespace vor {
namespace {

constexpr int Px(int twips) { return TwipsToPixels(twips); }

// Places `widget` at a design rectangle given in twips.
void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

int ClampToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

frmVOREncomendas::frmVOREncomendas(const std::string& command_line,
                                   const std::string& application_folder,
                                   WindowServices& services, LocalClock clock)
    : QWidget(nullptr, Qt::Window),
      services_(services),
      clock_(std::move(clock)),
      application_folder_(application_folder) {
  InitAppUiResources();
  setWindowTitle(QString::fromUtf8(kProgramTitle));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont(false));
  BuildControls();
  // The controls stand at fixed places: the window keeps its designed size.
  setFixedSize(DesignClientSize());
  Centre();
  // The mode letter was fixed when the state was built (ComponentMode).
  Arrancar(state_, command_line, application_folder);
  run_control_ =
      std::make_unique<RunControl>(state_, clock_, MorningReportDelivery());
  busy_wait_display_ = std::make_unique<BusyWaitDisplay>(this);
}

frmVOREncomendas::~frmVOREncomendas() {
  // The proposal window reads through this window's connection.
  delete proposal_.data();
}

QSize frmVOREncomendas::DesignClientSize() { return QSize(Px(9135), Px(2775)); }

void frmVOREncomendas::BuildControls() {
  lista_ = new QListWidget(this);
  lista_->setSelectionMode(QAbstractItemView::SingleSelection);
  lista_->setUniformItemSizes(true);
  PlaceTwips(lista_, 120, 120, 8880, 1980);

  bt_sair_ = new QPushButton(QStringLiteral("&Sair"), this);
  PlaceTwips(bt_sair_, 7800, 2280, 1200, 435);
  bt_conf_ = new QPushButton(QStringLiteral("&Sincronizar"), this);
  PlaceTwips(bt_conf_, 0, 2280, 1305, 435);
  bt_param_ = new QPushButton(QStringLiteral("&Parametrizar"), this);
  PlaceTwips(bt_param_, 1440, 2280, 1305, 435);
  // After the settings button, as far from it as it is from the first one.
  // Reached by its access key and the mouse; the keyboard's Tab order keeps
  // the four controls of the design.
  bt_ver_ = new QPushButton(QStringLiteral("&Ver proposta"), this);
  PlaceTwips(bt_ver_, 2880, 2280, 1305, 435);
  bt_ver_->setFocusPolicy(Qt::ClickFocus);

  // In the free space of the button row, a design margin away from the
  // buttons on either side, as tall as a line of text and centred on them.
  progress_bar_ = new QProgressBar(this);
  const int left = bt_ver_->geometry().right() + 1 + Px(120);
  const int right = bt_sair_->x() - Px(120);
  const int height = std::min(bt_sair_->height(), Px(315));
  progress_bar_->setGeometry(left,
                             bt_sair_->y() + (bt_sair_->height() - height) / 2,
                             right - left, height);
  progress_bar_->setFormat(QStringLiteral("%v / %m"));
  progress_bar_->setAlignment(Qt::AlignCenter);
  progress_bar_->setFocusPolicy(Qt::NoFocus);
  progress_bar_->hide();

  // Keyboard order of the design.
  setTabOrder(lista_, bt_sair_);
  setTabOrder(bt_sair_, bt_conf_);
  setTabOrder(bt_conf_, bt_param_);

  connect(bt_conf_, &QPushButton::clicked, this,
          &frmVOREncomendas::btConf_Click);
  connect(bt_param_, &QPushButton::clicked, this,
          &frmVOREncomendas::btParam_Click);
  connect(bt_sair_, &QPushButton::clicked, this,
          &frmVOREncomendas::btSair_Click);
  connect(bt_ver_, &QPushButton::clicked, this, &frmVOREncomendas::btVer_Click);
}

void frmVOREncomendas::Centre() {
  const QMargins frame =
      windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  centred_with_ = frame;
  const QScreen* screen = this->screen() != nullptr
                              ? this->screen()
                              : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const QSize outer = size().grownBy(frame);
  // The position of a window is that of its frame; a window larger than
  // the screen gets a negative left or top.
  move(area.x() + (area.width() - outer.width()) / 2,
       area.y() + (area.height() - outer.height()) / 2);
}

void frmVOREncomendas::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FollowFrame();
}

void frmVOREncomendas::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FollowFrame();
}

void frmVOREncomendas::FollowFrame() {
  // Window managers add their frame after the window is first shown; the
  // centring is done again once it is known. The frame changes only then,
  // so a window the user has moved stays where the user put it.
  if (windowHandle() != nullptr && isVisible() &&
      windowHandle()->frameMargins() != centred_with_) {
    Centre();
  }
}

void frmVOREncomendas::AddLista(const std::string& text) {
  AddListaLines({text});
}

void frmVOREncomendas::AddListaLines(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  QStringList added;
  added.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) {
    added.push_back(QString::fromStdString(line));
  }
  lista_->addItems(added);
  lista_->setCurrentRow(lista_->count() - 1);
  lista_->scrollToBottom();
  for (const QString& line : added) emit LineAdded(line);
}

void frmVOREncomendas::ShowStep(int64_t position, int64_t total) {
  const int maximum = ClampToInt(total);
  progress_bar_->setRange(0, std::max(maximum, 1));
  progress_bar_->setValue(std::min(ClampToInt(position), std::max(maximum, 1)));
  progress_bar_->setFormat(maximum > 0 ? QStringLiteral("%v / %m") : QString());
  progress_bar_->show();
}

std::string frmVOREncomendas::ConnectionFailureText() const {
  if (state_.ErpConnection == nullptr || state_.ErpConnection->IsOpen()) {
    return {};
  }
  return state_.ErpConnection->OpenFailure();
}

void frmVOREncomendas::btConf_Click() {
  if (running_ || ending_) return;
  running_ = true;
  setEnabled(false);
  // The table it shows is rewritten by the run.
  if (proposal_) proposal_->setEnabled(false);
  std::vector<std::string> report_failures;
  std::string log_path;
  try {
    WindowProgress progress(*this, services_);
    const RunOutcome outcome = run_control_->Sincronizar(progress);
    progress.Flush();
    running_ = false;
    progress_bar_->hide();
    if (!outcome.completed) {
      // The handler has logged the error and closed the log; the planner
      // is told what happened and where it is written before the program
      // ends, rather than seeing the window vanish.
      ending_ = true;
      services_.ShowMessage(
          this, WindowServices::Kind::kCritical,
          EngineEndBoxText(outcome.error_message, outcome.log_path));
      services_.EndProgram(1);
      return;
    }
    report_failures = outcome.report_failures;
    log_path = outcome.log_path;
  } catch (const std::exception&) {
    ReportAndEnd(UnhandledError(std::current_exception()));
    return;
  }
  setEnabled(true);
  if (state_.SilentRun) {
    ending_ = true;
    services_.EndProgram(report_failures.empty() ? 0 : 3);
    return;
  }
  if (!report_failures.empty()) {
    services_.ShowMessage(this, WindowServices::Kind::kWarning,
                          ReportNotDeliveredBoxText(report_failures, log_path));
  }
  if (proposal_) proposal_->setEnabled(true);
  btVer_Click();
}

void frmVOREncomendas::ReportAndEnd(const Error& error) {
  running_ = false;
  ending_ = true;
  progress_bar_->hide();
  services_.ShowMessage(this, WindowServices::Kind::kCritical,
                        ErrorBoxText(error));
  services_.EndProgram(2);
}

void frmVOREncomendas::btParam_Click() {
  // Each click opens a fresh window that reads the settings file again; it
  // deletes itself when closed.
  auto* window = new frmParametros();
  window->set_SettingsFilePath(state_.SettingsFilePath);
  window->set_ConnectionTest(&TestarLigacao);
  window->Mostra();
}

frmProposta* frmVOREncomendas::ProposalWindow() const { return proposal_; }

void frmVOREncomendas::btVer_Click() {
  if (!proposal_) {
    proposal_ = new frmProposta(state_.ErpConnection.get(),
                                state_.ComponentMode, &state_.Settings);
    // Opens centred over this window, inside the screen, at the size its
    // layout gives it.
    proposal_->layout()->activate();
    QRect place = proposal_->frameGeometry();
    place.moveCenter(frameGeometry().center());
    if (const QScreen* screen = this->screen()) {
      const QRect avail = screen->availableGeometry();
      place.moveLeft(
          std::clamp(place.left(), avail.left(),
                     std::max(avail.left(), avail.right() - place.width())));
      place.moveTop(
          std::clamp(place.top(), avail.top(),
                     std::max(avail.top(), avail.bottom() - place.height())));
    }
    proposal_->move(place.topLeft());
  }
  // "Porquê?" reads on a connection of its own, off the window's thread,
  // with the login of the settings as the latest run (or start-up) read
  // them.
  proposal_->SetExplanationConnection(
      [settings = state_.Settings.values(), folder = application_folder_] {
        return LIgarBd(settings, folder);
      });
  // The late supplier orders of the rows shown, as of today, with the
  // settings of the latest run.
  proposal_->SetLateOrders(
      [this](Connection& connection, const std::vector<ProposalRow>& rows) {
        return LateOrderFinder::Find(connection, rows, clock_(),
                                     state_.Settings.encomendas.atraso_maximo);
      });
  proposal_->Refresh();
  proposal_->show();
  proposal_->raise();
  proposal_->activateWindow();
}

void frmVOREncomendas::btSair_Click() {
  ending_ = true;
  close();
  services_.EndProgram(0);
}

void frmVOREncomendas::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  event->accept();
  if (!ending_) {
    ending_ = true;
    services_.EndProgram(0);
  }
}

QIcon ProgramIcon() {
  InitAppUiResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    icon.addFile(QStringLiteral(":/app/vorencomendas_%1.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace vor

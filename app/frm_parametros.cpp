#include "app/frm_parametros.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMoveEvent>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTabBar>
#include <QWindow>
#include <algorithm>
#include <initializer_list>
#include <utility>

#include "app/mail_server_setup.h"
#include "app/ui_font.h"
#include "app/ui_tab_strip.h"
#include "app/ui_twips.h"
#include "core/error.h"

// The pictures of the buttons live in the library's resources, which a
// static library must register by name from the global namespace.
static void InitSettingsUiResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(settings_ui);
    return true;
  }();
  (void)registered;
}

namespace vor {
namespace {

constexpr int Px(int twips) { return TwipsToPixels(twips); }

// The design's margin between the window's edge and its controls, and the
// space the buttons leave under the tab strip.
constexpr int kMargin = 120;
constexpr int kButtonWidth = 1200;
constexpr int kButtonHeight = 435;

// The page "Base de dados": captions and fields in a column on the left,
// the test button and its result on the right (twips).
// Each caption's access key reaches its field; none repeats the window's
// own "&Confirmar", "&Sair" or the page's "&Testar ligação".
constexpr const char* kBdCaptions[frmParametros::kBdFieldCount] = {
    "Ser&vidor",      "&Base de dados", "&Utilizador",
    "&Palavra-passe", "&Driver ODBC",   "P&orta"};
constexpr int kBdTop = 255;
constexpr int kBdPitch = 375;
constexpr int kBdFieldLeft = 1650;
constexpr int kBdFieldWidth = 3000;
constexpr int kBdTestLeft = 4900;
constexpr int kBdTestWidth = 2200;
constexpr int kBdResultTop = 765;
// The result needs room for a few words of a line and two lines.
constexpr int kBdResultMinWidth = 2000;
constexpr int kBdResultMinHeight = 600;

QLineEdit* NewField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  field->setPalette(palette);
  return field;
}

QLabel* NewLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  // Centred vertically so that the caption lines up with the field's text.
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

}  // namespace

frmParametros::frmParametros(QWidget* parent) : QWidget(parent, Qt::Window) {
  InitSettingsUiResources();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Parâmetros"));
  setFont(WindowFont(false));
  BuildControls();
  setMinimumSize(MinimumClientSize());
  PlaceWindow();
  Layout();
}

frmParametros::~frmParametros() = default;

void frmParametros::BuildControls() {
  tab_strip_ = new TabStrip(this);
  tab_strip_->setFont(WindowFont(true));
  tab_strip_->AddTab(QStringLiteral("e-mail"));
  tab_strip_->AddTab(QStringLiteral("Log"));
  tab_strip_->AddTab(QStringLiteral("Base de dados"));
  tab_strip_->setGeometry(Px(kMargin), Px(kMargin), Px(9500), Px(3500));

  // The pages lie over the strip's client area; created after the strip,
  // they stack above it.
  for (QFrame*& frame : frame_) {
    frame = new QFrame(this);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setAutoFillBackground(true);
  }

  titulo13_ = NewLabel(QStringLiteral("Assunto"), frame_[0]);
  titulo13_->setGeometry(Px(120), Px(255), Px(1500), Px(285));
  campo13_ = NewField(frame_[0]);
  campo13_->setGeometry(Px(1650), Px(255), Px(4605), Px(285));
  // The report's recipients, under the subject.
  titulo14_ = NewLabel(QStringLiteral("Destinatários"), frame_[0]);
  titulo14_->setGeometry(Px(120), Px(660), Px(1500), Px(285));
  campo14_ = NewField(frame_[0]);
  campo14_->setGeometry(Px(1650), Px(660), Px(4605), Px(285));
  campo14_->setToolTip(QStringLiteral(
      "Endereços separados por \";\" ou \",\"; vazio: não é enviado e-mail"));
  bt_conf_email_ = new QPushButton(
      QStringLiteral("Configuração do servidor de e-mail"), frame_[0]);
  bt_conf_email_->setGeometry(Px(780), Px(1290), Px(4620), Px(390));

  titulo15_ = NewLabel(QStringLiteral("Pasta"), frame_[1]);
  titulo15_->setGeometry(Px(120), Px(200), Px(1500), Px(280));
  campo15_ = NewField(frame_[1]);
  campo15_->setGeometry(Px(1680), Px(195), Px(4605), Px(285));

  for (int i = 0; i < kBdFieldCount; ++i) {
    const int top = kBdTop + i * kBdPitch;
    titulo_bd_[i] = NewLabel(QString::fromUtf8(kBdCaptions[i]), frame_[2]);
    titulo_bd_[i]->setGeometry(Px(120), Px(top), Px(1500), Px(285));
    campo_bd_[i] = NewField(frame_[2]);
    campo_bd_[i]->setGeometry(Px(kBdFieldLeft), Px(top), Px(kBdFieldWidth),
                              Px(285));
    titulo_bd_[i]->setBuddy(campo_bd_[i]);
  }
  CampoBd(BdField::kPassword)->setEchoMode(QLineEdit::Password);
  CampoBd(BdField::kDriver)->setPlaceholderText(QStringLiteral("FreeTDS"));
  CampoBd(BdField::kPorta)->setPlaceholderText(QStringLiteral("1433"));
  bt_testar_ = new QPushButton(QStringLiteral("&Testar ligação"), frame_[2]);
  bt_testar_->setGeometry(Px(kBdTestLeft), Px(kBdTop), Px(kBdTestWidth),
                          Px(390));
  bt_testar_->setEnabled(false);
  resultado_teste_ = new QLabel(frame_[2]);
  resultado_teste_->setWordWrap(true);
  resultado_teste_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  resultado_teste_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  resultado_teste_->move(Px(kBdTestLeft), Px(kBdResultTop));

  bt_conf_ = new QPushButton(QStringLiteral("&Confirmar"), this);
  bt_conf_->resize(Px(kButtonWidth), Px(kButtonHeight));
  bt_conf_->setIcon(QIcon(QStringLiteral(":/settings/confirmar.png")));
  bt_conf_->setIconSize(QSize(24, 24));
  bt_sair_ = new QPushButton(QStringLiteral("&Sair"), this);
  bt_sair_->resize(Px(kButtonWidth), Px(kButtonHeight));
  bt_sair_->setIcon(QIcon(QStringLiteral(":/settings/sair.png")));
  bt_sair_->setIconSize(QSize(16, 16));

  // Keyboard order of the design; hidden controls are skipped.
  setTabOrder(bt_conf_email_, campo15_);
  setTabOrder(campo15_, bt_conf_);
  setTabOrder(bt_conf_, bt_sair_);
  setTabOrder(bt_sair_, tab_strip_->tabBar());
  setTabOrder(tab_strip_->tabBar(), campo13_);
  setTabOrder(campo13_, campo14_);
  QWidget* previous = campo14_;
  for (QLineEdit* field : campo_bd_) {
    setTabOrder(previous, field);
    previous = field;
  }
  setTabOrder(previous, bt_testar_);

  // Only the page of the selected tab is on view, so that the keyboard
  // never reaches a field hidden behind another page.
  frame_[1]->hide();
  frame_[2]->hide();

  connect(tab_strip_, &TabStrip::TabActivated, this, &frmParametros::ShowPage);
  // Ctrl+Tab / Ctrl+PgDown and Ctrl+Shift+Tab / Ctrl+PgUp turn the pages
  // from anywhere in the window.
  auto turn = [this](int step) {
    const int count = tab_strip_->count();
    tab_strip_->setCurrentIndex((tab_strip_->currentIndex() + step + count) %
                                count);
  };
  for (const auto& [keys, step] :
       {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this,
            [turn, step = step] { turn(step); });
  }
  connect(bt_conf_, &QPushButton::clicked, this, &frmParametros::Confirm);
  connect(bt_sair_, &QPushButton::clicked, this, &QWidget::close);
  connect(bt_conf_email_, &QPushButton::clicked, this,
          &frmParametros::ConfigureMailServer);
  connect(bt_testar_, &QPushButton::clicked, this,
          &frmParametros::TestarLigacao);
}

void frmParametros::set_ConnectionTest(ConnectionTest test) {
  connection_test_ = std::move(test);
  bt_testar_->setEnabled(static_cast<bool>(connection_test_));
}

QFrame* frmParametros::Frame(int index) const {
  return index >= 0 && index < 3 ? frame_[index] : nullptr;
}

QLabel* frmParametros::Titulo(int index) const {
  if (index == 13) return titulo13_;
  if (index == 14) return titulo14_;
  if (index == 15) return titulo15_;
  return nullptr;
}

QLineEdit* frmParametros::Campo(int index) const {
  if (index == 13) return campo13_;
  if (index == 14) return campo14_;
  if (index == 15) return campo15_;
  return nullptr;
}

QSize frmParametros::DesignOuterSize() { return QSize(Px(10000), Px(5000)); }

QSize frmParametros::MinimumClientSize() const {
  // A page must hold the controls of both pages with the design's margin
  // after the rightmost and the lowest of them.
  int page_width = 0;
  int page_height = 0;
  for (const QWidget* w : std::initializer_list<const QWidget*>{
           titulo13_, campo13_, titulo14_, campo14_, bt_conf_email_,
           titulo15_}) {
    page_width = std::max(page_width, w->geometry().right() + 1);
    page_height = std::max(page_height, w->geometry().bottom() + 1);
  }
  page_height = std::max(page_height, campo15_->y() + campo15_->height());
  const QLineEdit* last_bd = campo_bd_[kBdFieldCount - 1];
  page_width = std::max(page_width, last_bd->geometry().right() + 1);
  page_width = std::max(page_width, bt_testar_->geometry().right() + 1);
  page_width = std::max(page_width, Px(kBdTestLeft + kBdResultMinWidth));
  page_height = std::max(page_height, last_bd->geometry().bottom() + 1);
  page_height = std::max(page_height, Px(kBdResultTop + kBdResultMinHeight));
  page_width += Px(kMargin);
  page_height += Px(kMargin);
  // Campo(15) must keep a usable width when it is narrowed to the page.
  page_width = std::max(page_width, campo15_->x() + Px(1500) + Px(kMargin));

  const QSize chrome = tab_strip_->ChromeSize();
  const int width_for_page = Px(2 * kMargin) + page_width + chrome.width();
  const int width_for_buttons =
      bt_conf_->width() + bt_sair_->width() + Px(3 * kMargin);
  const int height_for_page = Px(kMargin) + page_height + chrome.height() +
                              Px(2 * kMargin) + bt_sair_->height();
  return QSize(std::max(width_for_page, width_for_buttons), height_for_page);
}

void frmParametros::PlaceWindow() {
  // The design gives the outer size; the client area is what the frame the
  // platform reports leaves inside it.
  const QMargins frame =
      windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  applied_frame_margins_ = frame;
  const QSize outer = DesignOuterSize();
  resize(outer.width() - frame.left() - frame.right(),
         outer.height() - frame.top() - frame.bottom());
  const QScreen* screen = this->screen() != nullptr
                              ? this->screen()
                              : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const QSize actual = size().grownBy(frame);
  // The position of a window is that of its frame.
  move(area.x() + (area.width() - actual.width()) / 2,
       area.y() + (area.height() - actual.height()) / 2);
}

void frmParametros::Layout() {
  const int w = width();
  const int h = height();
  bt_conf_->move(Px(kMargin), h - (bt_conf_->height() + Px(kMargin)));
  bt_sair_->move(w - (bt_sair_->width() + Px(kMargin)), bt_conf_->y());
  tab_strip_->setGeometry(
      Px(kMargin), Px(kMargin), std::max(0, w - Px(2 * kMargin)),
      std::max(0, h - (bt_sair_->height() + Px(3 * kMargin))));
  const QRect client = tab_strip_->ClientArea().translated(tab_strip_->pos());
  for (QFrame* frame : frame_) frame->setGeometry(client);
  campo15_->resize(
      std::max(0, frame_[1]->width() - (campo15_->x() + Px(kMargin))),
      campo15_->height());
  resultado_teste_->resize(
      std::max(0, frame_[2]->width() - (resultado_teste_->x() + Px(kMargin))),
      std::max(0, frame_[2]->height() - (resultado_teste_->y() + Px(kMargin))));
}

void frmParametros::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void frmParametros::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FollowFrame();
}

void frmParametros::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FollowFrame();
}

void frmParametros::FollowFrame() {
  // Window managers add their frame after the window is first shown; the
  // outer size and the centring are computed again once it is known. The
  // frame changes only then, so a window the user has moved or resized
  // stays where the user put it.
  if (windowHandle() != nullptr && isVisible() &&
      windowHandle()->frameMargins() != applied_frame_margins_) {
    PlaceWindow();
  }
}

void frmParametros::Mostra() {
  parametros_ = std::make_unique<Parametros>();
  parametros_->set_FicheiroIni(settings_file_path_);
  limpaForm();
  Carrega();
}

void frmParametros::limpaForm() {}

void frmParametros::Carrega() {
  if (parametros_ == nullptr) {
    parametros_ = std::make_unique<Parametros>();
    parametros_->set_FicheiroIni(settings_file_path_);
  }
  parametros_->Ler();
  campo13_->setText(QString::fromStdString(parametros_->email_Assunto()));
  campo14_->setText(QString::fromStdString(parametros_->email_destino()));
  campo15_->setText(QString::fromStdString(parametros_->Log_Directoria()));
  // The login as stored; a file that cannot be read leaves the page empty
  // and Grava leaves section BD alone.
  loaded_login_.reset();
  DatabaseLogin login;
  try {
    login = DatabaseLogin::Load(settings_file_path_);
    loaded_login_ = std::make_unique<DatabaseLogin>(login);
    resultado_teste_->clear();
  } catch (const Error& e) {
    resultado_teste_->setText(QString::fromStdString(e.description()));
  }
  const std::string DatabaseLogin::*members[kBdFieldCount] = {
      &DatabaseLogin::servidor,   &DatabaseLogin::base_dados,
      &DatabaseLogin::utilizador, &DatabaseLogin::password,
      &DatabaseLogin::driver,     &DatabaseLogin::porta};
  for (int i = 0; i < kBdFieldCount; ++i) {
    campo_bd_[i]->setText(QString::fromStdString(login.*members[i]));
  }
  show();
  tab_strip_->setCurrentIndex(0);
  ShowPage(0);
}

DatabaseLogin frmParametros::TypedLogin() const {
  // Keys the page does not show keep their stored values.
  DatabaseLogin login = loaded_login_ ? *loaded_login_ : DatabaseLogin();
  const auto text = [this](BdField f) {
    return CampoBd(f)->text().toStdString();
  };
  login.servidor = text(BdField::kServidor);
  login.base_dados = text(BdField::kBaseDados);
  login.utilizador = text(BdField::kUtilizador);
  login.password = text(BdField::kPassword);
  login.driver = text(BdField::kDriver);
  login.porta = text(BdField::kPorta);
  return login;
}

bool frmParametros::Grava() {
  save_error_.clear();
  if (parametros_ == nullptr) return false;
  const DatabaseLogin login = TypedLogin();
  if (loaded_login_ != nullptr) {
    if (const auto problem = DatabaseLogin::Problem(login)) {
      save_error_ = *problem;
      return false;
    }
  }
  parametros_->set_email_Assunto(campo13_->text().toStdString());
  parametros_->set_email_destino(campo14_->text().toStdString());
  parametros_->set_Log_Directoria(campo15_->text().toStdString());
  if (!parametros_->Escrever()) return false;
  if (loaded_login_ == nullptr) return true;
  try {
    DatabaseLogin::Save(settings_file_path_, login, loaded_login_.get());
  } catch (const Error& e) {
    save_error_ = e.description();
    return false;
  }
  *loaded_login_ = login;
  return true;
}

void frmParametros::TestarLigacao() {
  if (!connection_test_) return;
  resultado_teste_->setText(QStringLiteral("A testar a ligação..."));
  resultado_teste_->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string outcome;
  try {
    outcome = connection_test_(TypedLogin(), settings_file_path_);
  } catch (const Error& e) {
    outcome = e.description();
  }
  QApplication::restoreOverrideCursor();
  QString text = outcome.empty() ? QStringLiteral("Ligação estabelecida.")
                                 : QString::fromStdString(outcome);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  resultado_teste_->setText(text);
}

void frmParametros::ShowPage(int index) {
  if (index < 0 || index > 2) return;
  for (QFrame* frame : frame_) frame->hide();
  frame_[index]->show();
  frame_[index]->raise();
  if (index == 0) {
    bt_conf_email_->setFocus(Qt::OtherFocusReason);
  } else if (index == 1) {
    campo15_->setFocus(Qt::OtherFocusReason);
  } else {
    CampoBd(BdField::kServidor)->setFocus(Qt::OtherFocusReason);
  }
}

void frmParametros::Confirm() {
  if (loaded_login_ != nullptr) {
    if (const auto problem = DatabaseLogin::Problem(TypedLogin())) {
      tab_strip_->setCurrentIndex(2);
      ShowPage(2);
      CampoBd(BdField::kPorta)->setFocus(Qt::OtherFocusReason);
      QMessageBox::warning(this, windowTitle(),
                           QString::fromStdString(*problem));
      return;
    }
  }
  if (Grava()) {
    close();
    return;
  }
  // The entries stay in the window so that the user can try again.
  QString text = QStringLiteral(
                     "Não foi possível gravar os parâmetros no ficheiro "
                     "\"%1\".")
                     .arg(QString::fromStdString(settings_file_path_));
  if (!save_error_.empty()) {
    text += QStringLiteral("\n") + QString::fromStdString(save_error_);
  }
  QMessageBox::warning(this, windowTitle(), text);
}

void frmParametros::ConfigureMailServer() {
  MailServerSetup setup(this);
  setup.set_SettingsFilePath(settings_file_path_);
  setup.Run();
}

}  // namespace vor

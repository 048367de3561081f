#include "settings/frm_parametros.h"

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
#include <QShowEvent>
#include <QTabBar>
#include <QWindow>
#include <algorithm>
#include <initializer_list>

#include "settings/mail_server_setup.h"
#include "settings/ui_font.h"
#include "settings/ui_tab_strip.h"
#include "settings/ui_twips.h"

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

  // Only the page of the selected tab is on view, so that the keyboard
  // never reaches a field hidden behind the other page.
  frame_[1]->hide();

  connect(tab_strip_, &TabStrip::TabActivated, this, &frmParametros::ShowPage);
  connect(bt_conf_, &QPushButton::clicked, this, &frmParametros::Confirm);
  connect(bt_sair_, &QPushButton::clicked, this, &QWidget::close);
  connect(bt_conf_email_, &QPushButton::clicked, this,
          &frmParametros::ConfigureMailServer);
}

QFrame* frmParametros::Frame(int index) const {
  return index == 0 || index == 1 ? frame_[index] : nullptr;
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
  show();
  tab_strip_->setCurrentIndex(0);
  ShowPage(0);
}

bool frmParametros::Grava() {
  if (parametros_ == nullptr) return false;
  parametros_->set_email_Assunto(campo13_->text().toStdString());
  parametros_->set_email_destino(campo14_->text().toStdString());
  parametros_->set_Log_Directoria(campo15_->text().toStdString());
  return parametros_->Escrever();
}

void frmParametros::ShowPage(int index) {
  if (index < 0 || index > 1) return;
  for (QFrame* frame : frame_) frame->hide();
  frame_[index]->show();
  frame_[index]->raise();
  if (index == 0) {
    bt_conf_email_->setFocus(Qt::OtherFocusReason);
  } else {
    campo15_->setFocus(Qt::OtherFocusReason);
  }
}

void frmParametros::Confirm() {
  if (Grava()) {
    close();
    return;
  }
  // The entries stay in the window so that the user can try again.
  QMessageBox::warning(
      this, windowTitle(),
      QStringLiteral("Não foi possível gravar os parâmetros no ficheiro "
                     "\"%1\".")
          .arg(QString::fromStdString(settings_file_path_)));
}

void frmParametros::ConfigureMailServer() {
  MailServerSetup setup(this);
  setup.set_SettingsFilePath(settings_file_path_);
  setup.Run();
}

}  // namespace vor

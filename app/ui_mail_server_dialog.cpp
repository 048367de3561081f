#include "app/ui_mail_server_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_font.h"
#include "core/error.h"

namespace vor {
namespace {

// Security modes in the order of the list, with the port each usually uses.
struct SecurityMode {
  const char* value;
  const char* caption;
  const char* port;
};
constexpr SecurityMode kModes[] = {
    {MailServerSetup::kSecurityNone, "Nenhuma", "25"},
    {MailServerSetup::kSecurityStartTls, "STARTTLS", "587"},
    {MailServerSetup::kSecuritySsl, "SSL/TLS", "465"},
};

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QLineEdit* NewField(const std::string& text, QWidget* parent) {
  auto* field = new QLineEdit(Q(text), parent);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  field->setPalette(palette);
  return field;
}

}  // namespace

MailServerDialog::MailServerDialog(const std::string& settings_file_path,
                                   const MailServerSetup::Smtp& loaded,
                                   QWidget* parent)
    : QDialog(parent), path_(settings_file_path), loaded_(loaded) {
  setWindowTitle(QStringLiteral("Configuração do servidor de e-mail"));
  setModal(true);
  setFont(WindowFont());

  servidor_ = NewField(loaded.servidor, this);
  porta_ = NewField(loaded.porta, this);
  porta_->setMaxLength(5);
  porta_->setMaximumWidth(80);
  seguranca_ = new QComboBox(this);
  for (const SecurityMode& mode : kModes) {
    seguranca_->addItem(QString::fromUtf8(mode.caption),
                        QString::fromUtf8(mode.value));
  }
  const int found = seguranca_->findData(Q(loaded.seguranca));
  security_index_ = found >= 0 ? found : 0;
  seguranca_->setCurrentIndex(security_index_);
  utilizador_ = NewField(loaded.utilizador, this);
  password_ = NewField(loaded.password, this);
  password_->setEchoMode(QLineEdit::Password);
  email_emissor_ = NewField(loaded.email_emissor, this);
  nome_emissor_ = NewField(loaded.nome_emissor, this);
  servidor_->setMinimumWidth(260);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Ser&vidor"), servidor_);
  form->addRow(QStringLiteral("&Porta"), porta_);
  form->addRow(QStringLiteral("Segu&rança"), seguranca_);
  form->addRow(QStringLiteral("&Utilizador"), utilizador_);
  form->addRow(QStringLiteral("Palavra-p&asse"), password_);
  form->addRow(QStringLiteral("&Endereço do emissor"), email_emissor_);
  form->addRow(QStringLiteral("&Nome do emissor"), nome_emissor_);

  error_ = new QLabel(this);
  error_->setWordWrap(true);
  error_->setMaximumWidth(420);
  error_->hide();

  auto* buttons = new QDialogButtonBox(this);
  confirm_ = buttons->addButton(QStringLiteral("&Confirmar"),
                                QDialogButtonBox::AcceptRole);
  cancel_ =
      buttons->addButton(QStringLiteral("&Sair"), QDialogButtonBox::RejectRole);
  test_ = buttons->addButton(QStringLiteral("Enviar mensagem de &teste"),
                             QDialogButtonBox::ActionRole);
  test_->setAutoDefault(false);
  test_->setVisible(static_cast<bool>(MailServerSetup::test_sender()));
  connect(test_, &QPushButton::clicked, this, &MailServerDialog::SendTest);
  confirm_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(seguranca_, &QComboBox::currentIndexChanged, this,
          &MailServerDialog::SecurityChanged);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(error_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

MailServerSetup::Smtp MailServerDialog::Values() const {
  MailServerSetup::Smtp values;
  values.servidor = S(servidor_->text().trimmed());
  values.porta = S(porta_->text().trimmed());
  values.seguranca = S(seguranca_->currentData().toString());
  values.utilizador = S(utilizador_->text());
  values.password = S(password_->text());
  values.email_emissor = S(email_emissor_->text().trimmed());
  values.nome_emissor = S(nome_emissor_->text());
  return values;
}

QString MailServerDialog::error_text() const {
  return error_->isHidden() ? QString() : error_->text();
}

void MailServerDialog::ShowProblem(const QString& text, QWidget* field) {
  SetMessageColour(QColor(0xb0, 0x00, 0x00));
  error_->setText(text);
  error_->show();
  if (field != nullptr) field->setFocus(Qt::OtherFocusReason);
}

QWidget* MailServerDialog::FieldWidget(MailServerSetup::Field field) const {
  using F = MailServerSetup::Field;
  switch (field) {
    case F::kServidor:
      return servidor_;
    case F::kPorta:
      return porta_;
    case F::kSeguranca:
      return seguranca_;
    case F::kUtilizador:
      return utilizador_;
    case F::kPassword:
      return password_;
    case F::kEmailEmissor:
      return email_emissor_;
    case F::kNomeEmissor:
      return nome_emissor_;
  }
  return nullptr;
}

bool MailServerDialog::TrySave() {
  const MailServerSetup::Smtp values = Values();
  if (const auto problem = MailServerSetup::Validate(values)) {
    ShowProblem(Q(problem->message), FieldWidget(problem->field));
    return false;
  }
  try {
    MailServerSetup::Save(path_, values, &loaded_);
  } catch (const Error& error) {
    // The description names the settings file; the dialog stays open with
    // the entries so that the user can correct the cause and confirm again.
    ShowProblem(
        QStringLiteral("Não foi possível gravar a configuração do servidor "
                       "de e-mail: %1")
            .arg(Q(error.description())),
        nullptr);
    return false;
  }
  loaded_ = values;
  error_->clear();
  error_->hide();
  return true;
}

void MailServerDialog::SetMessageColour(const QColor& colour) {
  QPalette palette = error_->palette();
  palette.setColor(QPalette::WindowText, colour);
  error_->setPalette(palette);
}

void MailServerDialog::SendTest() {
  const MailServerSetup::TestSender& sender = MailServerSetup::test_sender();
  if (!sender) return;
  const MailServerSetup::Smtp values = Values();
  if (const auto problem = MailServerSetup::Validate(values)) {
    ShowProblem(Q(problem->message), FieldWidget(problem->field));
    return;
  }
  // The exchange with the server takes as long as it takes (bounded by the
  // connection timeout); the dialog cannot be used meanwhile.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string note;
  std::string failure;
  try {
    note = sender(values, path_);
  } catch (const std::exception&) {
    failure = UnhandledError(std::current_exception()).description();
  }
  QApplication::restoreOverrideCursor();
  if (!failure.empty()) {
    ShowProblem(QStringLiteral("A mensagem de teste não foi enviada: %1")
                    .arg(Q(failure)),
                nullptr);
    return;
  }
  SetMessageColour(QColor(0x00, 0x60, 0x20));
  error_->setText(Q(note));
  error_->show();
}

void MailServerDialog::accept() {
  if (TrySave()) QDialog::accept();
}

void MailServerDialog::SecurityChanged(int index) {
  if (index < 0) return;
  const QString port = porta_->text().trimmed();
  if (port.isEmpty() || port == QLatin1String(kModes[security_index_].port)) {
    porta_->setText(QString::fromLatin1(kModes[index].port));
  }
  security_index_ = index;
}

}  // namespace vor

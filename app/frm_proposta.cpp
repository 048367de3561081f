#include "app/frm_proposta.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/explanation_text.h"
#include "app/frm_vorencomendas.h"
#include "app/proposal_model.h"
#include "core/error.h"
#include "engine/article_explanation.h"
#include "proposal/proposal_exceptions.h"
#include "proposal/proposal_export.h"
#include "proposal/proposal_table.h"

namespace vor {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Figures(const ProposalSummary& s) {
  return QStringLiteral(
             "%1 artigos, <b>%2 a encomendar</b>, "
             "<span style='color:#b00000'><b>%3 em rutura</b></span>, "
             "%4 fornecedores, %5 exceções")
      .arg(s.articles)
      .arg(s.to_order)
      .arg(s.shortages)
      .arg(s.suppliers)
      .arg(s.exceptions);
}

// A small square of `colour` followed by `text`, for the legend.
QLabel* LegendLabel(const QColor& colour, const QString& text,
                    QWidget* parent) {
  return new QLabel(
      QStringLiteral(
          "<span style='background-color:%1'>&nbsp;&nbsp;&nbsp;&nbsp;"
          "</span>&nbsp;%2")
          .arg(colour.name(), text),
      parent);
}

}  // namespace

frmProposta::frmProposta(Connection* connection, std::string component_mode,
                         std::string settings_path)
    : QWidget(nullptr, Qt::Window),
      connection_(connection),
      component_mode_(std::move(component_mode)),
      settings_path_(std::move(settings_path)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("VORencomendas - Proposta de encomendas"));
  setWindowIcon(ProgramIcon());
  BuildControls();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize avail =
      screen != nullptr ? screen->availableSize() : QSize(1280, 800);
  resize(std::min(1280, avail.width() - 40),
         std::min(720, avail.height() - 60));
}

void frmProposta::BuildControls() {
  summary_ = new QLabel(this);
  summary_->setTextFormat(Qt::RichText);
  summary_->setWordWrap(true);

  search_ = new QLineEdit(this);
  search_->setPlaceholderText(
      QStringLiteral("Procurar artigo ou fornecedor (código ou nome)"));
  search_->setClearButtonEnabled(true);
  search_->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
  only_to_order_ = new QCheckBox(QStringLiteral("Só a &encomendar"), this);
  only_to_order_->setChecked(true);
  only_exceptions_ = new QCheckBox(QStringLiteral("&Só exceções"), this);
  only_exceptions_->setToolTip(QStringLiteral(
      "Só as linhas a verificar antes de encomendar (coluna Motivo)"));
  suppliers_ = new QComboBox(this);
  suppliers_->setSizeAdjustPolicy(
      QComboBox::AdjustToMinimumContentsLengthWithIcon);
  suppliers_->setMinimumContentsLength(32);

  auto* filters = new QHBoxLayout;
  filters->addWidget(search_);
  filters->addWidget(only_to_order_);
  filters->addWidget(only_exceptions_);
  filters->addWidget(new QLabel(QStringLiteral("Fornecedor:"), this));
  filters->addWidget(suppliers_);
  filters->addStretch(1);

  model_ = new ProposalModel(this);
  model_->SetOnlyToOrder(true);
  table_ = new QTableView(this);
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->setCornerButtonEnabled(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionsMovable(true);
  header->setHighlightSections(false);
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  header->setSortIndicatorShown(true);
  // No indicator: the default order until a column is clicked.
  header->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSortingEnabled(true);
  // Wide enough for the column's usual values and for its whole header
  // with the sort indicator.
  const int ch = fontMetrics().averageCharWidth();
  const QFontMetrics header_metrics(header->font());
  for (ProposalColumn c : AllProposalColumns()) {
    const int section = static_cast<int>(c);
    const ProposalColumnInfo& info = ColumnInfoOf(c);
    table_->setColumnWidth(section,
                           std::max(info.width_chars * ch + 16,
                                    header_metrics.horizontalAdvance(
                                        QString::fromUtf8(info.header)) +
                                        28));
    table_->setColumnHidden(section, !info.shown_by_default);
  }
  table_->setColumnWidth(ProposalModel::kReasonColumn, 48 * ch);

  error_ = new QLabel(this);
  error_->setWordWrap(true);
  error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  error_->setStyleSheet(QStringLiteral("color:#b00000; font-weight:bold"));
  error_->hide();

  status_ = new QLabel(this);
  refresh_ = new QPushButton(QStringLiteral("&Atualizar"), this);
  export_ = new QPushButton(QStringLiteral("E&xportar…"), this);
  close_ = new QPushButton(QStringLiteral("&Fechar"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(refresh_);
  buttons->addSpacing(12);
  buttons->addWidget(LegendLabel(
      ProposalModel::ShortageTint(),
      QStringLiteral("Rutura: procura acima do stock no prazo"), this));
  buttons->addSpacing(12);
  buttons->addWidget(
      LegendLabel(ProposalModel::OrderTint(),
                  QStringLiteral("Encomenda proposta sem rutura"), this));
  buttons->addSpacing(12);
  buttons->addWidget(status_, 1);
  buttons->addWidget(export_);
  buttons->addWidget(close_);

  why_ = new QWidget(this);
  why_title_ = new QLabel(why_);
  why_title_->setTextFormat(Qt::RichText);
  why_title_->setWordWrap(true);
  why_text_ = new QPlainTextEdit(why_);
  why_text_->setReadOnly(true);
  why_text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  copy_ = new QPushButton(QStringLiteral("&Copiar"), why_);
  auto* why_close = new QPushButton(QStringLiteral("Fechar painel"), why_);
  auto* why_buttons = new QHBoxLayout;
  why_buttons->addWidget(copy_);
  why_buttons->addStretch(1);
  why_buttons->addWidget(why_close);
  auto* why_layout = new QVBoxLayout(why_);
  why_layout->setContentsMargins(6, 0, 0, 0);
  why_layout->addWidget(why_title_);
  why_layout->addWidget(why_text_, 1);
  why_layout->addLayout(why_buttons);
  why_->hide();

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(table_);
  splitter->addWidget(why_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addLayout(filters);
  layout->addWidget(splitter, 1);
  layout->addWidget(error_);
  layout->addLayout(buttons);

  connect(search_, &QLineEdit::textChanged, model_, &ProposalModel::SetSearch);
  connect(only_to_order_, &QCheckBox::toggled, model_,
          &ProposalModel::SetOnlyToOrder);
  connect(only_exceptions_, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetOnlyExceptions(on);
    // The reasons are the point of this filter: bring "Motivo" into view.
    if (on && model_->rowCount() > 0 &&
        !table_->isColumnHidden(ProposalModel::kReasonColumn)) {
      table_->scrollTo(model_->index(0, ProposalModel::kReasonColumn));
    }
  });
  connect(suppliers_, &QComboBox::currentIndexChanged, this, [this] {
    const QString code = suppliers_->currentData().toString();
    model_->SetSuppliers(code.isEmpty() ? std::vector<std::string>{}
                                        : std::vector{code.toStdString()});
  });
  connect(model_, &ProposalModel::ShownChanged, this,
          &frmProposta::ShowSummary);
  connect(header, &QHeaderView::customContextMenuRequested, this,
          &frmProposta::ShowHeaderMenu);
  connect(refresh_, &QPushButton::clicked, this, &frmProposta::Refresh);
  connect(export_, &QPushButton::clicked, this, &frmProposta::AskAndExport);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged,
          this, [this](const QModelIndex& current) {
            if (current.isValid()) ExplainRow(current.row());
          });
  connect(copy_, &QPushButton::clicked, this, [this] {
    QGuiApplication::clipboard()->setText(why_text_->toPlainText());
  });
  connect(why_close, &QPushButton::clicked, why_, &QWidget::hide);
}

void frmProposta::ExplainRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const ProposalRow& stored = model_->RowAt(row);
  const std::string article = stored.Text(ProposalField::kArtigo);
  QString name = Q(stored.Text(ProposalField::kNome));
  why_title_->setText(
      QStringLiteral("<b>Porquê?</b> &nbsp;%1 %2")
          .arg(Q(article).toHtmlEscaped(), name.toHtmlEscaped()));
  QString text;
  try {
    if (connection_ == nullptr) {
      throw Error(errnum::kDatabase, "Não há ligação à base de dados.");
    }
    const ArticleExplanation why =
        ExplainArticle(*connection_, article, component_mode_);
    for (const std::string& line :
         ExplanationLines(why, stored.Number(ProposalField::kQtdUB))) {
      text += Q(line) + QLatin1Char('\n');
    }
  } catch (const Error& e) {
    text = QStringLiteral("Não foi possível explicar o artigo %1.\n%2")
               .arg(Q(article), Q(e.description()));
  }
  why_text_->setPlainText(text);
  why_->show();
}

void frmProposta::Refresh() {
  status_->clear();
  why_->hide();  // it explained a row of the table read before
  try {
    if (connection_ == nullptr) {
      throw Error(errnum::kDatabase, "Não há ligação à base de dados.");
    }
    if (!settings_path_.empty()) {
      model_->SetCoverLimit(
          ProposalExceptions::CoverLimit(SettingsValues::Read(settings_path_)));
    }
    model_->SetTable(ProposalTable::Read(*connection_));
    error_->hide();
    table_->show();
    export_->setEnabled(true);
  } catch (const Error& e) {
    model_->SetTable(ProposalTable());
    error_->setText(QStringLiteral("Não é possível mostrar a proposta.\n") +
                    Q(e.description()));
    error_->show();
    table_->hide();
    export_->setEnabled(false);
  }
  FillSuppliers();
  ShowSummary();
}

void frmProposta::FillSuppliers() {
  const QString current = suppliers_->currentData().toString();
  const QSignalBlocker block(suppliers_);
  suppliers_->clear();
  suppliers_->addItem(QStringLiteral("Todos os fornecedores"), QString());
  int keep = 0;
  for (const ProposalSupplier& s : model_->view().Suppliers()) {
    QString text = Q(s.label);
    if (s.label != s.code) text += QStringLiteral(" (%1)").arg(Q(s.code));
    text += QStringLiteral(" - %1 a encomendar").arg(s.to_order);
    suppliers_->addItem(text, Q(s.code));
    if (Q(s.code) == current) keep = suppliers_->count() - 1;
  }
  suppliers_->setCurrentIndex(keep);
  if (keep == 0 && !current.isEmpty()) model_->SetSuppliers({});
}

void frmProposta::ShowSummary() {
  const ProposalView& view = model_->view();
  summary_->setText(
      QStringLiteral("Mostrados: %1 &nbsp;&nbsp;|&nbsp;&nbsp; "
                     "Total: %2")
          .arg(Figures(view.ShownSummary()), Figures(view.TotalSummary())));
}

std::vector<ProposalColumn> frmProposta::ShownColumns() const {
  const QHeaderView* header = table_->horizontalHeader();
  std::vector<ProposalColumn> columns;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical != ProposalModel::kReasonColumn &&
        !header->isSectionHidden(logical)) {
      columns.push_back(static_cast<ProposalColumn>(logical));
    }
  }
  return columns;
}

void frmProposta::ExportTo(const std::string& path) const {
  ProposalExport::Export(path, model_->view(), ShownColumns());
}

void frmProposta::AskAndExport() {
  QString filter;
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Exportar a proposta"),
      QStringLiteral("proposta-encomendas.xlsx"),
      QStringLiteral("Livro Excel (*.xlsx);;CSV (*.csv)"), &filter);
  if (path.isEmpty()) return;
  QString target = path;
  const bool csv = filter.startsWith(QStringLiteral("CSV"));
  if (!target.endsWith(csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx"),
                       Qt::CaseInsensitive)) {
    target += csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
  }
  try {
    ExportTo(target.toStdString());
    status_->setText(QStringLiteral("Exportado para %1 (%2 linhas)")
                         .arg(target)
                         .arg(model_->rowCount()));
  } catch (const Error& e) {
    QMessageBox::warning(this, windowTitle(), Q(e.description()));
  }
}

void frmProposta::ShowHeaderMenu(const QPoint& at) {
  QHeaderView* header = table_->horizontalHeader();
  QMenu menu(this);
  QAction* default_order =
      menu.addAction(QStringLiteral("Ordem inicial (ruturas primeiro)"));
  connect(default_order, &QAction::triggered, this,
          [this, header] { header->setSortIndicator(-1, Qt::AscendingOrder); });
  menu.addSeparator();
  for (ProposalColumn c : AllProposalColumns()) {
    const int section = static_cast<int>(c);
    const ProposalColumnInfo& info = ColumnInfoOf(c);
    QAction* action = menu.addAction(QStringLiteral("%1 (%2)").arg(
        QString::fromUtf8(info.header), QString::fromUtf8(info.fields)));
    action->setCheckable(true);
    action->setChecked(!header->isSectionHidden(section));
    connect(action, &QAction::toggled, this, [this, section](bool on) {
      table_->setColumnHidden(section, !on);
    });
  }
  QAction* reason = menu.addAction(QStringLiteral("Motivo (exceções)"));
  reason->setCheckable(true);
  reason->setChecked(!header->isSectionHidden(ProposalModel::kReasonColumn));
  connect(reason, &QAction::toggled, this, [this](bool on) {
    table_->setColumnHidden(ProposalModel::kReasonColumn, !on);
  });
  menu.exec(header->mapToGlobal(at));
}

}  // namespace vor

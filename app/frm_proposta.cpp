#include "app/frm_proposta.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
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
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/basket_window.h"
#include "app/explanation_text.h"
#include "app/frm_vorencomendas.h"
#include "app/history_chart.h"
#include "app/proposal_model.h"
#include "app/what_if_panel.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/text_util.h"
#include "db/read_snapshot.h"
#include "engine/article_explanation.h"
#include "proposal/proposal_exceptions.h"
#include "proposal/proposal_export.h"
#include "proposal/proposal_history.h"
#include "proposal/proposal_table.h"
#include "proposal/report_digest.h"
#include "proposal/whole_units.h"

namespace vor {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
// A code or a name of the ERP as shown on one line of the window.
QString Shown(const std::string& s) {
  return QString::fromStdString(EscapeControlBytes(s));
}

// "1 artigo", "2 artigos".
QString Count(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(
      QString::fromUtf8(n == 1 ? one : many));
}

// The figures of `s`; `changes`: with the rows changed since the previous
// run; `late`: with the rows with late supplier orders.
QString Figures(const ProposalSummary& s, bool changes, bool late) {
  QString text = QStringLiteral(
                     "%1, <b>%2 a encomendar</b>, "
                     "<span style='color:#b00000'><b>%3 em rutura</b></span>, "
                     "%4, %5")
                     .arg(Count(s.articles, "artigo", "artigos"))
                     .arg(s.to_order)
                     .arg(s.shortages)
                     .arg(Count(s.suppliers, "fornecedor", "fornecedores"),
                          Count(s.exceptions, "exceção", "exceções"));
  if (changes)
    text +=
        QStringLiteral(", %1").arg(Count(s.changed, "alterado", "alterados"));
  if (late) text += QStringLiteral(", %1 com encomendas em atraso").arg(s.late);
  return text;
}

// `reason` as a sentence of its own: its first letter a capital.
QString Sentence(const std::string& reason) {
  QString text = Shown(reason);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

// A check box whose access key only gives it the focus: the key reaches
// the filter, Space changes it.
class FocusOnlyCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Shortcut) {
      setFocus(Qt::ShortcutFocusReason);
      return true;
    }
    return QCheckBox::event(e);
  }
};

// The wait cursor while the window waits for the database.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// A small square of `colour` followed by `text`, for the legend; on a
// narrow window the text is cut (its tooltip gives it whole) rather than
// widening the window.
QLabel* LegendLabel(const QColor& colour, const QString& text,
                    QWidget* parent) {
  auto* label = new QLabel(
      QStringLiteral(
          "<span style='background-color:%1'>&nbsp;&nbsp;&nbsp;&nbsp;"
          "</span>&nbsp;%2")
          .arg(colour.name(), text),
      parent);
  label->setToolTip(text);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) / 3);
  return label;
}

}  // namespace

// What the panel shows of one article.
struct frmProposta::PanelContent {
  std::string article;
  // The ERP changed since the run: the row is marked out of date.
  bool out_of_date = false;
  QString text;
  std::vector<ArticleHistoryPoint> history;
  // What the explanation read, for "E se?" (null when it failed), the
  // explanation itself and the stored row it was asked for.
  std::shared_ptr<ArticleRecording> recording;
  std::optional<ArticleExplanation> now;
  ProposalRow stored;
};

// The panel's content for `article`: its explanation computed through
// `connection` (null: none), or why there is none, and its figures over the
// stored runs.
frmProposta::PanelContent frmProposta::Explain(
    Connection* connection, const std::string& article,
    const std::string& component_mode, const ProposalRow& stored,
    const std::vector<std::string>& late_lines) {
  PanelContent content;
  content.article = article;
  content.stored = stored;
  bool explained = false;
  try {
    if (connection == nullptr) {
      throw Error(errnum::kDatabase, "Não há ligação à base de dados.");
    }
    auto recording = std::make_shared<ArticleRecording>();
    ArticleExplanation why =
        ExplainArticle(*connection, article, component_mode, SystemLocalClock(),
                       recording.get());
    for (const std::string& line :
         ExplanationLines(why, &stored, &content.out_of_date)) {
      content.text += Shown(line) + QLatin1Char('\n');
    }
    content.recording = std::move(recording);
    content.now = std::move(why);
    explained = true;
  } catch (const Error& e) {
    content.text =
        QStringLiteral("Não foi possível explicar o artigo '%1'.\n%2")
            .arg(Shown(article), Q(e.description()));
  }
  // Read with the table: said whether or not the article could be
  // computed again.
  if (!late_lines.empty()) {
    content.text += explained ? QStringLiteral("\n") : QStringLiteral("\n\n");
    for (const std::string& line : late_lines) {
      content.text += Shown(line) + QLatin1Char('\n');
    }
  }
  if (!explained) return content;
  try {
    content.history = ProposalHistory::OfArticle(*connection, article);
  } catch (const Error& e) {
    content.text += QStringLiteral("\nO histórico do artigo não foi lido: %1\n")
                        .arg(Q(e.description()));
  }
  return content;
}

void frmProposta::SetExplanationConnection(ConnectionOpener open) {
  open_explanation_connection_ = std::move(open);
}

void frmProposta::SetLateOrders(LateOrderSource find) {
  find_late_orders_ = std::move(find);
}

frmProposta::frmProposta(Connection* connection, std::string component_mode,
                         const SettingsRecord* settings)
    : QWidget(nullptr, Qt::Window),
      connection_(connection),
      component_mode_(std::move(component_mode)),
      settings_(settings) {
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
  summary_->setObjectName(QStringLiteral("summary_label"));
  summary_->setTextFormat(Qt::RichText);
  summary_->setWordWrap(true);

  // Two rows, so that the window fits a small screen: what to look for,
  // then which rows.
  QHBoxLayout* finders = BuildFinders();
  QHBoxLayout* filters = BuildFilters();
  QWidget::setTabOrder(search_, suppliers_);
  QWidget::setTabOrder(suppliers_, only_to_order_);

  BuildTable();

  error_ = new QLabel(this);
  error_->setObjectName(QStringLiteral("error_label"));
  error_->setWordWrap(true);
  error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  error_->setStyleSheet(QStringLiteral("color:#b00000; font-weight:bold"));
  error_->hide();

  QHBoxLayout* buttons = BuildButtons();
  BuildWhyPanel();

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(table_);
  splitter->addWidget(why_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addLayout(finders);
  layout->addLayout(filters);
  layout->addWidget(splitter, 1);
  layout->addWidget(error_);
  layout->addLayout(buttons);

  ConnectControls();
}

QHBoxLayout* frmProposta::BuildFinders() {
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("search_box"));
  search_->setPlaceholderText(
      QStringLiteral("Artigo ou fornecedor (código ou nome)"));
  search_->setClearButtonEnabled(true);
  // The whole placeholder, with room for the clear button.
  search_->setMinimumWidth(
      fontMetrics().horizontalAdvance(search_->placeholderText()) + 48);
  auto* search_label = new QLabel(QStringLiteral("&Procurar:"), this);
  search_label->setBuddy(search_);
  suppliers_ = new QComboBox(this);
  suppliers_->setObjectName(QStringLiteral("supplier_box"));
  suppliers_->setSizeAdjustPolicy(
      QComboBox::AdjustToMinimumContentsLengthWithIcon);
  suppliers_->setMinimumContentsLength(32);

  auto* supplier_label = new QLabel(QStringLiteral("F&ornecedor:"), this);
  supplier_label->setBuddy(suppliers_);

  auto* finders = new QHBoxLayout;
  finders->addWidget(search_label);
  finders->addWidget(search_);
  finders->addSpacing(12);
  finders->addWidget(supplier_label);
  finders->addWidget(suppliers_);
  finders->addStretch(1);
  return finders;
}

QHBoxLayout* frmProposta::BuildFilters() {
  only_to_order_ =
      new FocusOnlyCheckBox(QStringLiteral("Só a &encomendar"), this);
  only_to_order_->setObjectName(QStringLiteral("only_to_order_box"));
  only_to_order_->setChecked(true);
  only_exceptions_ =
      new FocusOnlyCheckBox(QStringLiteral("&Só exceções"), this);
  only_exceptions_->setObjectName(QStringLiteral("only_exceptions_box"));
  only_exceptions_->setToolTip(QStringLiteral(
      "Só as linhas a verificar antes de encomendar (coluna Motivo)"));
  only_changed_ = new FocusOnlyCheckBox(QStringLiteral("Só a&lterações"), this);
  only_changed_->setObjectName(QStringLiteral("only_changed_box"));
  only_changed_->setEnabled(false);
  only_late_ = new FocusOnlyCheckBox(
      QStringLiteral("Só com encomendas em a&traso"), this);
  only_late_->setObjectName(QStringLiteral("only_late_box"));
  only_late_->setEnabled(false);
  auto* filters = new QHBoxLayout;
  filters->addWidget(only_to_order_);
  filters->addWidget(only_exceptions_);
  filters->addWidget(only_changed_);
  filters->addWidget(only_late_);
  filters->addStretch(1);
  return filters;
}

void frmProposta::BuildTable() {
  model_ = new ProposalModel(this);
  model_->SetOnlyToOrder(true);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("table"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->setCornerButtonEnabled(false);
  // Tab goes on to the next control; the arrows move between cells.
  table_->setTabKeyNavigation(false);

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
  table_->setColumnWidth(ProposalModel::kReasonColumn, 60 * ch);
  table_->setColumnWidth(ProposalModel::kChangesColumn, 24 * ch);
  // The late quantity is part of the stock at lead time: beside it.
  table_->setColumnWidth(
      ProposalModel::kLateColumn,
      std::max(
          10 * ch + 16,
          header_metrics.horizontalAdvance(QStringLiteral("Em atraso")) + 28));
  header->moveSection(
      header->visualIndex(ProposalModel::kLateColumn),
      header->visualIndex(static_cast<int>(ProposalColumn::kStockNoPrazo)) + 1);
}

QHBoxLayout* frmProposta::BuildButtons() {
  status_ = new QLabel(this);
  // A long path after an export must not widen the window.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  refresh_ = new QPushButton(QStringLiteral("&Atualizar"), this);
  export_ = new QPushButton(QStringLiteral("E&xportar…"), this);
  export_->setObjectName(QStringLiteral("export_button"));
  baskets_button_ =
      new QPushButton(QStringLiteral("A&grupar por fornecedor…"), this);
  baskets_button_->setObjectName(QStringLiteral("baskets_button"));
  baskets_button_->setToolTip(QStringLiteral(
      "Cabazes por fornecedor: o que encomendar a cada um em unidades "
      "inteiras, o valor contra o mínimo e os portes grátis, sugestões, e a "
      "encomenda exportada"));
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
  buttons->addWidget(baskets_button_);
  buttons->addWidget(export_);
  buttons->addWidget(close_);
  return buttons;
}

void frmProposta::BuildWhyPanel() {
  why_ = new QWidget(this);
  why_->setObjectName(QStringLiteral("why_panel"));
  why_title_ = new QLabel(why_);
  why_title_->setObjectName(QStringLiteral("why_title"));
  why_title_->setTextFormat(Qt::RichText);
  why_title_->setWordWrap(true);
  why_text_ = new QPlainTextEdit(why_);
  why_text_->setObjectName(QStringLiteral("why_text"));
  why_text_->setReadOnly(true);
  why_text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  what_if_ = new WhatIfPanel(why_);
  what_if_->hide();
  history_chart_ = new HistoryChart(why_);
  history_chart_->setObjectName(QStringLiteral("history_chart"));
  history_chart_->hide();
  copy_ = new QPushButton(QStringLiteral("&Copiar"), why_);
  copy_->setObjectName(QStringLiteral("copy_button"));
  why_close_ = new QPushButton(QStringLiteral("Fec&har painel"), why_);
  why_close_->setObjectName(QStringLiteral("close_panel_button"));
  what_if_button_ =
      new QPushButton(QStringLiteral("Alterar &valores (E se?)"), why_);
  what_if_button_->setObjectName(QStringLiteral("what_if_button"));
  what_if_button_->setCheckable(true);
  what_if_button_->setToolTip(
      QStringLiteral("Calcular o artigo com outro stock mínimo, prazo, fator "
                     "de embalagem, unidade ou preço, sem gravar nada"));
  auto* why_buttons = new QHBoxLayout;
  why_buttons->addWidget(copy_);
  why_buttons->addWidget(what_if_button_);
  why_buttons->addStretch(1);
  why_buttons->addWidget(why_close_);
  auto* why_layout = new QVBoxLayout(why_);
  why_layout->setContentsMargins(6, 0, 0, 0);
  why_layout->addWidget(why_title_);
  why_layout->addWidget(why_text_, 1);
  why_layout->addWidget(what_if_);
  why_layout->addWidget(history_chart_);
  why_layout->addLayout(why_buttons);
  why_->hide();
}

void frmProposta::ConnectControls() {
  connect(search_, &QLineEdit::textChanged, model_, &ProposalModel::SetSearch);
  connect(only_to_order_, &QCheckBox::toggled, model_,
          &ProposalModel::SetOnlyToOrder);
  // The reasons, the changes or the late quantity are the point of these
  // filters: their column moves beside the article's name, so that both
  // are in view at the left.
  connect(only_exceptions_, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetOnlyExceptions(on);
    if (on) BringBesideName(ProposalModel::kReasonColumn);
  });
  connect(only_changed_, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetOnlyChanged(on);
    if (on) BringBesideName(ProposalModel::kChangesColumn);
  });
  connect(only_late_, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetOnlyLate(on);
    if (on) BringBesideName(ProposalModel::kLateColumn);
  });
  connect(suppliers_, &QComboBox::currentIndexChanged, this, [this] {
    const QString code = suppliers_->currentData().toString();
    model_->SetSuppliers(code.isEmpty() ? std::vector<std::string>{}
                                        : std::vector{code.toStdString()});
  });
  connect(model_, &ProposalModel::ShownChanged, this,
          &frmProposta::ShowSummary);
  connect(model_, &ProposalModel::ShownChanged, this,
          &frmProposta::FollowExplainedRow);
  connect(table_->horizontalHeader(), &QHeaderView::customContextMenuRequested,
          this, &frmProposta::ShowHeaderMenu);
  connect(refresh_, &QPushButton::clicked, this, &frmProposta::Refresh);
  connect(export_, &QPushButton::clicked, this, &frmProposta::AskAndExport);
  connect(baskets_button_, &QPushButton::clicked, this,
          &frmProposta::OpenBaskets);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged,
          this, [this](const QModelIndex& current) {
            if (current.isValid() && !following_) ExplainRow(current.row());
          });
  // Enter and a double-click (activated) and a click open the panel again
  // on the current row after "Fechar painel".
  for (auto signal : {&QTableView::clicked, &QTableView::activated,
                      &QTableView::doubleClicked}) {
    connect(table_, signal, this,
            [this](const QModelIndex& index) { ReopenOn(index.row()); });
  }
  connect(what_if_button_, &QPushButton::toggled, this, [this](bool on) {
    ShowPanelParts();
    if (on) what_if_->setFocus();
  });
  connect(copy_, &QPushButton::clicked, this, [this] {
    QGuiApplication::clipboard()->setText(why_text_->toPlainText());
  });
  connect(why_close_, &QPushButton::clicked, this, [this] {
    why_->hide();
    table_->setFocus();
  });
}

void frmProposta::ShowStatus(const QString& text) {
  status_->setText(text);
  status_->setToolTip(text);  // the whole text where the line cuts it
}

void frmProposta::BringBesideName(int section) {
  if (table_->isColumnHidden(section)) return;
  QHeaderView* header = table_->horizontalHeader();
  const int after =
      std::max(header->visualIndex(static_cast<int>(ProposalColumn::kArtigo)),
               header->visualIndex(static_cast<int>(ProposalColumn::kNome)));
  const int at = header->visualIndex(section);
  if (at > after + 1) header->moveSection(at, after + 1);
  table_->horizontalScrollBar()->setValue(0);
}

void frmProposta::ReopenOn(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  if (why_->isVisible() &&
      SameCode(model_->RowAt(row).Text(ResultField::kArtigo), why_article_)) {
    return;
  }
  ExplainRow(row);
}

void frmProposta::FollowExplainedRow() {
  if (why_article_.empty() || why_->isHidden()) return;
  for (int row = 0; row < model_->rowCount(); ++row) {
    if (!SameCode(model_->RowAt(row).Text(ResultField::kArtigo),
                  why_article_)) {
      continue;
    }
    if (table_->currentIndex().row() != row) {
      following_ = true;
      table_->setCurrentIndex(
          model_->index(row, std::max(0, table_->currentIndex().column())));
      following_ = false;
    }
    table_->scrollTo(table_->currentIndex());
    why_title_->setText(why_heading_);
    return;
  }
  why_title_->setText(
      why_heading_ +
      QStringLiteral(
          "<br><span style='color:#b00000'>O artigo já não está "
          "entre as linhas mostradas (pesquisa ou filtros).</span>"));
}

void frmProposta::ExplainRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const ProposalRow stored = model_->RowAt(row);
  const std::string article = stored.Text(ResultField::kArtigo);
  why_article_ = article;
  QString name = Shown(stored.Text(ResultField::kNome));
  why_heading_ = QStringLiteral("<b>Porquê?</b> &nbsp;'%1' %2")
                     .arg(Shown(article).toHtmlEscaped(), name.toHtmlEscaped());
  const QString changes = model_->ChangeText(row);
  if (!changes.isEmpty()) {
    why_heading_ += QStringLiteral("<br>Desde a proposta de %1: <b>%2</b>")
                        .arg(model_->PreviousRunText().toHtmlEscaped(),
                             changes.toHtmlEscaped());
  }
  why_title_->setText(why_heading_);
  const unsigned ticket = ++explanation_ticket_;
  const QString unit = Q(stored.Text(ResultField::kUnBase));
  const ProposalView& view = model_->view();
  const LateArticle* late = view.late_of(view.shown()[row]);
  const std::vector<std::string> late_lines =
      late ? LateOrderLines(*view.late(), *late, stored)
           : std::vector<std::string>();
  history_chart_->Clear();
  has_history_ = false;
  what_if_->Clear();
  ShowPanelParts();
  why_->show();
  if (!open_explanation_connection_) {
    const BusyCursor busy;
    ShowPanelContent(
        Explain(connection_, article, component_mode_, stored, late_lines),
        unit);
    return;
  }
  // Off the window's thread, on a connection of its own: a lock held on
  // the ERP leaves the window free, and another row can be chosen at once.
  why_text_->setPlainText(
      QStringLiteral("A calcular a explicação do artigo '%1'…")
          .arg(Shown(article)));
  explanation_running_ = true;
  auto content = std::make_shared<PanelContent>();
  QThread* worker = QThread::create([open = open_explanation_connection_,
                                     article, mode = component_mode_, stored,
                                     late_lines, content] {
    try {
      const std::unique_ptr<Connection> connection = open();
      *content = Explain(connection.get(), article, mode, stored, late_lines);
    } catch (const std::exception& e) {
      content->text =
          QStringLiteral("Não foi possível explicar o artigo '%1'.\n%2")
              .arg(Q(article), QString::fromLocal8Bit(e.what()));
    }
  });
  connect(worker, &QThread::finished, worker, &QObject::deleteLater);
  connect(worker, &QThread::finished, this, [this, ticket, content, unit] {
    if (ticket != explanation_ticket_) return;  // another row since
    explanation_running_ = false;
    ShowPanelContent(std::move(*content), unit);
  });
  worker->start();
}

void frmProposta::ShowPanelContent(PanelContent content, const QString& unit) {
  if (content.out_of_date) model_->MarkOutOfDate(content.article);
  why_text_->setPlainText(content.text);
  if (content.now) {
    what_if_->SetArticle(std::move(content.recording), *content.now,
                         content.stored);
  } else {
    what_if_->Clear();
  }
  has_history_ = !content.history.empty();
  if (has_history_) {
    history_chart_->SetHistory(std::move(content.history), unit);
  } else {
    history_chart_->Clear();
  }
  ShowPanelParts();
}

void frmProposta::ShowPanelParts() {
  const bool what_if = what_if_button_->isChecked();
  what_if_->setVisible(what_if);
  // "E se?" takes the chart's room: the text keeps its own.
  history_chart_->setVisible(has_history_ && !what_if);
}

void frmProposta::Refresh() {
  ShowStatus(QString());
  why_->hide();  // it explained a row of the table read before
  why_article_.clear();
  what_if_->Clear();
  ++explanation_ticket_;  // a result on its way is of the table read before
  explanation_running_ = false;
  try {
    if (connection_ == nullptr) {
      throw Error(errnum::kDatabase, "Não há ligação à base de dados.");
    }
    static const SettingsRecord kDefaults;
    const SettingsRecord& settings = settings_ ? *settings_ : kDefaults;
    model_->SetCoverLimit(settings.motor.cobertura_maxima);
    const Currency variation = settings.relatorio.variacao;
    // The table and the run it is compared with, as of one moment: a run
    // written in between must not show as the changes.
    std::optional<ReadSnapshot> snapshot(std::in_place, *connection_);
    ProposalTable table = ProposalTable::Read(*connection_);
    // The changes since the previous run are an addition: when the history
    // cannot be read the proposal is still shown, and the window says why.
    std::optional<HistoricProposal> previous;
    try {
      previous = ProposalHistory::PreviousOf(*connection_, table.rows());
    } catch (const Error& e) {
      ShowStatus(QStringLiteral("Alterações não mostradas: %1")
                     .arg(Q(e.description())));
    }
    // The late supplier orders of the rows read, in the same read.
    std::optional<LateOrders> late;
    if (find_late_orders_) {
      late = find_late_orders_(*connection_, table.rows());
      if (!late->available()) {
        const QString note = Sentence(late->unavailable_reason());
        ShowStatus(status_->text().isEmpty()
                       ? note
                       : status_->text() + QStringLiteral("; ") + note);
      }
    }
    // The suppliers' terms, for the baskets, in the same read; without
    // them the baskets are still shown.
    terms_.reset();
    terms_problem_.clear();
    try {
      terms_ = SupplierTerms::Read(*connection_);
    } catch (const Error& e) {
      terms_problem_ = Shown(e.description());
    }
    snapshot.reset();  // the window holds no lock while it shows them
    const bool compared = previous.has_value();
    const bool late_known = late && late->available();
    model_->SetTable(std::move(table), std::move(previous), variation,
                     std::move(late));
    only_late_->setEnabled(late_known);
    only_late_->setToolTip(
        late_known
            ? QStringLiteral(
                  "Só as linhas com encomendas a fornecedor em atraso (coluna "
                  "Em atraso; data + prazo do artigo antes de hoje)")
        : late ? Sentence(late->unavailable_reason())
               : QStringLiteral("As encomendas a fornecedor em atraso "
                                "não foram lidas."));
    if (!late_known && only_late_->isChecked()) only_late_->setChecked(false);
    only_changed_->setEnabled(compared);
    only_changed_->setToolTip(
        compared
            ? QStringLiteral("Só as linhas que mudaram desde a proposta de %1 "
                             "(coluna Alterações)")
                  .arg(model_->PreviousRunText())
            : QStringLiteral("Não há proposta anterior guardada para "
                             "comparar (tabela zlx_VOR_Historico)."));
    if (!compared && only_changed_->isChecked())
      only_changed_->setChecked(false);
    // "Motivo" as wide as its longest reason, within reason; the tooltip
    // gives the whole text of a longer one.
    const int ch = fontMetrics().averageCharWidth();
    table_->resizeColumnToContents(ProposalModel::kReasonColumn);
    table_->setColumnWidth(
        ProposalModel::kReasonColumn,
        std::clamp(table_->columnWidth(ProposalModel::kReasonColumn), 60 * ch,
                   110 * ch));
    // "Alterações" as wide as its longest text over every row shown (the
    // view measures only the rows in sight), within reason.
    int changes_width = 0;
    for (int row = 0; row < model_->rowCount(); ++row) {
      if (model_->view().row_changes(model_->view().shown()[row]).empty()) {
        continue;
      }
      changes_width = std::max(
          changes_width,
          table_->fontMetrics().horizontalAdvance(model_->ChangeText(row)));
    }
    table_->setColumnWidth(ProposalModel::kChangesColumn,
                           std::clamp(changes_width + 16, 24 * ch, 60 * ch));
    error_->hide();
    table_->show();
    export_->setEnabled(true);
    baskets_button_->setEnabled(true);
  } catch (const Error& e) {
    model_->SetTable(ProposalTable());
    error_->setText(QStringLiteral("Não é possível mostrar a proposta.\n") +
                    Q(e.description()));
    error_->show();
    table_->hide();
    export_->setEnabled(false);
    baskets_button_->setEnabled(false);
    terms_ = SupplierTerms();
    only_changed_->setChecked(false);
    only_changed_->setEnabled(false);
    only_late_->setChecked(false);
    only_late_->setEnabled(false);
  }
  if (baskets_ != nullptr) ShowBaskets();
  FillSuppliers();
  ShowSummary();
}

BasketWindow* frmProposta::OpenBaskets() {
  if (baskets_ == nullptr) {
    baskets_ = new BasketWindow(this);
    ShowBaskets();
  }
  baskets_->show();
  baskets_->raise();
  baskets_->activateWindow();
  return baskets_;
}

void frmProposta::ShowBaskets() {
  static const SettingsRecord kDefaults;
  const SettingsRecord& settings = settings_ ? *settings_ : kDefaults;
  baskets_->SetProposal(&model_->view().table().rows(), terms_, terms_problem_,
                        WholeUnits(settings.encomendas.unidades_fracionarias),
                        settings.motor.cobertura_maxima);
}

void frmProposta::FillSuppliers() {
  const QString current = suppliers_->currentData().toString();
  const QSignalBlocker block(suppliers_);
  suppliers_->clear();
  suppliers_->addItem(QStringLiteral("Todos os fornecedores"), QString());
  int keep = 0;
  for (const ProposalSupplier& s : model_->view().Suppliers()) {
    QString text = Shown(s.label);
    if (s.label != s.code) text += QStringLiteral(" (%1)").arg(Shown(s.code));
    text += QStringLiteral(" - %1 a encomendar").arg(s.to_order);
    suppliers_->addItem(text, Q(s.code));
    if (Q(s.code) == current) keep = suppliers_->count() - 1;
  }
  // The list opens as wide as its longest entry.
  int widest = 0;
  for (int i = 0; i < suppliers_->count(); ++i) {
    widest = std::max(widest, suppliers_->fontMetrics().horizontalAdvance(
                                  suppliers_->itemText(i)));
  }
  suppliers_->view()->setMinimumWidth(widest + 40);
  suppliers_->setCurrentIndex(keep);
  if (keep == 0 && !current.isEmpty()) model_->SetSuppliers({});
}

void frmProposta::ShowSummary() {
  const ProposalView& view = model_->view();
  const bool compared = view.previous().has_value();
  const bool late = view.late_known();
  QString text =
      QStringLiteral("Mostrados: %1 &nbsp;&nbsp;|&nbsp;&nbsp; Total: %2")
          .arg(Figures(view.ShownSummary(), compared, late),
               Figures(view.TotalSummary(), compared, late));
  if (compared) {
    int left = 0;
    for (const ProposalChange& c : view.changes().all()) {
      if (c.row < 0 && c.kind == ChangeKind::kNoLongerToOrder) ++left;
    }
    text += QStringLiteral("<br>Alterações desde a proposta de %1")
                .arg(model_->PreviousRunText().toHtmlEscaped());
    if (left > 0) {
      text += left == 1 ? QStringLiteral(
                              "; 1 artigo que se encomendava saiu da "
                              "proposta")
                        : QStringLiteral(
                              "; %1 artigos que se encomendavam saíram "
                              "da proposta")
                              .arg(left);
    }
  }
  summary_->setText(text);
}

std::vector<ProposalColumn> frmProposta::ShownColumns() const {
  const QHeaderView* header = table_->horizontalHeader();
  std::vector<ProposalColumn> columns;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical < kProposalColumnCount && !header->isSectionHidden(logical)) {
      columns.push_back(static_cast<ProposalColumn>(logical));
    }
  }
  return columns;
}

void frmProposta::ExportTo(const std::string& path,
                           const CsvForm& csv_form) const {
  ProposalExport::Export(path, model_->view(), ShownColumns(), csv_form);
}

QString frmProposta::ExportFilters() {
  return QStringLiteral(
      "Livro Excel (*.xlsx);;"
      "CSV para folha de cálculo (;) (*.csv);;"
      "CSV para programas (,) (*.csv)");
}

void frmProposta::AskAndExport() {
  QString filter;
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Exportar a proposta"),
      QStringLiteral("proposta-encomendas.xlsx"), ExportFilters(), &filter);
  if (path.isEmpty()) return;
  QString target = path;
  const bool csv = filter.startsWith(QStringLiteral("CSV"));
  // A spreadsheet set to Portuguese reads semicolons and decimal commas;
  // programs read the plain form.
  const CsvForm form = filter.contains(QStringLiteral("programas"))
                           ? CsvForm()
                           : CsvForm::Spreadsheet();
  if (!target.endsWith(csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx"),
                       Qt::CaseInsensitive)) {
    target += csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    // The dialog asked about the name as typed, not about this one.
    if (QFileInfo::exists(target) &&
        QMessageBox::question(
            this, windowTitle(),
            QStringLiteral("O ficheiro %1 já existe. Substituí-lo?")
                .arg(target)) != QMessageBox::Yes) {
      return;
    }
  }
  try {
    ExportTo(target.toStdString(), form);
    ShowStatus(QStringLiteral("Exportado para %1 (%2)")
                   .arg(target, Count(model_->rowCount(), "linha", "linhas")));
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
  QAction* changes =
      menu.addAction(QStringLiteral("Alterações (desde a proposta anterior)"));
  changes->setCheckable(true);
  changes->setChecked(!header->isSectionHidden(ProposalModel::kChangesColumn));
  connect(changes, &QAction::toggled, this, [this](bool on) {
    table_->setColumnHidden(ProposalModel::kChangesColumn, !on);
  });
  QAction* late = menu.addAction(
      QStringLiteral("Em atraso (encomendas a fornecedor em atraso)"));
  late->setCheckable(true);
  late->setChecked(!header->isSectionHidden(ProposalModel::kLateColumn));
  connect(late, &QAction::toggled, this, [this](bool on) {
    table_->setColumnHidden(ProposalModel::kLateColumn, !on);
  });
  menu.exec(header->mapToGlobal(at));
}

}  // namespace vor

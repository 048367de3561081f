#include "app/basket_window.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <unordered_map>

#include "app/basket_lines_model.h"
#include "app/figure_input.h"
#include "app/frm_vorencomendas.h"
#include "core/clock.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/figure_text.h"
#include "core/text_util.h"
#include "proposal/order_file.h"
#include "proposal/report_digest.h"
#include "proposal/workbook_writer.h"

namespace vor {
namespace {

using F = ResultField;

QString Q(const std::string& s) {
  return QString::fromStdString(EscapeControlBytes(s));
}

QString Euros(Currency cents) {
  return Q(FigureText::Money(cents)) + QStringLiteral(" €");
}

// "1 linha", "2 linhas".
QString Count(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(
      QString::fromUtf8(n == 1 ? one : many));
}

// The colour of where a basket stands: short of the minimum, short of free
// freight, or its terms met.
QColor StatusColour(const SupplierBasket& b) {
  if (b.short_of_minimum > Currency()) return QColor(0xb0, 0x00, 0x00);
  if (b.short_of_free_freight > Currency()) return QColor(0x9a, 0x5b, 0x00);
  return QColor(0x1a, 0x6f, 0x2e);
}

// "Metais Lda (F002)", or the code alone when the supplier has no name.
QString SupplierText(const SupplierBasket& b) {
  return b.label == b.code
             ? Q(b.code)
             : QStringLiteral("%1 (%2)").arg(Q(b.label), Q(b.code));
}

// The editor of a line's quantity: a field checked as it is typed, marked
// and explained while what it holds cannot be ordered.
class QuantityDelegate : public QStyledItemDelegate {
 public:
  // `check` says why the text typed for a line is refused ("" when not).
  QuantityDelegate(std::function<QString(int, const QString&)> check,
                   QObject* parent)
      : QStyledItemDelegate(parent), check_(std::move(check)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("quantity_editor"));
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int line = index.row();
    connect(editor, &QLineEdit::textEdited, editor,
            [this, editor, line](const QString& text) {
              const QString refused = check_(line, text);
              editor->setStyleSheet(
                  refused.isEmpty()
                      ? QString()
                      : QStringLiteral("background-color:#ffd8d8"));
              editor->setToolTip(refused);
            });
    return editor;
  }

 private:
  std::function<QString(int, const QString&)> check_;
};

}  // namespace

BasketWindow::BasketWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("basket_window"));
  setWindowTitle(QStringLiteral("VORencomendas - Encomendas por fornecedor"));
  setWindowIcon(ProgramIcon());
  BuildControls();
  // The size of the proposal window it opens over, which fits the screen.
  resize(parent != nullptr ? parent->size() : QSize(1280, 720));
  // Some seven suppliers in sight, the rest of the height for the basket.
  layout()->activate();
  const int room = splitter_->height();
  const int list = std::min(room / 3, (fontMetrics().height() + 6) * 8 + 30);
  splitter_->setSizes({list, room - list});
}

BasketWindow::~BasketWindow() = default;

void BasketWindow::BuildControls() {
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("basket_summary"));
  summary_->setTextFormat(Qt::RichText);
  summary_->setWordWrap(true);

  // The suppliers.
  suppliers_ = new QTableWidget(0, 3, this);
  suppliers_->setObjectName(QStringLiteral("basket_suppliers"));
  suppliers_->setHorizontalHeaderLabels({QStringLiteral("Fornecedor"),
                                         QStringLiteral("Valor"),
                                         QStringLiteral("Situação")});
  suppliers_->verticalHeader()->hide();
  suppliers_->setSelectionBehavior(QAbstractItemView::SelectRows);
  suppliers_->setSelectionMode(QAbstractItemView::SingleSelection);
  suppliers_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  suppliers_->setTabKeyNavigation(false);
  suppliers_->setWordWrap(false);
  const int ch = fontMetrics().averageCharWidth();
  suppliers_->setColumnWidth(0, 44 * ch);
  suppliers_->setColumnWidth(1, 14 * ch);
  suppliers_->horizontalHeader()->setStretchLastSection(true);
  suppliers_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() +
                                                      6);
  auto* suppliers_label = new QLabel(QStringLiteral("F&ornecedores:"), this);
  suppliers_label->setBuddy(suppliers_);
  auto* top = new QWidget(this);
  auto* top_layout = new QVBoxLayout(top);
  top_layout->setContentsMargins(0, 0, 0, 4);
  top_layout->addWidget(suppliers_label);
  top_layout->addWidget(suppliers_, 1);

  // The chosen supplier's basket.
  heading_ = new QLabel(this);
  heading_->setObjectName(QStringLiteral("basket_heading"));
  heading_->setTextFormat(Qt::RichText);
  lines_ = new BasketLinesModel(this);
  lines_->SetHandlers([this](int line, bool on) { SetIncluded(line, on); },
                      [this](int line, const QString& text) {
                        return ChangeQuantity(line, text).isEmpty();
                      });
  lines_view_ = new QTableView(this);
  lines_view_->setObjectName(QStringLiteral("basket_lines"));
  lines_view_->setModel(lines_);
  lines_view_->setItemDelegateForColumn(
      BasketLinesModel::kOrdered, new QuantityDelegate(
                                      [this](int line, const QString& text) {
                                        Currency ignored;
                                        const QString refused =
                                            CheckQuantity(line, text, &ignored);
                                        ShowMessage(refused);
                                        return refused;
                                      },
                                      lines_view_));
  lines_view_->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  lines_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lines_view_->setSelectionMode(QAbstractItemView::SingleSelection);
  lines_view_->setTabKeyNavigation(false);
  lines_view_->setWordWrap(false);
  lines_view_->verticalHeader()->hide();
  lines_view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() +
                                                       6);
  // The name takes the room the figures leave (FitLineColumns).
  lines_view_->horizontalHeader()->setSectionResizeMode(BasketLinesModel::kName,
                                                        QHeaderView::Stretch);
  auto* lines_label = new QLabel(
      QStringLiteral("&Linhas (desmarque para deixar de fora; duplo clique "
                     "na quantidade para a alterar):"),
      this);
  lines_label->setBuddy(lines_view_);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("basket_message"));
  message_->setWordWrap(true);
  message_->setStyleSheet(QStringLiteral("color:#b00000"));
  message_->hide();
  totals_ = new QLabel(this);
  totals_->setObjectName(QStringLiteral("basket_totals"));
  totals_->setTextFormat(Qt::RichText);
  totals_->setWordWrap(true);
  totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  suggestions_ = new QListWidget(this);
  suggestions_->setObjectName(QStringLiteral("basket_suggestions"));
  suggestions_->setWordWrap(true);
  suggestions_->setMaximumHeight(fontMetrics().height() * 5 + 8);
  auto* suggestions_label =
      new QLabel(QStringLiteral("&Sugestões para chegar lá:"), this);
  suggestions_label->setBuddy(suggestions_);
  apply_ = new QPushButton(QStringLiteral("&Aplicar sugestão"), this);
  apply_->setObjectName(QStringLiteral("apply_suggestion"));
  apply_->setToolTip(QStringLiteral(
      "Aumenta a linha ou junta o artigo da sugestão escolhida"));
  short_after_ = new QLabel(this);
  short_after_->setObjectName(QStringLiteral("basket_short_after"));
  short_after_->setWordWrap(true);
  auto* suggestion_row = new QHBoxLayout;
  suggestion_row->addWidget(suggestions_label);
  suggestion_row->addSpacing(12);
  suggestion_row->addWidget(short_after_, 1);
  suggestion_row->addWidget(apply_);

  auto* basket_area = new QWidget(this);
  auto* basket_layout = new QVBoxLayout(basket_area);
  basket_layout->setContentsMargins(0, 4, 0, 0);
  basket_layout->addWidget(heading_);
  basket_layout->addWidget(lines_label);
  basket_layout->addWidget(lines_view_, 1);
  basket_layout->addWidget(message_);
  basket_layout->addWidget(totals_);
  basket_layout->addLayout(suggestion_row);
  basket_layout->addWidget(suggestions_);

  splitter_ = new QSplitter(Qt::Vertical, this);
  QSplitter* splitter = splitter_;
  splitter->addWidget(top);
  splitter->addWidget(basket_area);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 3);
  splitter->setChildrenCollapsible(false);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("basket_status"));
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  reset_ = new QPushButton(QStringLiteral("&Repor"), this);
  reset_->setObjectName(QStringLiteral("basket_reset"));
  reset_->setToolTip(
      QStringLiteral("Põe o cabaz deste fornecedor como a proposta o fez"));
  export_ = new QPushButton(QStringLiteral("E&xportar encomenda…"), this);
  export_->setObjectName(QStringLiteral("basket_export"));
  export_->setToolTip(QStringLiteral(
      "Grava a encomenda deste fornecedor, com as suas escolhas, num livro "
      "Excel; nada é gravado no ERP"));
  close_ = new QPushButton(QStringLiteral("&Fechar"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addWidget(reset_);
  buttons->addWidget(export_);
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  QWidget::setTabOrder(suppliers_, lines_view_);
  QWidget::setTabOrder(lines_view_, suggestions_);
  QWidget::setTabOrder(suggestions_, apply_);
  QWidget::setTabOrder(apply_, reset_);
  QWidget::setTabOrder(reset_, export_);
  QWidget::setTabOrder(export_, close_);

  connect(suppliers_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row >= 0 && row != shown_) ShowSupplier(row);
  });
  connect(apply_, &QPushButton::clicked, this,
          [this] { ApplySuggestion(suggestions_->currentRow()); });
  connect(suggestions_, &QListWidget::itemActivated, this,
          [this] { ApplySuggestion(suggestions_->currentRow()); });
  connect(suggestions_, &QListWidget::currentRowChanged, this,
          [this](int row) { apply_->setEnabled(row >= 0); });
  connect(reset_, &QPushButton::clicked, this, &BasketWindow::Reset);
  connect(export_, &QPushButton::clicked, this, &BasketWindow::AskAndExport);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

void BasketWindow::SetProposal(const std::vector<ProposalRow>* rows,
                               std::optional<SupplierTerms> terms,
                               const QString& terms_problem,
                               const WholeUnits& units, Currency cover_limit) {
  const std::string was =
      shown_ >= 0 && shown_ < SupplierCount() ? codes_[shown_] : std::string();
  rows_ = rows;
  fitted_supplier_ = -1;
  choices_.clear();
  codes_.clear();
  shown_ = -1;
  basket_ = SupplierBasket();
  ShowMessage(QString());
  ShowStatus(QString());
  terms_known_ = terms && terms->available();
  QStringList notes;
  if (!terms) {
    notes << QStringLiteral("Condições dos fornecedores não lidas: %1")
                 .arg(terms_problem.toHtmlEscaped());
  } else {
    // The first few rows left out of the terms; the rest counted.
    const std::vector<std::string>& problems = terms->problems();
    for (size_t i = 0; i < problems.size() && i < 3; ++i) {
      notes << Q(problems[i]).toHtmlEscaped();
    }
    if (problems.size() > 3) {
      notes << QStringLiteral("mais %1 linhas de %2 ignoradas")
                   .arg(problems.size() - 3)
                   .arg(QString::fromUtf8(SupplierTerms::kTable));
    }
  }
  baskets_.emplace(rows, terms ? std::move(*terms) : SupplierTerms(), units,
                   cover_limit);
  std::vector<SupplierBasket> all;
  try {
    all = baskets_->All();
  } catch (const Error& e) {
    notes << QStringLiteral("Os cabazes não se calculam: %1")
                 .arg(Q(e.description()).toHtmlEscaped());
  }
  Currency total;
  int below_minimum = 0, short_of_freight = 0;
  for (const SupplierBasket& b : all) {
    codes_.push_back(b.code);
    total += b.value;
    if (b.short_of_minimum > Currency()) {
      ++below_minimum;
    } else if (b.short_of_free_freight > Currency()) {
      ++short_of_freight;
    }
  }
  QString text = all.empty()
                     ? QStringLiteral("Nada a encomendar.")
                     : QStringLiteral(
                           "<b>%1</b> com algo a encomendar, <b>%2</b> em "
                           "unidades inteiras")
                           .arg(Count(static_cast<int>(all.size()),
                                      "fornecedor", "fornecedores"),
                                Euros(total));
  if (terms_known_ && !all.empty()) {
    text += QStringLiteral(
                ", <span style='color:#b00000'>%1 abaixo do mínimo</span>, "
                "%2 sem portes grátis")
                .arg(below_minimum)
                .arg(short_of_freight);
  }
  text += QStringLiteral(
      ". As escolhas servem a encomenda exportada: nada é gravado no ERP.");
  if (!notes.isEmpty()) {
    text += QStringLiteral("<br><span style='color:#b00000'>%1</span>")
                .arg(notes.join(QStringLiteral("; ")));
  }
  summary_->setText(text);

  {
    const QSignalBlocker block(suppliers_);
    suppliers_->clearContents();
    suppliers_->setRowCount(static_cast<int>(all.size()));
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
      auto* name = new QTableWidgetItem(SupplierText(all[i]));
      name->setToolTip(name->text());
      suppliers_->setItem(i, 0, name);
      auto* value = new QTableWidgetItem;
      value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      suppliers_->setItem(i, 1, value);
      suppliers_->setItem(i, 2, new QTableWidgetItem);
      ShowSupplierFigures(i, all[i]);
    }
  }
  int show = 0;
  for (int i = 0; i < SupplierCount(); ++i) {
    if (!was.empty() && CodeKey(codes_[i]) == CodeKey(was)) show = i;
  }
  if (SupplierCount() > 0) {
    ShowSupplier(show);
  } else {
    ShowBasket();
  }
}

int BasketWindow::SupplierCount() const {
  return static_cast<int>(codes_.size());
}

void BasketWindow::ShowSupplier(int index) {
  if (index < 0 || index >= SupplierCount()) return;
  shown_ = index;
  ShowMessage(QString());
  if (choices_.find(index) == choices_.end()) {
    std::vector<Choice>& choices = choices_[index];
    for (const BasketLine& line : baskets_->Of(codes_[index]).lines) {
      choices.push_back({.row = line.row, .quantity = std::nullopt});
    }
  }
  {
    const QSignalBlocker block(suppliers_);
    suppliers_->setCurrentCell(index, std::max(0, suppliers_->currentColumn()));
  }
  Recompute();
}

BasketChoices BasketWindow::ChoicesOf(
    const std::vector<Choice>& choices) const {
  BasketChoices of;
  for (const Choice& c : choices) {
    if (!c.included) {
      of[c.row] = Currency();
    } else if (c.quantity) {
      of[c.row] = *c.quantity;
    }
  }
  return of;
}

QString BasketWindow::TryChoices(std::vector<Choice> choices) {
  if (shown_ < 0) return QString();
  SupplierBasket basket;
  try {
    basket = baskets_->Of(codes_[shown_], ChoicesOf(choices));
  } catch (const Error& e) {
    return Q(e.description());
  }
  choices_[shown_] = std::move(choices);
  basket_ = std::move(basket);
  ShowBasket();
  return QString();
}

void BasketWindow::Recompute() {
  if (shown_ < 0) return;
  const QString refused = TryChoices(choices_[shown_]);
  if (!refused.isEmpty()) ShowMessage(refused);
}

void BasketWindow::ShowBasket() {
  std::vector<BasketLinesModel::Line> lines;
  if (shown_ >= 0) {
    const WholeUnits& units = baskets_->units();
    std::unordered_map<int, const BasketLine*> of_row;
    for (const BasketLine& l : basket_.lines) of_row.emplace(l.row, &l);
    for (const Choice& c : choices_[shown_]) {
      BasketLinesModel::Line line;
      line.row = c.row;
      line.included = c.included;
      line.added = c.added;
      line.chosen = c.quantity.has_value();
      const auto in_basket = of_row.find(c.row);
      if (c.included && in_basket != of_row.end()) {
        line.whole = in_basket->second->whole;
        line.value = in_basket->second->value;
      } else {
        // Left out: the quantity it would have.
        const ProposalRow& row = (*rows_)[c.row];
        line.whole.whole = units.Rounds(row);
        try {
          line.whole.purchase = c.quantity.value_or(units.Of(row).purchase);
        } catch (const Error&) {
          line.whole.purchase = c.quantity.value_or(Currency());
        }
      }
      lines.push_back(line);
    }
  }
  const bool other_lines =
      shown_ != fitted_supplier_ || lines.size() != lines_->lines().size();
  lines_->SetLines(rows_, std::move(lines));
  if (other_lines) FitLineColumns();

  const SupplierBasket& b = basket_;
  if (shown_ < 0) {
    heading_->clear();
    totals_->clear();
  } else {
    heading_->setText(
        QStringLiteral("<b>%1</b>").arg(SupplierText(b).toHtmlEscaped()));
    QStringList parts;
    QString value =
        QStringLiteral("Valor da encomenda: <b>%1</b> &nbsp;(%2")
            .arg(Euros(b.value),
                 Count(static_cast<int>(b.lines.size()), "linha", "linhas"));
    if (b.unpriced > 0) {
      value += QStringLiteral("; %1 fora do valor")
                   .arg(Count(b.unpriced, "sem preço", "sem preço"));
    }
    parts << value + QLatin1Char(')');
    if (b.terms) {
      parts << QStringLiteral(
                   "Mínimo: %1 &nbsp;·&nbsp; Portes grátis a "
                   "partir de: %2")
                   .arg(b.terms->minimum ? Euros(*b.terms->minimum)
                                         : QStringLiteral("não definido"),
                        b.terms->free_freight ? Euros(*b.terms->free_freight)
                                              : QStringLiteral("não definido"));
      const QString status = Q(b.Status());
      if (!status.isEmpty()) {
        parts << QStringLiteral(
                     "Situação: <b><span style='color:%1'>%2"
                     "</span></b>")
                     .arg(StatusColour(b).name(), status.toHtmlEscaped());
      }
      if (!b.terms->note.empty()) {
        parts
            << QStringLiteral("Nota: %1").arg(Q(b.terms->note).toHtmlEscaped());
      }
    } else if (terms_known_) {
      parts << QStringLiteral(
          "Condições do fornecedor: não definidas (tabela "
          "zlx_VOR_Fornecedores)");
    }
    if (!b.wait_text.empty()) parts << Q(b.wait_text).toHtmlEscaped();
    totals_->setText(parts.join(QStringLiteral("<br>")));
    ShowSupplierFigures(shown_, b);
  }

  suggestions_->clear();
  for (const BasketSuggestion& s : b.suggestions) {
    auto* item = new QListWidgetItem(Q(s.text), suggestions_);
    item->setToolTip(item->text());
  }
  if (!b.suggestions.empty()) suggestions_->setCurrentRow(0);
  apply_->setEnabled(!b.suggestions.empty());
  if (!b.short_of_target()) {
    short_after_->setText(b.terms ? QStringLiteral("Nada a sugerir: o cabaz "
                                                   "cumpre as condições.")
                                  : QString());
  } else if (b.suggestions.empty()) {
    short_after_->setText(
        QStringLiteral("Sem sugestões: nenhum artigo deste fornecedor com "
                       "preço e cobertura calculável chega lá."));
  } else if (b.short_after_suggestions > Currency()) {
    short_after_->setText(QStringLiteral("Mesmo com todas, faltam %1.")
                              .arg(Euros(b.short_after_suggestions)));
  } else {
    short_after_->setText(QString());
  }
  reset_->setEnabled(shown_ >= 0);
  export_->setEnabled(!b.lines.empty());
}

void BasketWindow::FitLineColumns() {
  fitted_supplier_ = shown_;
  const int ch = fontMetrics().averageCharWidth();
  for (int c = 0; c < BasketLinesModel::kColumnCount; ++c) {
    if (c == BasketLinesModel::kName) continue;
    lines_view_->resizeColumnToContents(c);
    // A long code is cut rather than hiding the names.
    if (c == BasketLinesModel::kArticle) {
      lines_view_->setColumnWidth(
          c, std::min(lines_view_->columnWidth(c), 22 * ch));
    }
  }
}

void BasketWindow::ShowSupplierFigures(int index, const SupplierBasket& b) {
  if (index < 0 || index >= suppliers_->rowCount()) return;
  suppliers_->item(index, 1)->setText(Euros(b.value));
  QTableWidgetItem* status = suppliers_->item(index, 2);
  status->setText(Q(b.Status()));
  status->setToolTip(status->text());
  status->setForeground(StatusColour(b));
}

QString BasketWindow::CheckQuantity(int line, const QString& text,
                                    Currency* quantity) const {
  if (line < 0 || line >= static_cast<int>(lines_->lines().size())) {
    return QStringLiteral("linha inexistente");
  }
  const ProposalRow& row = (*rows_)[lines_->lines()[line].row];
  const QString label =
      QStringLiteral("Quantidade de %1: ").arg(Q(row.Text(F::kArtigo)));
  QString refused;
  const std::optional<Currency> q = ReadTypedFigure(
      text, true,
      QStringLiteral("tem de ser maior que 0 (para a deixar de fora, "
                     "desmarque a linha)"),
      &refused);
  if (!q) return label + refused + QLatin1Char('.');
  if (baskets_->units().Rounds(row) && q->raw() % Currency::kScale != 0) {
    return label + QStringLiteral("encomenda-se em unidades inteiras de %1.")
                       .arg(lines_->UnitOf(line));
  }
  // The figures that follow must stay within the fixed-point range.
  const QString too_large =
      label + QStringLiteral(
                  "%1 é demais: o valor ou o stock sai do limite "
                  "dos números.")
                  .arg(Q(FigureText::Quantity(*q)));
  try {
    baskets_->units().At(row, *q);
    const std::optional<Currency> price = row.Number(F::kUltPrCom);
    if (price && *price != Currency() && !ReportDigest::ValueOf(row, *q)) {
      return too_large;
    }
  } catch (const Error&) {
    return too_large;
  }
  *quantity = *q;
  return QString();
}

QString BasketWindow::ChangeQuantity(int line, const QString& text) {
  Currency q;
  QString refused = CheckQuantity(line, text, &q);
  if (refused.isEmpty()) {
    std::vector<Choice> choices = choices_[shown_];
    choices[line].quantity = q;
    refused = TryChoices(std::move(choices));
  }
  ShowMessage(refused.isEmpty()
                  ? QString()
                  : refused + QStringLiteral(" A linha fica como estava."));
  return refused;
}

void BasketWindow::SetIncluded(int line, bool on) {
  if (shown_ < 0 || line < 0 ||
      line >= static_cast<int>(choices_[shown_].size())) {
    return;
  }
  std::vector<Choice> choices = choices_[shown_];
  choices[line].included = on;
  ShowMessage(TryChoices(std::move(choices)));
}

void BasketWindow::ApplySuggestion(int index) {
  if (shown_ < 0 || index < 0 ||
      index >= static_cast<int>(basket_.suggestions.size())) {
    return;
  }
  const BasketSuggestion s = basket_.suggestions[index];
  std::vector<Choice> choices = choices_[shown_];
  auto it = std::find_if(choices.begin(), choices.end(),
                         [&](const Choice& c) { return c.row == s.row; });
  if (it == choices.end()) {
    choices.push_back({.row = s.row, .added = true, .quantity = std::nullopt});
    it = choices.end() - 1;
  }
  it->included = true;
  it->quantity = s.to;
  const int line = static_cast<int>(it - choices.begin());
  ShowMessage(TryChoices(std::move(choices)));
  lines_view_->setCurrentIndex(lines_->index(line, BasketLinesModel::kOrdered));
  lines_view_->scrollTo(lines_view_->currentIndex());
}

void BasketWindow::Reset() {
  if (shown_ < 0) return;
  choices_.erase(shown_);
  ShowSupplier(shown_);
}

void BasketWindow::ShowMessage(const QString& text) {
  message_->setText(text);
  message_->setVisible(!text.isEmpty());
}

void BasketWindow::ShowStatus(const QString& text) {
  status_->setText(text);
  status_->setToolTip(text);
}

void BasketWindow::ExportTo(const std::string& path) const {
  if (rows_ == nullptr || basket_.lines.empty()) {
    throw Error(errnum::kFileError,
                "Não há nada a encomendar para gravar em " + path);
  }
  WorkbookWriter::Write(
      path, OrderFile::Sheets(basket_, *rows_, SystemLocalClock()()));
}

void BasketWindow::AskAndExport() {
  if (basket_.lines.empty()) return;
  // The suffix is added by the dialog, before it asks whether to replace
  // a file of that name.
  QFileDialog dialog(this, QStringLiteral("Exportar a encomenda"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("Livro Excel (*.xlsx)"));
  dialog.setDefaultSuffix(QStringLiteral("xlsx"));
  dialog.selectFile(QString::fromStdString(
      OrderFile::FileName(basket_, SystemLocalClock()())));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  const QString target = dialog.selectedFiles().front();
  try {
    ExportTo(target.toStdString());
    ShowStatus(QStringLiteral("Encomenda a %1 exportada para %2 (%3, %4)")
                   .arg(SupplierText(basket_), target,
                        Count(static_cast<int>(basket_.lines.size()), "linha",
                              "linhas"),
                        Euros(basket_.value)));
  } catch (const Error& e) {
    QMessageBox::warning(this, windowTitle(), Q(e.description()));
  }
}

}  // namespace vor

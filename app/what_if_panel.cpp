#include "app/what_if_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/explanation_text.h"
#include "app/figure_input.h"
#include "core/control_bytes.h"
#include "core/error.h"
#include "core/figure_text.h"
#include "core/units.h"
#include "db/result_table.h"

namespace vor {
namespace {

using F = ResultField;

QString Q(const std::string& s) {
  return QString::fromStdString(EscapeControlBytes(s));
}

// The widest purchase unit the result table holds, in characters.
int PurchaseUnitSize() { return ResultColumnOf(F::kUnCmp).size; }

// `value`, read from the ERP, as its field shows it: a quantity, a price;
// "" for null or a value that is no number (or none the fixed-point type
// holds).
QString Filled(const Value& value, bool price) {
  if (value.is_null() || !value.IsNumeric()) return QString();
  try {
    const Currency c = value.ToCurrency();
    return QString::fromStdString(price ? FigureText::Price(c)
                                        : FigureText::Quantity(c));
  } catch (const Error&) {
    return QString();
  }
}

QString WithUnit(Currency q, const std::string& unit) {
  const std::string figure = FigureText::Quantity(q);
  return Q(unit.empty() ? figure : figure + " " + unit);
}

// The figures of a row the result sets side by side.
struct Figures {
  QString to_order;  // base unit, then purchase unit when converted
  QString after;
  QString cover;
  QString price;
};

Figures FiguresOf(const ProposalRow& row) {
  Figures f;
  const Currency zero;
  const std::string& base = row.Text(F::kUnBase);
  f.to_order = WithUnit(row.Number(F::kQtdUB).value_or(zero), base);
  if (Units::Converted(row.at(F::kUnBase), row.at(F::kUnCmp))) {
    f.to_order += QStringLiteral(" (%1)").arg(
        row.NoPurchaseQuantity()
            ? QStringLiteral("fator emb. 0")
            : WithUnit(row.Number(F::kQtdUC).value_or(zero),
                       row.Text(F::kUnCmp)));
  }
  f.after = WithUnit(row.Number(F::kStkApos).value_or(zero), base);
  f.cover = row.CoverKnown() ? QString::fromStdString(FigureText::DayCount(
                                   row.Number(F::kTempo).value_or(zero)))
                             : QStringLiteral("desconhecida");
  f.price = QString::fromStdString(
      FigureText::Price(row.Number(F::kUltPrCom).value_or(zero)));
  return f;
}

// The recomputed row of `why` (found) as a row of the proposal.
ProposalRow RowOf(const ArticleExplanation& why) {
  ProposalRow row;
  for (size_t i = 0; i < kResultFields.size() && i < why.row.size(); ++i) {
    row.values[i] = why.row[i];
  }
  return row;
}

// The explanation's lines of the steps alone: compared with its own row,
// it has no paragraph on a changed ERP.
std::vector<std::string> StepLines(const ArticleExplanation& why) {
  const ProposalRow row = RowOf(why);
  return ExplanationLines(why, &row);
}

// "Label: before → after", or "Label: value (igual)" when they are equal.
QString Beside(const QString& label, const QString& before,
               const QString& after) {
  return before == after
             ? QStringLiteral("%1: %2 (igual)").arg(label, after)
             : QStringLiteral("%1: %2 → %3").arg(label, before, after);
}

}  // namespace

WhatIfPanel::WhatIfPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("what_if_panel"));
  struct Caption {
    const char* text;
    const char* name;
  };
  // Access keys apart from the window's: P, O, E, S, L, T, A, X, F, C, H.
  static const Caption kCaptions[kInputCount] = {
      {"Stock &mínimo", "what_if_stock_minimum"},
      {"Mí&nimo de compra", "what_if_minimum_order"},
      {"Pra&zo de entrega", "what_if_lead_time"},
      {"D&ias de stock", "what_if_days"},
      {"Fator de em&balagem", "what_if_packing_factor"},
      {"&Unidade de compra", "what_if_purchase_unit"},
      {"Preço &de compra", "what_if_price"},
  };
  auto* title = new QLabel(
      QStringLiteral("<b>E se?</b> Altere um valor do artigo para ver o "
                     "cálculo com ele (nada é gravado)."),
      this);
  title->setWordWrap(true);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(2);
  const int digits = fontMetrics().horizontalAdvance(QStringLiteral("0")) * 11;
  for (int i = 0; i < kInputCount; ++i) {
    Field& field = fields_[i];
    field.edit = new QLineEdit(this);
    field.edit->setObjectName(QString::fromUtf8(kCaptions[i].name));
    field.edit->setFixedWidth(digits);
    field.edit->setAlignment(i == kPurchaseUnit ? Qt::AlignLeft
                                                : Qt::AlignRight);
    field.unit = new QLabel(this);
    field.unit->setTextFormat(Qt::PlainText);
    auto* caption = new QLabel(QString::fromUtf8(kCaptions[i].text), this);
    caption->setBuddy(field.edit);
    // Two pairs a row: the quantities, the times, the packing, the price.
    const int row = i / 2;
    const int column = (i % 2) * 4;
    grid->addWidget(caption, row, column);
    grid->addWidget(field.edit, row, column + 1);
    grid->addWidget(field.unit, row, column + 2);
    connect(field.edit, &QLineEdit::textEdited, this, [this] { Recompute(); });
  }
  grid->setColumnMinimumWidth(3, 12);
  grid->setColumnStretch(7, 1);
  reset_ = new QPushButton(QStringLiteral("&Repor"), this);
  reset_->setObjectName(QStringLiteral("what_if_reset"));
  reset_->setToolTip(QStringLiteral("Repõe os valores lidos do ERP"));
  grid->addWidget(reset_, 3, 4, 1, 3, Qt::AlignLeft);
  connect(reset_, &QPushButton::clicked, this, &WhatIfPanel::Reset);
  for (int i = 0; i + 1 < kInputCount; ++i) {
    QWidget::setTabOrder(fields_[i].edit, fields_[i + 1].edit);
  }
  QWidget::setTabOrder(fields_[kInputCount - 1].edit, reset_);

  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("what_if_message"));
  message_->setWordWrap(true);
  message_->setStyleSheet(QStringLiteral("color:#b00000"));
  message_->hide();
  result_ = new QLabel(this);
  result_->setObjectName(QStringLiteral("what_if_result"));
  result_->setTextFormat(Qt::PlainText);
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->setSpacing(3);
  layout->addWidget(title);
  layout->addLayout(grid);
  layout->addWidget(message_);
  layout->addWidget(result_);
  Clear();
}

void WhatIfPanel::Clear() {
  recording_.reset();
  stored_.reset();
  lines_now_.clear();
  for (int i = 0; i < kInputCount; ++i) {
    fields_[i].read.clear();
    fields_[i].edit->clear();
    Mark(static_cast<Input>(i), QString());
  }
  base_unit_.clear();
  ShowUnits();
  result_->clear();
  setEnabled(false);
}

void WhatIfPanel::SetArticle(std::shared_ptr<ArticleRecording> recording,
                             const ArticleExplanation& now,
                             const ProposalRow& stored) {
  Clear();
  if (!recording || !now.found || recording->article_rows.Eof()) return;
  const Recordset& row = recording->article_rows;
  static const char* const kFields[] = {"StMin", "QtMinCom", "PrzEntVn",
                                        "DiasSkRs", "FactEmb"};
  for (int i = 0; i < kPurchaseUnit; ++i) {
    fields_[i].read = Filled(row.Get(kFields[i]), false);
  }
  const Value& unit = row.Get("UnCmp");
  fields_[kPurchaseUnit].read = unit.is_null() ? QString() : Q(unit.ToText());
  // The price the row ends with, from whichever source the intake took it.
  fields_[kPrice].read =
      Filled(now.row[static_cast<size_t>(F::kUltPrCom)], true);
  for (Field& field : fields_) field.edit->setText(field.read);
  const Value& base = row.Get("UnBase");
  base_unit_ = base.is_null() ? std::string() : base.ToText();
  recording_ = std::move(recording);
  stored_ = stored;
  lines_now_ = StepLines(now);
  setEnabled(true);
  Recompute();
}

void WhatIfPanel::Reset() {
  if (!recording_) return;
  for (Field& field : fields_) field.edit->setText(field.read);
  Recompute();
}

void WhatIfPanel::Mark(Input input, const QString& message) {
  QLineEdit* edit = fields_[input].edit;
  edit->setStyleSheet(message.isEmpty()
                          ? QString()
                          : QStringLiteral("background-color:#ffd8d8"));
  edit->setToolTip(message);
}

bool WhatIfPanel::ReadChanges(MasterDataChanges* changes) {
  static const char* const kNames[kInputCount] = {
      "Stock mínimo",   "Mínimo de compra",   "Prazo de entrega",
      "Dias de stock",  "Fator de embalagem", "Unidade de compra",
      "Preço de compra"};
  std::optional<Currency>* figures[kInputCount] = {
      &changes->stock_minimum, &changes->minimum_order,  &changes->lead_time,
      &changes->days,          &changes->packing_factor, nullptr,
      &changes->supplier_price};
  QString refused;
  for (int i = 0; i < kInputCount; ++i) {
    const auto input = static_cast<Input>(i);
    const QString text = fields_[i].edit->text();
    QString message;
    if (text != fields_[i].read) {
      if (input == kPurchaseUnit) {
        const QString unit = text;
        if (unit.isEmpty()) {
          message = QStringLiteral("indique uma unidade");
        } else if (unit.toUcs4().size() > PurchaseUnitSize()) {
          message = QStringLiteral("tem no máximo %1 caracteres")
                        .arg(PurchaseUnitSize());
        } else if (QString::fromStdString(
                       EscapeControlBytes(unit.toStdString())) != unit) {
          message = QStringLiteral("tem caracteres de controlo");
        } else {
          changes->purchase_unit = unit.toStdString();
        }
      } else if (const std::optional<Currency> value = ReadTypedFigure(
                     text, input == kStockMinimum,
                     QStringLiteral("tem de ser maior que 0 (com 0 o artigo "
                                    "sai da proposta)"),
                     &message)) {
        *figures[i] = value;
      }
    }
    if (!message.isEmpty()) {
      message = QString::fromUtf8(kNames[i]) + QStringLiteral(": ") + message;
      if (refused.isEmpty()) refused = message + QStringLiteral(".");
    }
    Mark(input, message);
  }
  ShowUnits();
  if (refused.isEmpty()) {
    message_->hide();
    return true;
  }
  message_->setText(refused);
  message_->show();
  return false;
}

bool WhatIfPanel::Recompute() {
  if (!recording_) return false;
  MasterDataChanges changes;
  if (!ReadChanges(&changes)) return false;
  try {
    ShowResult(ExplainArticle(*recording_, changes));
  } catch (const Error& e) {
    result_->setText(QStringLiteral("Não foi possível calcular com estes "
                                    "valores: %1")
                         .arg(Q(e.description())));
  }
  return true;
}

void WhatIfPanel::ShowResult(const ArticleExplanation& what_if) {
  if (!what_if.found || what_if.row.size() != kResultFields.size()) {
    result_->setText(
        QStringLiteral("Com estes valores o artigo não entra na proposta."));
    return;
  }
  const ProposalRow changed = RowOf(what_if);
  const Figures before = FiguresOf(*stored_);
  const Figures after = FiguresOf(changed);
  QStringList lines;
  lines << Beside(QStringLiteral("A encomendar"), before.to_order,
                  after.to_order);
  lines << Beside(QStringLiteral("Stock após encomenda"), before.after,
                  after.after);
  lines << Beside(QStringLiteral("Cobertura"), before.cover, after.cover);
  lines << Beside(QStringLiteral("Preço de compra"), before.price, after.price);
  const std::vector<std::string> steps =
      ChangedLines(lines_now_, StepLines(what_if));
  if (steps.empty()) {
    lines << QStringLiteral("Os passos do cálculo ficam os mesmos.");
  } else {
    lines << QStringLiteral("Passos que mudam:");
    for (const std::string& step : steps) lines << Q(step);
  }
  result_->setText(lines.join(QLatin1Char('\n')));
}

void WhatIfPanel::ShowUnits() {
  const QString base = Q(base_unit_);
  const QString purchase = fields_[kPurchaseUnit].edit->text();
  fields_[kStockMinimum].unit->setText(base);
  fields_[kMinimumOrder].unit->setText(base);
  fields_[kLeadTime].unit->setText(QStringLiteral("dias"));
  fields_[kDays].unit->setText(QStringLiteral("dias"));
  fields_[kPackingFactor].unit->setText(
      purchase.isEmpty() || base.isEmpty()
          ? base
          : QStringLiteral("%1 por %2").arg(base, Q(purchase.toStdString())));
}

}  // namespace vor

#include "app/basket_lines_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "app/proposal_model.h"
#include "core/control_bytes.h"
#include "core/figure_text.h"

namespace vor {
namespace {

using F = ResultField;

QString Q(const std::string& s) {
  return QString::fromStdString(EscapeControlBytes(s));
}

QString Figure(Currency q) { return Q(FigureText::Quantity(q)); }

// A quantity the buyer chose, against the proposal's.
QColor ChosenTint() { return QColor(0xdc, 0xe8, 0xfa); }

}  // namespace

BasketLinesModel::BasketLinesModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void BasketLinesModel::SetHandlers(ToggleHandler toggle, EditHandler edit) {
  toggle_ = std::move(toggle);
  edit_ = std::move(edit);
}

void BasketLinesModel::SetLines(const std::vector<ProposalRow>* rows,
                                std::vector<Line> lines) {
  // Same lines in the same places: the views keep their current cell and
  // an open editor.
  const bool same = rows == rows_ && lines.size() == lines_.size();
  if (!same) beginResetModel();
  rows_ = rows;
  lines_ = std::move(lines);
  if (!same) {
    endResetModel();
  } else if (!lines_.empty()) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
  }
}

QString BasketLinesModel::UnitOf(int line) const {
  const ProposalRow& row = (*rows_)[lines_[line].row];
  const std::string& unit = row.Text(F::kUnCmp);
  return Q(unit.empty() ? row.Text(F::kUnBase) : unit);
}

int BasketLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int BasketLinesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString BasketLinesModel::Text(const Line& line, Column column) const {
  const ProposalRow& row = (*rows_)[line.row];
  const int at = static_cast<int>(&line - lines_.data());
  const auto with_unit = [&](Currency q) {
    const QString unit = UnitOf(at);
    return unit.isEmpty() ? Figure(q) : Figure(q) + QLatin1Char(' ') + unit;
  };
  switch (column) {
    case kArticle:
      return Q(row.Text(F::kArtigo));
    case kName:
      return Q(row.Text(F::kNome));
    case kProposed:
      if (!row.ToOrder()) return QStringLiteral("—");
      if (row.NoPurchaseQuantity()) return QStringLiteral("fator emb. 0");
      return with_unit(row.Number(F::kQtdUC).value_or(Currency()));
    case kOrdered:
      return with_unit(line.whole.purchase);
    case kPrice: {
      const std::optional<Currency> price = row.Number(F::kUltPrCom);
      return price && *price != Currency() ? Q(FigureText::Price(*price))
                                           : QStringLiteral("sem preço");
    }
    case kDiscount: {
      const std::optional<Currency> discount = row.Number(F::kDesconto);
      return discount && *discount != Currency() ? Figure(*discount)
                                                 : QString();
    }
    case kValue:
      if (!line.included) return QString();
      return line.value ? Q(FigureText::Money(*line.value) + " €")
                        : QStringLiteral("sem preço");
    case kCover:
      if (!line.included) return QString();
      return row.CoverKnown() ? Q(FigureText::DayCount(line.whole.cover))
                              : QStringLiteral("desconhecida");
    case kColumnCount:
      break;
  }
  return QString();
}

QString BasketLinesModel::ToolTip(const Line& line, Column column) const {
  const ProposalRow& row = (*rows_)[line.row];
  if (column == kArticle) {
    if (!line.included) {
      return QStringLiteral("Fora da encomenda: marque para a incluir.");
    }
    if (line.added) {
      return QStringLiteral(
          "Juntado pelo comprador: a proposta não o encomendava.");
    }
    return QStringLiteral("Desmarque para deixar a linha de fora.");
  }
  if (column == kOrdered) {
    return line.whole.whole
               ? QStringLiteral(
                     "Em unidades inteiras de %1 (duplo clique para alterar)")
                     .arg(UnitOf(static_cast<int>(&line - lines_.data())))
               : QStringLiteral("Duplo clique para alterar");
  }
  if (column == kProposed && row.ToOrder()) {
    return QStringLiteral("A quantidade da proposta, sem arredondar");
  }
  if (column == kCover && line.included && !row.CoverKnown()) {
    return QStringLiteral(
        "Cobertura desconhecida: o artigo não tem dias ou stock mínimo, não "
        "se calcula.");
  }
  return QString();
}

QVariant BasketLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Line& line = lines_[index.row()];
  const auto column = static_cast<Column>(index.column());
  const ProposalRow& row = (*rows_)[line.row];
  switch (role) {
    case Qt::DisplayRole:
      return Text(line, column);
    case Qt::EditRole:
      return column == kOrdered ? Figure(line.whole.purchase) : QVariant();
    case Qt::CheckStateRole:
      if (column != kArticle) return {};
      return line.included ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue((column == kArticle || column == kName
                                      ? Qt::AlignLeft
                                      : Qt::AlignRight) |
                                 Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (column == kOrdered && line.chosen) return ChosenTint();
      if (row.Shortage()) return ProposalModel::ShortageTint();
      return {};
    case Qt::ForegroundRole:
      if (!line.included) return QBrush(Qt::gray);
      return {};
    case Qt::FontRole:
      if (column == kOrdered && line.included) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ToolTipRole:
      return ToolTip(line, column);
    default:
      return {};
  }
}

QVariant BasketLinesModel::headerData(int section, Qt::Orientation orientation,
                                      int role) const {
  if (orientation != Qt::Horizontal) return {};
  static const char* const kHeaders[kColumnCount] = {
      "Artigo", "Nome",    "Proposta", "Encomendar",
      "Preço",  "Desc. %", "Valor",    "Cobertura após"};
  static const char* const kTips[kColumnCount] = {
      "Desmarque para deixar a linha de fora da encomenda",
      "",
      "A quantidade da proposta na unidade de compra, sem arredondar",
      "A quantidade a encomendar, em unidades inteiras onde a unidade não se "
      "divide (duplo clique para alterar)",
      "Preço por unidade de compra",
      "Desconto de compra",
      "Quantidade × preço × (1 − desconto), arredondado ao cêntimo",
      "Dias de cobertura do stock depois da encomenda"};
  if (section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(kHeaders[section]);
  if (role == Qt::ToolTipRole) return QString::fromUtf8(kTips[section]);
  return {};
}

Qt::ItemFlags BasketLinesModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (!index.isValid()) return flags;
  if (index.column() == kArticle) flags |= Qt::ItemIsUserCheckable;
  if (index.column() == kOrdered && lines_[index.row()].included) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool BasketLinesModel::setData(const QModelIndex& index, const QVariant& value,
                               int role) {
  if (!index.isValid() || index.row() >= rowCount()) return false;
  if (role == Qt::CheckStateRole && index.column() == kArticle) {
    if (toggle_) {
      toggle_(index.row(),
              static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    }
    return true;
  }
  if (role == Qt::EditRole && index.column() == kOrdered) {
    return edit_ && edit_(index.row(), value.toString());
  }
  return false;
}

}  // namespace vor

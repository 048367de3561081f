#include "app/proposal_model.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>

#include "proposal/row_palette.h"

namespace vor {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Quantities to order are left blank when zero, so that the orders stand
// out; every other number is shown as it is.
bool BlankWhenZero(ProposalColumn c) {
  return c == ProposalColumn::kAEncomendar ||
         c == ProposalColumn::kEmUnidadeBase;
}

}  // namespace

QColor ProposalModel::ShortageTint() { return QColor(RowPalette::kShortage); }
QColor ProposalModel::OrderTint() { return QColor(RowPalette::kOrder); }

ProposalModel::ProposalModel(QObject* parent)
    : QAbstractTableModel(parent),
      warning_(
          QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)),
      reason_mark_(QApplication::style()->standardIcon(
          QStyle::SP_MessageBoxInformation)) {}

template <typename Change>
void ProposalModel::Reset(Change change) {
  beginResetModel();
  change();
  endResetModel();
  emit ShownChanged();
}

void ProposalModel::SetTable(ProposalTable table) {
  Reset([&] { view_.SetTable(std::move(table)); });
}

void ProposalModel::SetSearch(const QString& text) {
  Reset([&] { view_.SetSearch(text.trimmed().toStdString()); });
}

void ProposalModel::SetOnlyToOrder(bool on) {
  Reset([&] { view_.SetOnlyToOrder(on); });
}

void ProposalModel::SetOnlyExceptions(bool on) {
  Reset([&] { view_.SetOnlyExceptions(on); });
}

void ProposalModel::SetCoverLimit(Currency days) {
  Reset([&] { view_.SetCoverLimit(days); });
}

void ProposalModel::SetSuppliers(const std::vector<std::string>& codes) {
  Reset([&] { view_.SetSuppliers(codes); });
}

const ProposalRow& ProposalModel::RowAt(int row) const {
  return view_.row(view_.shown()[row]);
}

QString ProposalModel::NumberText(Currency value) {
  const std::string plain = value.ToString();
  const size_t point = plain.find('.');
  const int places = point == std::string::npos
                         ? 0
                         : static_cast<int>(plain.size() - point - 1);
  return QLocale(QLocale::Portuguese, QLocale::Portugal)
      .toString(value.ToDouble(), 'f', places);
}

int ProposalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(view_.shown().size());
}

int ProposalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kProposalColumnCount + 1;
}

QVariant ProposalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (index.column() == kReasonColumn) return ReasonData(index.row(), role);
  const auto column = static_cast<ProposalColumn>(index.column());
  const ProposalColumnInfo& info = ColumnInfoOf(column);
  const ProposalRow& row = RowAt(index.row());
  switch (role) {
    case Qt::DisplayRole: {
      const Value v = ColumnValue(row, column);
      if (v.is_null()) return QString();
      if (v.kind() != Value::Kind::kCurrency) return Q(v.ToText());
      if (BlankWhenZero(column) && v.AsCurrency() == Currency())
        return QString();
      QString text = NumberText(v.AsCurrency());
      const std::string& unit = ColumnUnit(row, column);
      if (!unit.empty()) text += QLatin1Char(' ') + Q(unit);
      return text;
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          (info.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (row.Shortage()) return ShortageTint();
      if (row.OrderWithoutShortage()) return OrderTint();
      return {};
    case Qt::DecorationRole:
      if (column == ProposalColumn::kFornecedor && row.Shortage()) {
        return warning_;
      }
      return {};
    case Qt::ToolTipRole:
      if (row.Shortage()) {
        return QStringLiteral("Rutura: a procura excede o stock no prazo");
      }
      if (row.OrderWithoutShortage()) {
        return QStringLiteral("Encomenda proposta sem rutura");
      }
      return {};
    default:
      return {};
  }
}

QVariant ProposalModel::ReasonData(int row, int role) const {
  const std::string& reason = view_.reason(view_.shown()[row]);
  const ProposalRow& proposal_row = RowAt(row);
  switch (role) {
    case Qt::DisplayRole:
      return Q(reason);
    case Qt::ToolTipRole:
      // The whole text, however narrow the column.
      return reason.empty() ? QVariant() : QVariant(Q(reason));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::DecorationRole:
      return reason.empty() ? QVariant() : QVariant(reason_mark_);
    case Qt::BackgroundRole:
      if (proposal_row.Shortage()) return ShortageTint();
      if (proposal_row.OrderWithoutShortage()) return OrderTint();
      return {};
    default:
      return {};
  }
}

QVariant ProposalModel::headerData(int section, Qt::Orientation orientation,
                                   int role) const {
  if (orientation == Qt::Horizontal && section == kReasonColumn) {
    switch (role) {
      case Qt::DisplayRole:
        return QStringLiteral("Motivo");
      case Qt::ToolTipRole:
        return QStringLiteral("Motivo da exceção");
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
      default:
        return {};
    }
  }
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= kProposalColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const ProposalColumnInfo& info =
      ColumnInfoOf(static_cast<ProposalColumn>(section));
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(info.header);
    case Qt::ToolTipRole:
      return QStringLiteral("Campo: ") + QString::fromUtf8(info.fields);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          (info.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
      return {};
  }
}

void ProposalModel::sort(int column, Qt::SortOrder order) {
  emit layoutAboutToBeChanged();
  if (column == kReasonColumn) {
    view_.SortByReason(order == Qt::AscendingOrder);
  } else if (column < 0 || column >= kProposalColumnCount) {
    view_.SortDefault();
  } else {
    view_.SortBy(static_cast<ProposalColumn>(column),
                 order == Qt::AscendingOrder);
  }
  // The rows are a new list: no persistent index is kept across an order.
  changePersistentIndexList(persistentIndexList(),
                            QModelIndexList(persistentIndexList().size()));
  emit layoutChanged();
  emit ShownChanged();
}

}  // namespace vor

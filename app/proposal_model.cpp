#include "app/proposal_model.h"

#include <QApplication>
#include <QStyle>

#include "app/explanation_text.h"
#include "core/control_bytes.h"
#include "core/figure_text.h"
#include "core/text_util.h"
#include "proposal/report_digest.h"
#include "proposal/row_palette.h"

namespace vor {
namespace {

// A text of a cell or a tip, on one line as valid UTF-8 (an ERP's name may
// hold any byte).
QString Q(const std::string& s) {
  return QString::fromStdString(EscapeControlBytes(s));
}

// Quantities to order are left blank when zero, so that the orders stand
// out; every other number is shown as it is.
bool BlankWhenZero(ProposalColumn c) {
  return c == ProposalColumn::kAEncomendar ||
         c == ProposalColumn::kEmUnidadeBase;
}

// The quantity to order of a row that has none in the purchase unit.
bool NoPurchaseQuantity(const ProposalRow& row, ProposalColumn c) {
  return c == ProposalColumn::kAEncomendar && row.NoPurchaseQuantity();
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

void ProposalModel::SetTable(ProposalTable table,
                             std::optional<HistoricProposal> previous,
                             Currency variation_percent,
                             std::optional<LateOrders> late) {
  Reset([&] {
    out_of_date_.clear();
    view_.SetTable(std::move(table));
    if (late) view_.SetLate(std::move(late));
    if (previous) view_.SetPrevious(std::move(previous), variation_percent);
  });
}

void ProposalModel::SetOnlyLate(bool on) {
  Reset([&] { view_.SetOnlyLate(on); });
}

void ProposalModel::SetOnlyChanged(bool on) {
  Reset([&] { view_.SetOnlyChanged(on); });
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

void ProposalModel::MarkOutOfDate(const std::string& article) {
  if (!out_of_date_.insert(CodeKey(article)).second) return;
  const int column = static_cast<int>(ProposalColumn::kArtigo);
  emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

bool ProposalModel::OutOfDate(int row) const {
  return !out_of_date_.empty() &&
         out_of_date_.count(CodeKey(RowAt(row).Text(ResultField::kArtigo))) > 0;
}

QString ProposalModel::NumberText(Currency value) {
  return Q(FigureText::Quantity(value));
}

int ProposalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(view_.shown().size());
}

int ProposalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kLateColumn + 1;
}

QString ProposalModel::ChangeText(int row) const {
  const ProposalRow& now = RowAt(row);
  const std::string& unit = now.Text(ResultField::kUnBase);
  auto quantity = [&](const std::optional<Currency>& q) {
    QString text = NumberText(q.value_or(Currency()));
    if (!unit.empty()) text += QLatin1Char(' ') + Q(unit);
    return text;
  };
  QString text;
  for (const ProposalChange& c : view_.row_changes(view_.shown()[row])) {
    if (!text.isEmpty()) text += QStringLiteral("; ");
    text += QString::fromUtf8(ProposalChanges::Label(c.kind));
    if (c.kind == ChangeKind::kQuantityMoved ||
        c.kind == ChangeKind::kNoLongerToOrder) {
      text +=
          QStringLiteral(": %1 → %2").arg(quantity(c.before), quantity(c.now));
    }
  }
  return text;
}

QString ProposalModel::PreviousRunText() const {
  if (!view_.previous()) return QString();
  return Q(FigureText::DateTime(view_.previous()->time));
}

QVariant ProposalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (index.column() == kReasonColumn) return ReasonData(index.row(), role);
  if (index.column() == kChangesColumn) {
    return ChangesData(index.row(), role);
  }
  if (index.column() == kLateColumn) return LateData(index.row(), role);
  const auto column = static_cast<ProposalColumn>(index.column());
  const ProposalColumnInfo& info = ColumnInfoOf(column);
  const ProposalRow& row = RowAt(index.row());
  switch (role) {
    case Qt::DisplayRole: {
      const Value v = ColumnValue(row, column);
      if (NoPurchaseQuantity(row, column)) {
        return QStringLiteral("fator emb. 0");
      }
      if (column == ProposalColumn::kDiasCobertura && !row.CoverKnown()) {
        return QStringLiteral("desconhecida");
      }
      if (v.is_null()) return QString();
      if (v.kind() != Value::Kind::kCurrency) return Q(v.ToText());
      if (BlankWhenZero(column) && v.AsCurrency() == Currency())
        return QString();
      if (column == ProposalColumn::kDiasCobertura) {
        return Q(FigureText::Days(v.AsCurrency()));
      }
      if (column == ProposalColumn::kPreco) {
        return Q(FigureText::Price(v.AsCurrency()));
      }
      QString text = NumberText(v.AsCurrency());
      const std::string& unit = ColumnUnit(row, column);
      if (!unit.empty()) text += QLatin1Char(' ') + Q(unit);
      return text;
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          (info.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      return TintOf(index.row());
    case Qt::DecorationRole:
      if (column == ProposalColumn::kFornecedor && row.Shortage()) {
        return warning_;
      }
      if (column == ProposalColumn::kArtigo && OutOfDate(index.row())) {
        return reason_mark_;
      }
      return {};
    case Qt::ToolTipRole:
      if (column == ProposalColumn::kArtigo && OutOfDate(index.row())) {
        return QStringLiteral(
            "Desatualizada: o ERP mudou desde o cálculo desta proposta (ver "
            "Porquê?). Calcule de novo para a atualizar.");
      }
      if (column == ProposalColumn::kDiasCobertura && !row.CoverKnown()) {
        return QStringLiteral(
            "Cobertura desconhecida: o artigo não tem dias ou stock mínimo, "
            "não se calcula.");
      }
      if (NoPurchaseQuantity(row, column)) {
        return QStringLiteral(
                   "O fator de embalagem do artigo é 0: a quantidade em %1 "
                   "não se calcula; encomende a quantidade em %2 (Em "
                   "unidade base) ou corrija o fator no ERP.")
            .arg(Q(row.Text(ResultField::kUnCmp)),
                 Q(row.Text(ResultField::kUnBase)));
      }
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

QVariant ProposalModel::TintOf(int row) const {
  const ProposalRow& proposal_row = RowAt(row);
  if (proposal_row.Shortage()) return ShortageTint();
  if (proposal_row.OrderWithoutShortage()) return OrderTint();
  return {};
}

QVariant ProposalModel::ChangesData(int row, int role) const {
  switch (role) {
    case Qt::DisplayRole:
      return ChangeText(row);
    case Qt::ToolTipRole: {
      const QString text = ChangeText(row);
      if (text.isEmpty()) return {};
      return QStringLiteral("Desde a proposta de %1: %2")
          .arg(PreviousRunText(), text);
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      return TintOf(row);
    default:
      return {};
  }
}

QVariant ProposalModel::LateData(int row, int role) const {
  const LateArticle* late = view_.late_of(view_.shown()[row]);
  switch (role) {
    case Qt::DisplayRole: {
      if (late == nullptr) return QString();
      QString text = NumberText(late->late_quantity);
      const std::string& unit = RowAt(row).Text(ResultField::kUnBase);
      if (!unit.empty()) text += QLatin1Char(' ') + Q(unit);
      return text;
    }
    case Qt::ToolTipRole:
      if (late == nullptr) return {};
      return late->lines.size() == 1
                 ? QStringLiteral(
                       "1 linha de encomenda a fornecedor em atraso (ver "
                       "Porquê?)")
                 : QStringLiteral(
                       "%1 linhas de encomendas a fornecedor em atraso (ver "
                       "Porquê?)")
                       .arg(late->lines.size());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      return TintOf(row);
    default:
      return {};
  }
}

QVariant ProposalModel::ReasonData(int row, int role) const {
  const std::string& reason = view_.reason(view_.shown()[row]);
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
      return TintOf(row);
    default:
      return {};
  }
}

QVariant ProposalModel::headerData(int section, Qt::Orientation orientation,
                                   int role) const {
  if (orientation == Qt::Horizontal && section == kChangesColumn) {
    switch (role) {
      case Qt::DisplayRole:
        return QStringLiteral("Alterações");
      case Qt::ToolTipRole:
        return view_.previous()
                   ? QStringLiteral("Alterações desde a proposta de %1")
                         .arg(PreviousRunText())
                   : QStringLiteral(
                         "Não há proposta anterior guardada para comparar");
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
      default:
        return {};
    }
  }
  if (orientation == Qt::Horizontal && section == kLateColumn) {
    switch (role) {
      case Qt::DisplayRole:
        return QStringLiteral("Em atraso");
      case Qt::ToolTipRole:
        if (view_.late() && !view_.late()->available()) {
          QString reason = Q(view_.late()->unavailable_reason());
          if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
          return reason;
        }
        return QStringLiteral(
            "Quantidade das encomendas a fornecedor em atraso (data + prazo "
            "do artigo antes de hoje), em unidade base");
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      default:
        return {};
    }
  }
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
  const std::vector<int> before = view_.shown();
  if (column == kReasonColumn) {
    view_.SortByReason(order == Qt::AscendingOrder);
  } else if (column == kChangesColumn) {
    view_.SortByChanges(order == Qt::AscendingOrder);
  } else if (column == kLateColumn) {
    view_.SortByLate(order == Qt::AscendingOrder);
  } else if (column < 0 || column >= kProposalColumnCount) {
    view_.SortDefault();
  } else {
    view_.SortBy(static_cast<ProposalColumn>(column),
                 order == Qt::AscendingOrder);
  }
  // The same rows in another order: every persistent index (the current
  // row, the selection) moves with its row.
  std::vector<int> position(view_.table().rows().size(), -1);
  for (size_t i = 0; i < view_.shown().size(); ++i) {
    position[view_.shown()[i]] = static_cast<int>(i);
  }
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& index : from) {
    const int row = index.row() >= 0 && index.row() < int(before.size())
                        ? position[before[index.row()]]
                        : -1;
    to.append(row < 0 ? QModelIndex() : this->index(row, index.column()));
  }
  changePersistentIndexList(from, to);
  emit layoutChanged();
  emit ShownChanged();
}

}  // namespace vor

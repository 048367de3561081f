// ProposalModel: the Qt table model of the proposal window, over a
// ProposalView (one model row per row shown, one model column per
// ProposalColumn; no item per cell). Numbers are right-aligned in
// Portuguese notation without the trailing zeros of their four decimals,
// quantities carry their unit; shortages (Cor 1) have a red tint and a
// warning icon, orders proposed without shortage (CorV 1) an amber tint.
// After the ProposalColumns comes one more column, "Motivo": the reasons
// to check the row (ProposalView::reason), with a mark when there is one;
// then "Alterações": what changed since the previous run (ProposalChanges),
// with the quantities before and now where the quantity to order moved;
// then "Em atraso": the quantity of the row's late supplier-order lines in
// its base unit (LateOrders), blank where none or not read.
// Days of cover are shown to one decimal; where they cannot be computed
// (ProposalRow::CoverKnown) the cell says "desconhecida". A row whose
// article the "Porquê?" panel found changed in the ERP since the run is
// marked out of date (an icon and a tooltip on its article).
// Sorting on a column orders the view; column -1 restores the default
// order (shortages, orders, the rest; fewest days of cover first).
#ifndef VOR_APP_PROPOSAL_MODEL_H_
#define VOR_APP_PROPOSAL_MODEL_H_

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_view.h"

namespace vor {

class ProposalModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Tints of the marked rows.
  static QColor ShortageTint();
  static QColor OrderTint();

  // The model column of "Motivo", after every ProposalColumn.
  static constexpr int kReasonColumn = kProposalColumnCount;
  // The model column of "Alterações", after "Motivo".
  static constexpr int kChangesColumn = kProposalColumnCount + 1;
  // The model column of "Em atraso", after "Alterações".
  static constexpr int kLateColumn = kProposalColumnCount + 2;

  explicit ProposalModel(QObject* parent = nullptr);

  // Replaces the rows; filters and order stay. `previous`: the run to
  // compare them with (nullopt: none known), `variation_percent` the move
  // of a quantity to order that counts as a change; `late`: the late
  // supplier-order lines found for `table`'s rows (nullopt: not read).
  void SetTable(ProposalTable table,
                std::optional<HistoricProposal> previous = std::nullopt,
                Currency variation_percent = Currency(),
                std::optional<LateOrders> late = std::nullopt);
  void SetSearch(const QString& text);
  void SetOnlyToOrder(bool on);
  void SetOnlyExceptions(bool on);
  void SetOnlyChanged(bool on);
  void SetOnlyLate(bool on);
  // Days of cover above which a row is an exception.
  void SetCoverLimit(Currency days);
  // Supplier codes; empty: every supplier.
  void SetSuppliers(const std::vector<std::string>& codes);
  const ProposalView& view() const { return view_; }
  // The proposal row shown at model row `row`.
  const ProposalRow& RowAt(int row) const;

  // Marks the rows of `article` (compared as codes) out of date: the ERP
  // changed since the run. A new table clears the marks.
  void MarkOutOfDate(const std::string& article);
  bool OutOfDate(int row) const;

  // A quantity as the texts people read write it (FigureText::Quantity).
  static QString NumberText(Currency value);
  // The changes of the row at model row `row`, one per kind, with the
  // quantities to order before and now where they count ("Quantidade
  // mudou: 120 → 150 UN"); "" when none.
  QString ChangeText(int row) const;
  // "08-12-2026 às 06:15": the previous run compared with; "" when none.
  QString PreviousRunText() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 signals:
  // The rows shown changed (table, filter or order).
  void ShownChanged();

 private:
  template <typename Change>
  void Reset(Change change);
  QVariant ReasonData(int row, int role) const;
  QVariant ChangesData(int row, int role) const;
  QVariant LateData(int row, int role) const;
  QVariant TintOf(int row) const;

  ProposalView view_;
  QIcon warning_;
  QIcon reason_mark_;
  std::set<std::string> out_of_date_;  // CodeKey of the articles
};

}  // namespace vor

#endif  // VOR_APP_PROPOSAL_MODEL_H_

// BasketLinesModel: the Qt table model of one supplier's basket in the
// basket window (BasketWindow): one model row per line the buyer sees (the
// basket's own lines, those the buyer left out, the articles the buyer
// added) and the columns article (with its check box: in the order or
// left out), name, the proposal's quantity in the purchase unit (QtdUC),
// the quantity ordered in whole purchase units (editable), price, discount,
// value and the days of cover after the order. Shortages (Cor 1) carry the
// proposal window's red tint, a quantity the buyer chose a blue one. The
// model holds what to show; ticking a box or typing a quantity is handed to
// the window, which computes the basket again and gives the model its new
// lines.
#ifndef VOR_APP_BASKET_LINES_MODEL_H_
#define VOR_APP_BASKET_LINES_MODEL_H_

#include <QAbstractTableModel>
#include <functional>
#include <optional>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_table.h"
#include "proposal/whole_units.h"

namespace vor {

class BasketLinesModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kArticle,
    kName,
    kProposed,
    kOrdered,
    kPrice,
    kDiscount,
    kValue,
    kCover,
    kColumnCount
  };

  // One line as shown.
  struct Line {
    int row = -1;          // index into the rows
    bool included = true;  // false: left out by the buyer
    bool added = false;    // not among the rows to order: added by the buyer
    bool chosen = false;   // the buyer chose its quantity
    WholeQuantity whole;   // what it orders (what it would, when left out)
    std::optional<Currency> value;  // nullopt: no price, or left out
  };

  // Called when the buyer ticks or clears line `line`.
  using ToggleHandler = std::function<void(int line, bool on)>;
  // Called with the text the buyer typed as the quantity of line `line`;
  // returns whether it was taken.
  using EditHandler = std::function<bool(int line, const QString& text)>;

  explicit BasketLinesModel(QObject* parent = nullptr);

  void SetHandlers(ToggleHandler toggle, EditHandler edit);
  // Shows `lines`, whose rows index `rows` (which must outlive them).
  void SetLines(const std::vector<ProposalRow>* rows, std::vector<Line> lines);
  const std::vector<Line>& lines() const { return lines_; }
  // The purchase unit of line `line` (the base unit where it has none).
  QString UnitOf(int line) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value,
               int role) override;

 private:
  QString Text(const Line& line, Column column) const;
  QString ToolTip(const Line& line, Column column) const;

  const std::vector<ProposalRow>* rows_ = nullptr;
  std::vector<Line> lines_;
  ToggleHandler toggle_;
  EditHandler edit_;
};

}  // namespace vor

#endif  // VOR_APP_BASKET_LINES_MODEL_H_

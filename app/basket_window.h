// BasketWindow: the proposal's rows to order as baskets per supplier, the
// window the proposal window opens with "A&grupar por fornecedor…". Above,
// the suppliers with something to order, largest basket first, each with
// the basket's value and where it stands against the supplier's terms
// (SupplierBasket::Status; blank without terms). Below, the chosen
// supplier's basket: its lines (BasketLinesModel), each of which the buyer
// can leave out (its check box) or order in another quantity, typed in the
// table; then the basket's value, the minimum and free-freight thresholds,
// where it stands and how long it can wait; then the suggestions, each with
// its reason, any of which the buyer can apply. A quantity is checked as it
// is typed: text, a negative figure, 0, decimals of a unit that goes whole
// or a figure whose value leaves the fixed-point range are refused at the
// field (marked, its tooltip and the line under the table say why) and the
// basket stays as it was. Every accepted change computes the basket again at
// once (SupplierBaskets::Of with the buyer's choices) and the supplier's
// figures in the list follow; each supplier keeps its choices while the
// window shows the same proposal, and "Repor" puts the basket back as
// proposed. "Exportar encomenda…" writes the basket, with the choices, as
// the order file (OrderFile) to a file the buyer chooses; the proposal's
// own figures and the ERP are never changed.
#ifndef VOR_APP_BASKET_WINDOW_H_
#define VOR_APP_BASKET_WINDOW_H_

#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "proposal/proposal_table.h"
#include "proposal/supplier_basket.h"
#include "proposal/supplier_terms.h"
#include "proposal/whole_units.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;

namespace vor {

class BasketLinesModel;

class BasketWindow : public QWidget {
  Q_OBJECT

 public:
  // A window of its own over `parent` (the proposal window), which closes
  // it with itself.
  explicit BasketWindow(QWidget* parent);
  ~BasketWindow() override;

  // Shows the baskets of `rows` (which must stay unchanged until the next
  // call) against `terms` (nullopt: they could not be read, and
  // `terms_problem` says why; the baskets are shown without them), with
  // `units` and the cover limit of the suggestions, `cover_limit` days.
  // The buyer's choices are dropped; the supplier shown stays when it still
  // has a basket, else the first is shown.
  void SetProposal(const std::vector<ProposalRow>* rows,
                   std::optional<SupplierTerms> terms,
                   const QString& terms_problem, const WholeUnits& units,
                   Currency cover_limit);

  // The suppliers listed, and the one shown (-1: none).
  int SupplierCount() const;
  int ShownSupplier() const { return shown_; }
  // Shows the basket of listed supplier `index`.
  void ShowSupplier(int index);
  // The shown supplier's basket with the buyer's choices (empty when none).
  const SupplierBasket& basket() const { return basket_; }

  // The buyer's changes, as the controls make them. Line numbers are the
  // rows of the lines table. Each computes the basket again at once.
  // Puts line `line` in the order or leaves it out.
  void SetIncluded(int line, bool on);
  // Orders `text` (as typed) of line `line`; "" when taken, else why not
  // (also shown under the table, and the basket stays as it was).
  QString ChangeQuantity(int line, const QString& text);
  // Why `text` cannot be the quantity of line `line` ("" when it can: then
  // `*quantity` is set).
  QString CheckQuantity(int line, const QString& text,
                        Currency* quantity) const;
  // Takes the shown basket's suggestion `index`: its line raised, or its
  // article added, to the suggested quantity.
  void ApplySuggestion(int index);
  // The shown basket as proposed: every choice of its supplier dropped.
  void Reset();

  // Writes the shown basket, with the choices, as the order file at
  // `path`, complete or not at all. Raises vor::Error naming the file.
  void ExportTo(const std::string& path) const;

 private:
  // What the buyer chose for one line of a supplier's basket.
  struct Choice {
    int row = -1;
    bool included = true;
    bool added = false;
    std::optional<Currency> quantity;  // nullopt: as proposed
  };

  void BuildControls();
  void FillSuppliers();
  // The choices of the shown supplier as SupplierBaskets::Of takes them.
  BasketChoices ChoicesOf(const std::vector<Choice>& choices) const;
  // Computes the shown basket again with its choices and shows it.
  void Recompute();
  // Computes the basket with `choices` in place of the shown ones; the
  // reason it cannot ("" when it was shown).
  QString TryChoices(std::vector<Choice> choices);
  void ShowBasket();
  // The lines' columns as wide as what they show, the name taking the rest.
  void FitLineColumns();
  void ShowSupplierFigures(int index, const SupplierBasket& basket);
  void ShowMessage(const QString& text);
  void ShowStatus(const QString& text);
  void AskAndExport();

  const std::vector<ProposalRow>* rows_ = nullptr;
  std::optional<SupplierBaskets> baskets_;
  bool terms_known_ = false;
  // The suppliers listed (codes), in the list's order.
  std::vector<std::string> codes_;
  // The buyer's choices per listed supplier.
  std::map<int, std::vector<Choice>> choices_;
  int shown_ = -1;
  int fitted_supplier_ = -1;  // whose lines the columns were fitted to
  SupplierBasket basket_;

  QLabel* summary_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTableWidget* suppliers_ = nullptr;
  QLabel* heading_ = nullptr;
  QTableView* lines_view_ = nullptr;
  BasketLinesModel* lines_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* totals_ = nullptr;
  QListWidget* suggestions_ = nullptr;
  QPushButton* apply_ = nullptr;
  QLabel* short_after_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace vor

#endif  // VOR_APP_BASKET_WINDOW_H_

// ProposalView: the rows of a ProposalTable that a buyer looks at, filtered
// and in order. Filters: a search text (article code or name, supplier code
// or name, any letter case), "only what is to be ordered" (QtdUB above 0),
// "only exceptions" (rows with a reason to check, ProposalExceptions), "only
// changed" (rows with a change since the previous run, ProposalChanges,
// when that run is known), "only with late supplier orders" (rows with a
// late line, LateOrders, when they were read) and a set of suppliers. Order:
// the default one (shortages first, then orders proposed without shortage, then
// the rest; within each, fewest days of cover first, a cover that cannot be
// computed last, then article code), or by any column, rising or falling. Also
// the summary figures of the rows shown and of the whole table.
//
// Without filters and in default order, as an unattended report wants it:
//   ProposalView view(ProposalTable::Read(connection));
//   for (int i : view.shown()) use(view.row(i));
#ifndef VOR_PROPOSAL_PROPOSAL_VIEW_H_
#define VOR_PROPOSAL_PROPOSAL_VIEW_H_

#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "proposal/late_orders.h"
#include "proposal/proposal_changes.h"
#include "proposal/proposal_columns.h"
#include "proposal/proposal_exceptions.h"
#include "proposal/proposal_history.h"
#include "proposal/proposal_table.h"

namespace vor {

// Figures of a set of proposal rows.
struct ProposalSummary {
  int articles = 0;    // rows
  int to_order = 0;    // rows with QtdUB above 0
  int shortages = 0;   // rows with Cor 1
  int suppliers = 0;   // distinct suppliers of the rows to order
  int exceptions = 0;  // rows with a reason to check
  int changed = 0;     // rows with a change since the previous run
  int late = 0;        // rows with late supplier-order lines
  bool operator==(const ProposalSummary&) const = default;
};

// A supplier of the table, for a supplier list.
struct ProposalSupplier {
  std::string code;
  std::string label;  // the name, else the code
  int articles = 0;
  int to_order = 0;
};

class ProposalView {
 public:
  ProposalView() = default;
  // Shows every row of `table` in default order, no filter set.
  explicit ProposalView(ProposalTable table);

  // Replaces the table; filters and order are kept and applied to it. The
  // previous run (SetPrevious) and the late lines (SetLate) are forgotten.
  void SetTable(ProposalTable table);
  const ProposalTable& table() const { return table_; }
  const ProposalRow& row(int index) const { return table_.rows()[index]; }
  // Why the row at `index` should be checked ("" when it need not be).
  const std::string& reason(int index) const { return reasons_[index]; }

  // The days of cover above which a row is an exception (default
  // ProposalExceptions::DefaultCoverLimit()); the reasons are worked out
  // again.
  void SetCoverLimit(Currency days);
  Currency cover_limit() const { return cover_limit_; }

  // The previous run to compare the table with (nullopt: none known), and
  // the percent a quantity to order must move to count as a change. The
  // changes are worked out again when the cover limit changes.
  void SetPrevious(std::optional<HistoricProposal> previous,
                   Currency variation_percent);
  // The previous run, when one is known.
  const std::optional<HistoricProposal>& previous() const { return previous_; }
  // Every change since the previous run (none when it is not known).
  const ProposalChanges& changes() const { return changes_; }
  // The changes of the row at `index`, in the order of ChangeKind.
  const std::vector<ProposalChange>& row_changes(int index) const {
    return row_changes_[index];
  }
  // The kinds of change of the row at `index` ("Nova rutura; Quantidade
  // mudou"), "" when none.
  std::string ChangeText(int index) const;

  // The late supplier-order lines of the table's rows, as LateOrderFinder
  // found them for table().rows() (nullopt: not read); they also give the
  // changes their new late orders. Unavailable ones (the lines could not be
  // read) mark no row.
  void SetLate(std::optional<LateOrders> late);
  const std::optional<LateOrders>& late() const { return late_; }
  // The late lines were read.
  bool late_known() const { return late_ && late_->available(); }
  // The late lines of the row at `index`; nullptr when it has none or they
  // were not read.
  const LateArticle* late_of(int index) const {
    return late_known() ? late_->OfRow(index) : nullptr;
  }

  // Filters. An empty search text or supplier set lets every row pass.
  void SetSearch(const std::string& text);
  void SetOnlyToOrder(bool on);
  void SetOnlyExceptions(bool on);
  // Only the rows with a change since the previous run; with no previous
  // run known, no row.
  void SetOnlyChanged(bool on);
  // Only the rows with late supplier-order lines; with none read, no row.
  void SetOnlyLate(bool on);
  // Supplier codes, compared without regard to letter case.
  void SetSuppliers(const std::vector<std::string>& codes);
  bool only_to_order() const { return only_to_order_; }
  bool only_exceptions() const { return only_exceptions_; }
  bool only_changed() const { return only_changed_; }
  bool only_late() const { return only_late_; }
  // The search text and the supplier codes as last given.
  const std::string& search() const { return search_text_; }
  const std::vector<std::string>& supplier_codes() const {
    return supplier_codes_;
  }

  // Order by `column`, rising or falling; nulls count as the smallest
  // values, numbers compare as numbers, texts without regard to case. Rows
  // that compare equal keep the default order.
  void SortBy(ProposalColumn column, bool ascending);
  // Order by the reason (ProposalView::reason), as a text column.
  void SortByReason(bool ascending);
  // Order by the kinds of change (ChangeText), as a text column.
  void SortByChanges(bool ascending);
  // Order by the late quantity (LateArticle::late_quantity), as a number
  // column; a row without late lines counts as null.
  void SortByLate(bool ascending);
  void SortDefault();
  bool sorted_by_reason() const { return by_text_ == TextOrder::kReason; }
  bool sorted_by_changes() const { return by_text_ == TextOrder::kChanges; }
  bool sorted_by_late() const { return by_text_ == TextOrder::kLate; }
  // The column of the order; nullopt for the default order, by reason, by
  // changes or by the late quantity.
  std::optional<ProposalColumn> sort_column() const { return sort_column_; }
  bool sort_ascending() const { return ascending_; }

  // Indexes into table().rows() of the rows shown, in the order shown.
  const std::vector<int>& shown() const { return shown_; }

  ProposalSummary ShownSummary() const;
  ProposalSummary TotalSummary() const;
  // The suppliers of the table, by label (any letter case).
  std::vector<ProposalSupplier> Suppliers() const;

 private:
  // The orders on what the view adds to the table's columns.
  enum class TextOrder { kNone, kReason, kChanges, kLate };
  void SortByText(TextOrder by, bool ascending);
  void ComputeChanges();
  void Reorder();
  void Refilter();
  bool Passes(int index) const;
  void ComputeReasons();
  ProposalSummary Summarise(const std::vector<int>& rows) const;

  ProposalTable table_;
  // Per row, the folded texts the search looks in, joined by '\n'.
  std::vector<std::string> haystack_;
  std::string search_text_;
  std::string search_;  // folded
  bool only_to_order_ = false;
  bool only_exceptions_ = false;
  bool only_changed_ = false;
  bool only_late_ = false;
  Currency cover_limit_ = ProposalExceptions::DefaultCoverLimit();
  std::vector<std::string> reasons_;  // per row
  std::optional<HistoricProposal> previous_;
  Currency variation_;
  ProposalChanges changes_;
  std::vector<std::vector<ProposalChange>> row_changes_;  // per row
  std::optional<LateOrders> late_;
  std::vector<std::string> supplier_codes_;
  std::vector<std::string> suppliers_;  // folded, sorted
  std::optional<ProposalColumn> sort_column_;
  TextOrder by_text_ = TextOrder::kNone;
  bool ascending_ = true;
  std::vector<int> order_;  // every row, in the current order
  std::vector<int> shown_;
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_VIEW_H_

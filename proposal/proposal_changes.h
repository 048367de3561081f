// ProposalChanges: what changed between an earlier proposal (from the
// history, ProposalHistory) and today's, article by article, articles
// matched by code as the database compares codes (CodeKey):
//   - new shortages (Cor 1 today, not before or the article is new);
//   - shortages gone (Cor 1 before, not today or the article left);
//   - articles newly to order (QtdUB above 0 today, not before);
//   - articles no longer to order (QtdUB above 0 before, not today);
//   - quantities to order (QtdUB, base unit) that moved by more than a
//     percentage of the earlier quantity, both runs ordering;
//   - new exceptions (a reason to check today, ProposalExceptions, and none
//     before);
//   - new late supplier orders, when today's late lines are given
//     (LateOrders): an article with a line late today that was not late
//     yet on the earlier run's day (its date plus the article's lead time,
//     Prazo, not before that day), or with a late line and no earlier row.
// Widget-free: the e-mail, the workbook and the window use the same list.
//
//   ProposalChanges changes = ProposalChanges::Between(
//       before.rows, table, Currency::FromInt(25), cover_limit);
//   for (const ProposalChange& c : changes.Of(ChangeKind::kNewShortage)) ...
#ifndef VOR_PROPOSAL_PROPOSAL_CHANGES_H_
#define VOR_PROPOSAL_PROPOSAL_CHANGES_H_

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/currency.h"
#include "proposal/late_orders.h"
#include "proposal/proposal_table.h"

namespace vor {

enum class ChangeKind {
  kNewShortage,
  kShortageGone,
  kNewlyToOrder,
  kNoLongerToOrder,
  kQuantityMoved,
  kNewException,
  kNewLateOrder,
};
inline constexpr int kChangeKinds = 7;

// Today's late supplier-order lines and the earlier run's time, for the
// changes of kind kNewLateOrder.
struct LateOrdersSince {
  const LateOrders* late = nullptr;  // found for today's rows; null: none
  LocalTime before;                  // when the earlier run was made
};

// One change of one article.
struct ProposalChange {
  ChangeKind kind = ChangeKind::kNewShortage;
  std::string article;  // the code as today's table has it (else as before)
  // Nome and UnBase as today's table has them; of the earlier run when the
  // article left (where the history keeps them, else "").
  std::string name;
  std::string unit;
  // Index into today's rows; -1 when the article is no longer in the
  // proposal.
  int row = -1;
  // QtdUB before and today (nullopt where the article is absent or null).
  std::optional<Currency> before;
  std::optional<Currency> now;
  // kNewException: today's reasons.
  std::string reason;
};

class ProposalChanges {
 public:
  ProposalChanges() = default;

  // The changes from `before` to `now`. `variation_percent` (0 or more):
  // a quantity to order counts as moved when |now - before| x 100 is above
  // variation_percent x before. `cover_limit`: the days of cover above which
  // a row is an exception, for both runs. Within a kind, changes come by
  // article code (CodeKey). Where a table holds a code twice, its first
  // row counts. With `late` (its lines found for `now`, row for row), the
  // articles with a late line that was not late on the day of
  // `late.before`, or with a late line and no row in `before`, are new late
  // orders; an unavailable LateOrders adds none.
  static ProposalChanges Between(const std::vector<ProposalRow>& before,
                                 const std::vector<ProposalRow>& now,
                                 Currency variation_percent,
                                 Currency cover_limit,
                                 const LateOrdersSince& late = {});

  // Every change, kind by kind in the order of ChangeKind.
  const std::vector<ProposalChange>& all() const { return all_; }
  // The changes of one kind.
  std::vector<ProposalChange> Of(ChangeKind kind) const;
  int Count(ChangeKind kind) const { return counts_[static_cast<int>(kind)]; }
  bool empty() const { return all_.empty(); }

  // The heading of a kind, as the report shows it ("Novas ruturas").
  static const char* Title(ChangeKind kind);
  // The kind as said of one article ("Nova rutura").
  static const char* Label(ChangeKind kind);

 private:
  std::vector<ProposalChange> all_;
  std::array<int, kChangeKinds> counts_{};
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_CHANGES_H_

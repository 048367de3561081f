// LateOrderFinder: finds the late lines of the open supplier orders of a
// proposal's articles (LateOrders) and works out what each article's
// proposal would be without them, with the calculator's own final step
// (ReplenishmentCalculator::AtualizaFinalV2 and MarcaCores) on a copy of its
// row whose open supplier orders (EncF) leave the late quantity out; no
// second formula. The cost is one statement for the whole proposal, and
// work in proportion to the articles with late lines.
//
//   LateOrders late = LateOrderFinder::Find(connection, table.rows(),
//                                           started, settings.encomendas
//                                                        .atraso_maximo);
//   // or: read now, match later on another thread
//   LateOrderMatch match = LateOrderFinder::Read(connection, started, 90);
//   ... LateOrders late = match(table.rows());
#ifndef VOR_ENGINE_LATE_ORDER_FINDER_H_
#define VOR_ENGINE_LATE_ORDER_FINDER_H_

#include <vector>

#include "core/clock.h"
#include "proposal/late_orders.h"
#include "proposal/proposal_table.h"

namespace vor {

class Connection;

class LateOrderFinder {
 public:
  // The late lines of the open supplier orders of `rows` (the proposal's
  // rows, as the result table holds them) on the day of `today`, each
  // marked probably dead when more than `max_days_late` days late, with
  // every article's figures without them. One look at DOCGCCAB's columns
  // (whether the documents record their supplier, TERCEIRO) and one
  // statement for every line; lines are matched to rows by the database's
  // comparison of codes (CodeKey). Ends the connection's read snapshot. Never
  // raises: when the lines cannot be read, or a row's figures cannot be worked
  // out, LateOrders::Unavailable with the reason.
  static LateOrders Find(Connection& connection,
                         const std::vector<ProposalRow>& rows, LocalTime today,
                         int max_days_late);

  // Find in two steps: the lines (and, where the documents name their
  // supplier, the suppliers' names) are read now, through `connection`;
  // the matching returned gives what Find would for the rows it is given,
  // on any thread, without reading again. It asks nothing of `connection`,
  // which must outlive it. A read that fails makes the matching give
  // LateOrders::Unavailable, as Find does; never raises.
  static LateOrderMatch Read(Connection& connection, LocalTime today,
                             int max_days_late);
};

}  // namespace vor

#endif  // VOR_ENGINE_LATE_ORDER_FINDER_H_

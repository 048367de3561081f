#include "proposal/late_orders.h"

#include <utility>

namespace vor {

LateOrders::LateOrders(std::vector<LateOrderLine> lines,
                       std::vector<LateArticle> articles, int unreadable,
                       int max_days_late)
    : lines_(std::move(lines)),
      articles_(std::move(articles)),
      unreadable_(unreadable),
      max_days_late_(max_days_late) {
  by_row_.reserve(articles_.size());
  for (size_t i = 0; i < articles_.size(); ++i) {
    by_row_.emplace(articles_[i].row, static_cast<int>(i));
  }
}

LateOrders LateOrders::Unavailable(std::string reason) {
  LateOrders late;
  late.unavailable_ = std::move(reason);
  return late;
}

const LateArticle* LateOrders::OfRow(int row) const {
  const auto it = by_row_.find(row);
  return it == by_row_.end() ? nullptr : &articles_[it->second];
}

}  // namespace vor

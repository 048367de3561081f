// ArticleExplanation: why one article's row of the proposal holds the
// quantities it holds: every contribution the engine's steps counted for it,
// in step order, and the row they produced. ExplainArticle computes one
// anew; ExplanationRecorder fills one from the steps' ContributionObserver
// calls.
//
// Typical use (the proposal window):
//   ArticleExplanation why = ExplainArticle(connection, "A1", "B");
//   if (why.found) ... why.final.qtd_ub ...
#ifndef VOR_ENGINE_ARTICLE_EXPLANATION_H_
#define VOR_ENGINE_ARTICLE_EXPLANATION_H_

#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/currency.h"
#include "core/value.h"
#include "db/connection.h"
#include "engine/contributions.h"

namespace vor {

struct AggregatedContribution {
  std::string code;
  AggregatedOutcome outcome = AggregatedOutcome::kCounted;
  Currency stock;
};

struct ArticleExplanation {
  std::string article;
  // False when the article is not (or no longer) among the articles of the
  // proposal: nothing below is filled.
  bool found = false;
  Currency own_stock;
  std::vector<AggregatedContribution> aggregated;
  Currency supplier_orders;
  Currency own_customer_orders;
  std::vector<ProductDemand> customer_products;
  std::vector<ProductDemand> production_products;
  std::optional<DemandMerge> customer_merge;
  std::optional<DemandMerge> production_merge;
  FinalStep final;
  // The recomputed row: the 32 fields of WorkingTableFields(), in order.
  std::vector<Value> row;
};

class ExplanationRecorder : public ContributionObserver {
 public:
  // Records what is told about `article` (SameCode); other articles are
  // ignored.
  explicit ExplanationRecorder(std::string article);

  void OwnStock(const std::string& article, Currency stock) override;
  void AggregatedStock(const std::string& article, const std::string& code,
                       AggregatedOutcome outcome, Currency stock) override;
  void SupplierOrders(const std::string& article, Currency quantity) override;
  void OwnCustomerOrders(const std::string& article,
                         Currency quantity) override;
  void ProductLine(const std::string& article, DemandPass pass,
                   const ProductDemand& line) override;
  void Merged(const std::string& article, const DemandMerge& merge) override;
  void Final(const std::string& article, const FinalStep& step) override;

  // What was recorded; `row` and `found` are the caller's to fill.
  ArticleExplanation Take() { return std::move(explanation_); }

 private:
  bool Mine(const std::string& article) const;

  std::string key_;  // CodeKey of the article
  ArticleExplanation explanation_;
};

// Computes the row of the article `article` again, as a run would now, and
// tells why it holds what it holds. The same steps and answers as a run in
// either reading mode (ReplenishmentCalculator), for that article only: its
// statements are the article query restricted to the article, the
// customer-order preload, the supplier-order, aggregated-stock and
// supplier-price lookups of the article, the open customer and production
// orders, the two product lists of the article and the structures of those
// products, each sent as built. Writes nothing: no table, no write, no line
// anywhere. Reads in one snapshot (ReadSnapshot), ended before it returns,
// so a window showing the answer holds no lock on the ERP. `component_mode` is
// the bill-of-materials mode letter ("B"); `clock` gives the moment of the
// customer-order cut-off date. `found` is false when the article is not
// among the proposal's articles. Raises vor::Error as the steps do (the
// article named).
ArticleExplanation ExplainArticle(Connection& connection,
                                  const std::string& article,
                                  const std::string& component_mode,
                                  const LocalClock& clock = SystemLocalClock());

}  // namespace vor

#endif  // VOR_ENGINE_ARTICLE_EXPLANATION_H_

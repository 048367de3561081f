// ArticleExplanation: why one article's row of the proposal holds the
// quantities it holds: every contribution the engine's steps counted for it,
// in step order, and the row they produced. ExplanationRecorder fills one
// from the engine's ContributionObserver calls.
//
// Typical use (ReplenishmentEngine::Explicar does this):
//   ExplanationRecorder recorder("A1");
//   engine.set_observer(&recorder);  ... the steps ...
//   ArticleExplanation why = recorder.Take();
#ifndef VOR_ENGINE_ARTICLE_EXPLANATION_H_
#define VOR_ENGINE_ARTICLE_EXPLANATION_H_

#include <optional>
#include <string>
#include <vector>

#include "core/currency.h"
#include "core/value.h"
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
  // Records what is told about `article` (codes compared as the engine's
  // filters compare them: letters in any case); other articles are ignored.
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

  std::string folded_;
  ArticleExplanation explanation_;
};

}  // namespace vor

#endif  // VOR_ENGINE_ARTICLE_EXPLANATION_H_

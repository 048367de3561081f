// ArticleExplanation: why one article's row of the proposal holds the
// quantities it holds: every contribution the engine's steps counted for it,
// in step order, and the row they produced. ExplainArticle computes one
// anew; ExplanationRecorder fills one from the steps' ContributionObserver
// calls. With an ArticleRecording the answers the steps read are kept, and
// the same steps run again on them with some of the article's master data
// changed ("E se?"), reading nothing.
//
// Typical use (the proposal window):
//   ArticleRecording answers;
//   ArticleExplanation why =
//       ExplainArticle(connection, "A1", "B", SystemLocalClock(), &answers);
//   if (why.found) ... why.final.qtd_ub ...
//   MasterDataChanges changes;
//   changes.stock_minimum = Currency::FromInt(200);
//   ArticleExplanation what_if = ExplainArticle(answers, changes);
#ifndef VOR_ENGINE_ARTICLE_EXPLANATION_H_
#define VOR_ENGINE_ARTICLE_EXPLANATION_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/currency.h"
#include "core/value.h"
#include "db/connection.h"
#include "engine/contributions.h"
#include "engine/recording_reader.h"

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

// What the explanation of one article read (its article-query rows, the
// cut-off date and every answer of its steps), kept by ExplainArticle so
// that the steps can run again with changed master data. Filled on one
// thread, then used on one thread at a time.
struct ArticleRecording {
  std::string article;
  std::string component_mode;
  std::string cutoff;  // the customer-order cut-off date (sData)
  Recordset article_rows;
  std::unique_ptr<RecordingReader> answers;
};

// Master data of an article put in place of the ERP's in "E se?"; each one
// left empty keeps the ERP's value.
struct MasterDataChanges {
  std::optional<Currency> stock_minimum = {};     // StMin
  std::optional<Currency> minimum_order = {};     // QtMinCom
  std::optional<Currency> lead_time = {};         // PrzEntVn
  std::optional<Currency> days = {};              // DiasSkRs
  std::optional<Currency> packing_factor = {};    // FactEmb
  std::optional<std::string> purchase_unit = {};  // UnCmp
  // The purchase price the row takes: the supplier's next price (PrProx)
  // when the article is priced by its supplier (Units::PricedBySupplier on
  // the units in force), else the article's own UltPrCom. Where the
  // supplier has no price row, one with this price and no discount.
  std::optional<Currency> supplier_price = {};
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
// article named). `recording` (may be null) receives every answer read; for
// a found article the supplier price of its supplier is read into it too
// (one statement more) when the steps did not ask it, so that a change of
// purchase unit can be computed again without reading.
ArticleExplanation ExplainArticle(Connection& connection,
                                  const std::string& article,
                                  const std::string& component_mode,
                                  const LocalClock& clock = SystemLocalClock(),
                                  ArticleRecording* recording = nullptr);

// The article of `recording` computed again by the same steps, on the
// answers recorded, with `changes` put in place of its master data in the
// article query's row (and the supplier price where the row takes its
// price from): what a run would give on a copy of the ERP holding the
// changed values at the moment recorded. Reads and writes nothing. Raises
// vor::Error as the steps do (an overflow, a null a step needs), the
// article named.
ArticleExplanation ExplainArticle(ArticleRecording& recording,
                                  const MasterDataChanges& changes);

}  // namespace vor

#endif  // VOR_ENGINE_ARTICLE_EXPLANATION_H_

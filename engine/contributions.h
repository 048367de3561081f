// ContributionObserver: what the engine's steps counted for each article, as
// they count it. The steps tell every piece that makes up an article's row:
// its own available stock, the stock of each aggregated code, the open
// supplier orders, its own open customer orders, the demand of each product
// that pulls on it (customer orders, then production orders), how each pass
// merged that demand, and the branch of the final quantities. The base class
// does nothing, at the cost of a call; a run that nobody watches uses it.
#ifndef VOR_ENGINE_CONTRIBUTIONS_H_
#define VOR_ENGINE_CONTRIBUTIONS_H_

#include <string>

#include "core/currency.h"

namespace vor {

// How one code of the aggregated-article list was counted.
enum class AggregatedOutcome {
  kCounted,    // its available stock was added
  kNoArticle,  // no article has that code: nothing added
  kOwnCode,    // the article itself: skipped, its stock is already counted
};

// Which demand step a product line belongs to.
enum class DemandPass { kCustomerOrders, kProductionOrders };

// One product that pulled on the article in a demand step: the product's
// open quantity (QtdEnc of its customer orders, Quant of its production
// orders) times the summed Quantidade of the article's AT lines in the
// explosion of `structure`. `amount` is what the step added, as it added it.
struct ProductDemand {
  std::string product;
  std::string structure;
  double multiplier = 0;
  double quantidade = 0;
  Currency amount;
};

// How a pass merged the products' demand into the article's Cli: the
// customer-order pass adds it; the production-order pass replaces Cli when
// its total is larger and leaves it otherwise.
struct DemandMerge {
  DemandPass pass = DemandPass::kCustomerOrders;
  Currency products;      // the products' total of the pass
  Currency cli_before;    // Cli before the pass
  Currency cli_after;     // Cli after it
  bool replaced = false;  // production pass only: Cli became `products`
};

// The branch of the final quantities.
enum class FinalBranch {
  kNoOrder,          // N >= minimum stock: nothing to order
  kShortfall,        // the shortfall S ordered
  kMinimumPurchase,  // S below the minimum purchase quantity: raised to it
};

// The final quantities of the article, with the figures they came from.
// N = StkPrazo - Cli; S = StkMinimo - N (0 in the kNoOrder branch).
struct FinalStep {
  FinalBranch branch = FinalBranch::kNoOrder;
  Currency stk_prazo;
  Currency cli;
  Currency n;
  Currency stk_minimo;
  Currency s;
  Currency qtd_min_apr;
  Currency qtd_ub;
  Currency qtd_uc;
  // The purchase unit differs from the base unit: QtdUC = QtdUB / FactEmb
  // (0 when FactEmb is 0).
  bool converted = false;
  Currency fact_emb;
  Currency stk_apos;
  Currency dias;
  Currency tempo;
};

class ContributionObserver {
 public:
  virtual ~ContributionObserver() = default;
  // The article's own available stock (StDisp).
  virtual void OwnStock(const std::string& /*article*/, Currency /*stock*/) {}
  // One code of the aggregated-article list; `stock` is 0 unless counted.
  virtual void AggregatedStock(const std::string& /*article*/,
                               const std::string& /*code*/,
                               AggregatedOutcome /*outcome*/,
                               Currency /*stock*/) {}
  // The open supplier-order quantity (EncF).
  virtual void SupplierOrders(const std::string& /*article*/,
                              Currency /*quantity*/) {}
  // The article's own open customer-order quantity (the first Cli).
  virtual void OwnCustomerOrders(const std::string& /*article*/,
                                 Currency /*quantity*/) {}
  // A product that pulled on the article, in step order.
  virtual void ProductLine(const std::string& /*article*/, DemandPass /*pass*/,
                           const ProductDemand& /*line*/) {}
  // A pass that had product demand for the article (none is told when the
  // products added nothing).
  virtual void Merged(const std::string& /*article*/,
                      const DemandMerge& /*merge*/) {}
  // The final quantities; told once per pass, the last one stands.
  virtual void Final(const std::string& /*article*/,
                     const FinalStep& /*step*/) {}
};

}  // namespace vor

#endif  // VOR_ENGINE_CONTRIBUTIONS_H_

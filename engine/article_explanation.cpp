#include "engine/article_explanation.h"

#include <utility>

#include "core/text_util.h"

namespace vor {

ExplanationRecorder::ExplanationRecorder(std::string article) {
  FoldCase(article, &folded_);
  explanation_.article = std::move(article);
}

bool ExplanationRecorder::Mine(const std::string& article) const {
  std::string folded;
  FoldCase(article, &folded);
  return folded == folded_;
}

void ExplanationRecorder::OwnStock(const std::string& article, Currency stock) {
  if (Mine(article)) explanation_.own_stock = stock;
}

void ExplanationRecorder::AggregatedStock(const std::string& article,
                                          const std::string& code,
                                          AggregatedOutcome outcome,
                                          Currency stock) {
  if (Mine(article)) explanation_.aggregated.push_back({code, outcome, stock});
}

void ExplanationRecorder::SupplierOrders(const std::string& article,
                                         Currency quantity) {
  if (Mine(article)) explanation_.supplier_orders = quantity;
}

void ExplanationRecorder::OwnCustomerOrders(const std::string& article,
                                            Currency quantity) {
  if (Mine(article)) explanation_.own_customer_orders = quantity;
}

void ExplanationRecorder::ProductLine(const std::string& article,
                                      DemandPass pass,
                                      const ProductDemand& line) {
  if (!Mine(article)) return;
  if (pass == DemandPass::kCustomerOrders) {
    explanation_.customer_products.push_back(line);
  } else {
    explanation_.production_products.push_back(line);
  }
}

void ExplanationRecorder::Merged(const std::string& article,
                                 const DemandMerge& merge) {
  if (!Mine(article)) return;
  if (merge.pass == DemandPass::kCustomerOrders) {
    explanation_.customer_merge = merge;
  } else {
    explanation_.production_merge = merge;
  }
}

void ExplanationRecorder::Final(const std::string& article,
                                const FinalStep& step) {
  if (Mine(article)) explanation_.final = step;
}

}  // namespace vor

#include "engine/article_explanation.h"

#include <utility>

#include "core/recordset.h"
#include "core/text_util.h"
#include "db/read_snapshot.h"
#include "engine/cutoff_date.h"
#include "engine/literal_reader.h"
#include "engine/replenishment_calculator.h"
#include "engine/sql_texts.h"
#include "engine/working_table.h"

namespace vor {

ExplanationRecorder::ExplanationRecorder(std::string article)
    : key_(CodeKey(article)) {
  explanation_.article = std::move(article);
}

bool ExplanationRecorder::Mine(const std::string& article) const {
  return CodeKey(article) == key_;
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

ArticleExplanation ExplainArticle(Connection& connection,
                                  const std::string& article,
                                  const std::string& component_mode,
                                  const LocalClock& clock) {
  // One state of the database for every query; none held afterwards.
  const ReadSnapshot snapshot(connection);
  LiteralReader reader(connection);
  ExplanationRecorder recorder(article);
  const ReplenishmentCalculator calculator(component_mode);
  const std::string sData = DataLimiteEncomendas(clock());
  Recordset rsArtigos;
  connection.OpenRecordset("", sql::SingleArticleQuery(article), rsArtigos, -1,
                           0);
  Recordset rsfinal =
      calculator.Compute({reader, recorder}, std::move(rsArtigos), sData);
  ArticleExplanation explanation = recorder.Take();
  rsfinal.MoveFirst();
  if (!rsfinal.Eof()) {
    explanation.found = true;
    for (const FieldDef& field : WorkingTableFields()) {
      explanation.row.push_back(rsfinal.Get(field.name));
    }
  }
  return explanation;
}

}  // namespace vor

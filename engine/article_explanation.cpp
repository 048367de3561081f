#include "engine/article_explanation.h"

#include <utility>

#include "core/error.h"
#include "core/recordset.h"
#include "core/text_util.h"
#include "core/units.h"
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

namespace {

// A code read from a table: its text, "" when it has no value.
std::string CodeOf(const Value& v) {
  return v.is_null() ? std::string() : v.ToText();
}

// The steps of one computation for the rows of `rsArtigos` (taken: left
// empty), told to a recorder of `article`.
ArticleExplanation RunSteps(ErpReader& reader, Recordset& rsArtigos,
                            const std::string& article,
                            const std::string& component_mode,
                            const std::string& sData) {
  ExplanationRecorder recorder(article);
  const ReplenishmentCalculator calculator(component_mode);
  // The rows are the steps' to consume: no caller reads them afterwards.
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

// The reader of a computation with a changed purchase price: every answer
// from `inner`, the supplier's next price replaced by `price`.
class ChangedSupplierPrice : public ErpReader {
 public:
  ChangedSupplierPrice(ErpReader& inner, Currency price)
      : inner_(inner), price_(price) {}

  void Articles(Recordset& rs) override { inner_.Articles(rs); }
  void CustomerOrderPreload(const std::string& sData, Recordset& rs) override {
    inner_.CustomerOrderPreload(sData, rs);
  }
  std::optional<Value> SupplierOrderQuantity(
      const std::string& article) override {
    return inner_.SupplierOrderQuantity(article);
  }
  std::optional<SupplierPriceRow> SupplierPrice(
      const std::string& article, const std::string& supplier) override {
    std::optional<SupplierPriceRow> row =
        inner_.SupplierPrice(article, supplier);
    if (!row) row = SupplierPriceRow{};
    row->prprox = price_;
    return row;
  }
  std::optional<Value> AggregatedStock(const std::string& code) override {
    return inner_.AggregatedStock(code);
  }
  void CustomerOrders(const std::string& sData, Recordset& rs) override {
    inner_.CustomerOrders(sData, rs);
  }
  void ProductionOrders(Recordset& rs) override { inner_.ProductionOrders(rs); }
  std::vector<ProductRow> CustomerProducts(
      const std::string& article) override {
    return inner_.CustomerProducts(article);
  }
  std::vector<ProductRow> ProductionProducts(
      const std::string& article) override {
    return inner_.ProductionProducts(article);
  }
  std::vector<StructureLineRow> StructureLines(
      const std::string& product, const std::string& structure) override {
    return inner_.StructureLines(product, structure);
  }
  std::optional<Value> BaseStructure(const std::string& article) override {
    return inner_.BaseStructure(article);
  }
  Value SmallestStructure(const std::string& product) override {
    return inner_.SmallestStructure(product);
  }

 private:
  ErpReader& inner_;
  Currency price_;
};

}  // namespace

ArticleExplanation ExplainArticle(Connection& connection,
                                  const std::string& article,
                                  const std::string& component_mode,
                                  const LocalClock& clock,
                                  ArticleRecording* recording) {
  // One state of the database for every query; none held afterwards.
  const ReadSnapshot snapshot(connection);
  LiteralReader literal(connection);
  const std::string sData = DataLimiteEncomendas(clock());
  Recordset rsArtigos;
  connection.OpenRecordset("", sql::SingleArticleQuery(article), rsArtigos, -1,
                           0);
  if (recording == nullptr) {
    return RunSteps(literal, rsArtigos, article, component_mode, sData);
  }
  recording->article = article;
  recording->component_mode = component_mode;
  recording->cutoff = sData;
  RecordingReader::CopyRows(rsArtigos, recording->article_rows);
  recording->answers = std::make_unique<RecordingReader>(literal);
  ArticleExplanation explanation =
      RunSteps(*recording->answers, rsArtigos, article, component_mode, sData);
  // A changed purchase unit can move the price to the supplier's: its
  // answer is read now, in the same snapshot.
  Recordset& row = recording->article_rows;
  if (!row.Eof()) {
    recording->answers->SupplierPrice(CodeOf(row.Get("Artigo")),
                                      CodeOf(row.Get("Fornec")));
  }
  recording->answers->StopRecording();
  return explanation;
}

ArticleExplanation ExplainArticle(ArticleRecording& recording,
                                  const MasterDataChanges& changes) {
  if (!recording.answers) {
    throw Error(errnum::kInvalidOperation,
                "O artigo '" + recording.article + "' não foi lido");
  }
  Recordset rsArtigos;
  RecordingReader::CopyRows(recording.article_rows, rsArtigos);
  bool by_supplier = false;
  if (!rsArtigos.Eof()) {
    auto put = [&](const char* field, const auto& value) {
      if (value) rsArtigos.Set(field, Value(*value));
    };
    put("StMin", changes.stock_minimum);
    put("QtMinCom", changes.minimum_order);
    put("PrzEntVn", changes.lead_time);
    put("DiasSkRs", changes.days);
    put("FactEmb", changes.packing_factor);
    put("UnCmp", changes.purchase_unit);
    // The price goes where the intake takes it from, on the units in force.
    by_supplier = Units::PricedBySupplier(rsArtigos.Get("UnBase"),
                                          rsArtigos.Get("UnCmp"));
    if (!by_supplier) put("UltPrCom", changes.supplier_price);
    rsArtigos.Update();
    rsArtigos.MoveFirst();
  }
  if (by_supplier && changes.supplier_price) {
    ChangedSupplierPrice reader(*recording.answers, *changes.supplier_price);
    return RunSteps(reader, rsArtigos, recording.article,
                    recording.component_mode, recording.cutoff);
  }
  return RunSteps(*recording.answers, rsArtigos, recording.article,
                  recording.component_mode, recording.cutoff);
}

}  // namespace vor

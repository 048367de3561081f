// LiteralReader: the ErpReader that sends every query exactly as the engine
// builds it (engine/sql_texts.h), one statement per call, and reads the
// answer from its result.
#ifndef VOR_ENGINE_LITERAL_READER_H_
#define VOR_ENGINE_LITERAL_READER_H_

#include "db/connection.h"
#include "engine/erp_reader.h"

namespace vor {

class LiteralReader : public ErpReader {
 public:
  // `connection` must outlive the reader.
  explicit LiteralReader(Connection& connection) : connection_(connection) {}

  void Articles(Recordset& rs) override;
  void CustomerOrderPreload(const std::string& sData, Recordset& rs) override;
  std::optional<Value> SupplierOrderQuantity(
      const std::string& article) override;
  std::optional<SupplierPriceRow> SupplierPrice(
      const std::string& article, const std::string& supplier) override;
  std::optional<Value> AggregatedStock(const std::string& code) override;
  void CustomerOrders(const std::string& sData, Recordset& rs) override;
  void ProductionOrders(Recordset& rs) override;
  std::vector<ProductRow> CustomerProducts(const std::string& article) override;
  std::vector<ProductRow> ProductionProducts(
      const std::string& article) override;
  std::vector<StructureLineRow> StructureLines(
      const std::string& product, const std::string& structure) override;
  std::optional<Value> BaseStructure(const std::string& article) override;
  Value SmallestStructure(const std::string& product) override;

 private:
  Connection& connection_;
};

}  // namespace vor

#endif  // VOR_ENGINE_LITERAL_READER_H_

// ErpReader: where the engine's steps and the bill-of-materials exploder get
// their answers from the ERP. Each call stands for one query of the engine
// and hands back what the engine reads of that query's result. Two
// implementations: LiteralReader sends every query as built, one per call;
// BulkReader reads the same answers with a few set-based statements and
// looks them up in memory. Either way every statement goes through the
// engine's Connection, and a failing one raises its vor::Error.
#ifndef VOR_ENGINE_ERP_READER_H_
#define VOR_ENGINE_ERP_READER_H_

#include <optional>
#include <string>
#include <vector>

#include "core/recordset.h"
#include "core/value.h"

namespace vor {

// The first row of the supplier-price query.
struct SupplierPriceRow {
  Value prprox;
  Value descprox;
};

// One row of a product list: the product and its chosen structure code.
struct ProductRow {
  Value artigo;
  Value versao;
};

// One line of a structure, in stored order.
struct StructureLineRow {
  Value codigo;
  Value tipo;
  Value quantidade;
};

class ErpReader {
 public:
  virtual ~ErpReader() = default;

  // The article query's rows, positioned on the first.
  virtual void Articles(Recordset& rs) = 0;
  // The customer-order preload for the cut-off date `sData`.
  virtual void CustomerOrderPreload(const std::string& sData,
                                    Recordset& rs) = 0;
  // Qtd of the first row of the supplier-order query of `article`; none
  // when the query yields no row.
  virtual std::optional<Value> SupplierOrderQuantity(
      const std::string& article) = 0;
  // PrProx and DescProx of the first row of the supplier-price query; none
  // when it yields no row.
  virtual std::optional<SupplierPriceRow> SupplierPrice(
      const std::string& article, const std::string& supplier) = 0;
  // StDisp of the first row of the aggregated-stock query of `code`; none
  // when it yields no row.
  virtual std::optional<Value> AggregatedStock(const std::string& code) = 0;
  // The open customer orders of the made articles (rsEncCli).
  virtual void CustomerOrders(const std::string& sData, Recordset& rs) = 0;
  // The open production orders (rsOp).
  virtual void ProductionOrders(Recordset& rs) = 0;
  // Artigo and Versao of every row of the product list of `article`, for
  // the customer-order and the production-order explosion.
  virtual std::vector<ProductRow> CustomerProducts(
      const std::string& article) = 0;
  virtual std::vector<ProductRow> ProductionProducts(
      const std::string& article) = 0;
  // CODIGO, Tipo and Quantidade of the lines of `structure` of `product`.
  virtual std::vector<StructureLineRow> StructureLines(
      const std::string& product, const std::string& structure) = 0;
  // EstruturaBase of the first zlx_VOR_Artigos row of `article`; none when
  // there is no row.
  virtual std::optional<Value> BaseStructure(const std::string& article) = 0;
  // The smallest structure code of `product` (null when it has none).
  virtual Value SmallestStructure(const std::string& product) = 0;

  // Every article has been taken in: SupplierOrderQuantity, SupplierPrice
  // and AggregatedStock will not be asked again, and what a reader keeps
  // only for them may go. Asking them later still gives the same answers
  // (read again if need be). Nothing by default.
  virtual void IntakeDone() {}
};

}  // namespace vor

#endif  // VOR_ENGINE_ERP_READER_H_

// BulkReader: the ErpReader of the bulk reading mode. Each kind of answer
// is read once per run, on its first use, by one set-based statement
// (engine/bulk_sql_texts.h) sent through the engine's Connection, and then
// looked up in memory; the article query, the customer-order preload and
// the order tables are the engine's own statements, sent once as always.
//
// Matching codes. The answers keyed by an article of the proposal (supplier
// orders, supplier prices, product lists) are computed by the database for
// each article row and looked up by the code exactly as the article query
// returned it, so the database's own comparison decides what matches. The
// answers keyed by any code (aggregated stock, structure lines) come from
// whole tables and are matched in memory through a loose key: the code with
// its trailing blanks removed, ASCII letters in small letters and every
// other character made alike. Two codes the database holds equal
// (case-insensitive, trailing blanks ignored or not, as SQLite's NOCASE
// and SQL Server's CI collations compare) always share a loose key. A code
// whose loose key finds exactly rows carrying that same code, byte for
// byte, has its answer in memory; a code that shares its loose key with a
// differently written one (another letter case, trailing blanks, accents)
// is asked of the database with the engine's own query (the aggregated
// stocks of such codes with one UNION ALL per 500 codes), so the answer is
// the database's in every case. Anything asked that no statement covered
// is asked with the engine's own query too.
//
// First rows: where the engine's query takes its first row, the bulk
// statement returns the rows in the order the same lookup does (for SQLite,
// rows of equal keys in stored order), and the first is kept.
#ifndef VOR_ENGINE_BULK_READER_H_
#define VOR_ENGINE_BULK_READER_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "db/connection.h"
#include "engine/erp_reader.h"
#include "engine/literal_reader.h"

namespace vor {

class BulkReader : public ErpReader {
 public:
  // `connection` must outlive the reader.
  explicit BulkReader(Connection& connection);

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

  // Queries sent one per key because the answer was not held in memory.
  int64_t single_queries() const { return single_queries_; }

  // The loose key of a code (see above).
  static std::string LooseKey(const std::string& code);

 private:
  struct Line {
    std::string produto;
    std::string ficha;
    StructureLineRow row;
  };
  struct SubAssembly {
    Value base;
    Value smallest;
  };

  void LoadSupplierOrders();
  void LoadPrices();
  void LoadStocks();
  void LoadProducts();
  void LoadLines();
  void LoadSubAssemblies();
  std::vector<ProductRow> Products(const std::string& article, bool customer);

  Connection& connection_;
  LiteralReader literal_;
  int64_t single_queries_ = 0;

  // From the article result.
  std::unordered_set<std::string> articles_;           // codes
  std::unordered_set<std::string> article_suppliers_;  // code \x1f supplier
  // Codes that share a loose key with a differently written code.
  std::unordered_set<std::string> look_alike_articles_;
  std::vector<std::string> pieces_;  // of the aggregated lists, each once

  bool orders_loaded_ = false;
  std::unordered_map<std::string, std::optional<Value>> orders_;
  bool prices_loaded_ = false;
  std::unordered_map<std::string, SupplierPriceRow> prices_;
  bool stocks_loaded_ = false;
  std::unordered_map<std::string, std::optional<Value>> stocks_;
  bool products_loaded_ = false;
  std::unordered_map<std::string, std::vector<ProductRow>> products_;
  bool lines_loaded_ = false;
  std::vector<Line> lines_;
  std::unordered_map<std::string, std::vector<size_t>> lines_by_key_;
  bool subs_loaded_ = false;
  std::unordered_map<std::string, SubAssembly> subs_;
};

}  // namespace vor

#endif  // VOR_ENGINE_BULK_READER_H_

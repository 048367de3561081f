// BulkReader: the ErpReader of the bulk reading mode. Each kind of answer
// is read once per run, on its first use, by one set-based statement
// (engine/bulk_sql_texts.h) sent through the engine's Connection, and then
// looked up in memory; the article query, the customer-order preload and
// the order tables are the engine's own statements, sent once as always.
//
// The rule of every lookup: an answer comes from memory only when it is
// exactly the answer of the engine's own (literal) statement for the same
// code; whenever that cannot be known, the literal statement is sent. So:
//  - A value the database returned as null is no code: it matches nothing
//    (the literal statement's `column='code'` never matches a null).
//  - Only plain codes are answered from memory: text without NUL bytes and
//    without bytes beyond ASCII. A code with a NUL cannot be written into a
//    statement's text (the literal statement fails, and so does the bulk
//    mode, at the same call with the same error); a code beyond ASCII may
//    not reach the database as the bytes it was read from (a BLOB, or text
//    that is not valid UTF-8, is converted on its way), and the database's
//    collation may hold it equal to other writings.
//  - A key the database returned as something other than a text it compares
//    as that same text (a BLOB, a number) is never taken for the text it
//    reads as: the bulk statements say which keys are texts, and a code
//    whose key rows are not all texts is asked with the literal statement.
//  - Keys of two codes (article and supplier, product and structure) are
//    pairs, never joined texts.
//
// Codes compared in memory. Answers keyed by an article of the proposal
// (supplier orders, supplier prices, product lists) are computed by the
// database for each article row, comparing that row's code as the literal
// statement compares the code, and are looked up by the code exactly as
// the article query returned it. Answers keyed by any code (aggregated
// stock, structure lines, sub-assemblies) come from whole tables. Stock and
// structure lines are grouped by a loose key (LooseKey) that every two
// codes the database holds equal share; a code is answered from memory only
// when every row of its group carries that same code byte for byte (then
// the rows the database would match are exactly that group), otherwise the
// database is asked with the engine's own comparison.
//
// First rows: where the engine's query takes its first row, the bulk
// statement returns the rows in the order the same lookup does (for SQLite,
// rows of equal keys in stored order), and the first is kept.
#ifndef VOR_ENGINE_BULK_READER_H_
#define VOR_ENGINE_BULK_READER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/sequential_index.h"
#include "db/connection.h"
#include "engine/erp_reader.h"
#include "engine/literal_reader.h"

namespace vor {

class BulkReader : public ErpReader {
 public:
  // `connection` must outlive the reader.
  explicit BulkReader(Connection& connection);

  // The article query, sent as built; its aggregated lists give the pieces
  // whose stocks LoadStocks reads.
  void Articles(Recordset& rs) override;
  // Reads the customer orders as well (BulkCustomerOrderQuery): the
  // preload's groups go to `rs`, the others are kept for CustomerOrders.
  void CustomerOrderPreload(const std::string& sData, Recordset& rs) override;
  // From memory when `article` is a plain code every article row of which
  // is a text (BulkArticleKeyQuery); otherwise the literal statement.
  std::optional<Value> SupplierOrderQuantity(
      const std::string& article) override;
  // From memory when `article` and `supplier` are plain and some article
  // row carries that pair as texts: the first price row the database
  // joined to it, none without one; otherwise the literal statement.
  std::optional<SupplierPriceRow> SupplierPrice(
      const std::string& article, const std::string& supplier) override;
  // From memory when `code` is plain and its loose group of ARTIGOS rows
  // (rows with a null code left out) is empty or all texts equal to `code`
  // byte for byte; codes of mixed groups are asked together with the
  // literal comparison (TaggedStockQuery); a code holding a NUL, or not
  // among the pieces, by the literal statement.
  std::optional<Value> AggregatedStock(const std::string& code) override;
  // The rows kept by CustomerOrderPreload for the same `sData`, once;
  // otherwise the literal statement.
  void CustomerOrders(const std::string& sData, Recordset& rs) override;
  void ProductionOrders(Recordset& rs) override;
  // From memory as SupplierOrderQuantity, and only for an article no other
  // article of the proposal shares a loose key with (the bulk statement
  // groups such articles as one).
  std::vector<ProductRow> CustomerProducts(const std::string& article) override;
  std::vector<ProductRow> ProductionProducts(
      const std::string& article) override;
  // From memory when both codes are plain and the loose group of lines
  // (lines with a null product or structure left out) is empty or all
  // texts equal to the pair byte for byte; otherwise the literal statement.
  std::vector<StructureLineRow> StructureLines(
      const std::string& product, const std::string& structure) override;
  // From memory when `article` is plain and every sub-assembly line of that
  // exact code is a text (lines with a null code left out); otherwise the
  // literal statement.
  std::optional<Value> BaseStructure(const std::string& article) override;
  Value SmallestStructure(const std::string& product) override;
  // Lets go of the supplier prices, the aggregated stocks and the article
  // and supplier pairs: a price asked afterwards is asked with the literal
  // statement, a stock read again.
  void IntakeDone() override;

  // The loose key of a code: its trailing blanks removed, ASCII letters in
  // small letters and every character beyond ASCII made alike. Codes the
  // database holds equal (case-insensitive, trailing blanks ignored or
  // not, as SQLite's NOCASE and SQL Server's CI collations compare) share
  // a loose key; codes that share one need not be equal.
  static std::string LooseKey(const std::string& code);
  // True for a code the lookups may answer from memory: no NUL byte and no
  // byte beyond ASCII.
  static bool IsPlain(std::string_view code);

 private:
  using CodePair = std::pair<std::string, std::string>;
  struct PairHash {
    size_t operator()(const CodePair& p) const;
  };
  // An answer kept in memory, or the mark that the literal statement must
  // give it.
  template <typename T>
  struct Held {
    bool exact = true;
    T value{};
  };
  struct Line {
    std::string produto;
    std::string ficha;
    StructureLineRow row;
  };
  struct LineGroup {
    bool exact = true;  // every line of the group is a text
    std::vector<size_t> lines;
  };
  struct StockGroup {
    bool exact = true;
    std::vector<std::pair<std::string, Value>> rows;  // code, stock
  };
  struct SubAssembly {
    Value base;
    Value smallest;
  };

  // An article code of the proposal and the answers kept for it. Codes
  // are in the order of the article-key statement's rows, which the engine
  // visits them in as a rule (see SequentialIndex).
  struct ArticleEntry {
    // Not when some article row of this code is not a text.
    bool exact = true;
    // It shares a loose key with a differently written article code.
    bool look_alike = false;
    std::optional<Value> orders;  // the supplier-order sum; none for null
    // Suppliers of its article rows; not exact as above. Gone with the
    // intake (IntakeDone).
    std::vector<std::pair<std::string, bool>> suppliers;
    // The first price row of each supplier, once loaded.
    std::vector<std::pair<std::string, SupplierPriceRow>> prices;
    std::vector<ProductRow> products;  // once loaded
  };

  void LoadArticleKeys();
  void LoadPrices();
  void LoadStocks();
  void LoadProducts();
  void LoadLines();
  void LoadSubAssemblies();
  // The entry of `article` when it is an article of the proposal the
  // in-memory answers keyed by article may serve (see
  // SupplierOrderQuantity); null otherwise.
  ArticleEntry* ExactArticle(const std::string& article);
  std::vector<ProductRow> Products(const std::string& article, bool customer);

  Connection& connection_;
  LiteralReader literal_;

  std::vector<std::string> pieces_;  // of the aggregated lists, each once

  // The customer orders read with the preload, for its cut-off date.
  bool customer_orders_read_ = false;
  std::string customer_orders_date_;
  Recordset customer_orders_;

  bool articles_loaded_ = false;
  SequentialIndex article_codes_;       // positions in articles_
  std::vector<ArticleEntry> articles_;  // by position

  bool prices_loaded_ = false;
  bool stocks_loaded_ = false;
  std::unordered_map<std::string, std::optional<Value>> stocks_;
  bool products_loaded_ = false;
  bool lines_loaded_ = false;
  std::vector<Line> lines_;
  std::unordered_map<CodePair, LineGroup, PairHash> lines_by_key_;
  bool subs_loaded_ = false;
  std::unordered_map<std::string, Held<SubAssembly>> subs_;
};

}  // namespace vor

#endif  // VOR_ENGINE_BULK_READER_H_

#include "engine/bulk_reader.h"

#include <algorithm>
#include <utility>

#include "engine/bulk_sql_texts.h"

namespace vor {

namespace {

// A code read from a result: its text, "" when it has no value.
std::string Text(const Value& v) {
  return v.is_null() ? std::string() : v.ToText();
}

std::string PairKey(const std::string& a, const std::string& b) {
  return a + '\x1f' + b;
}

}  // namespace

BulkReader::BulkReader(Connection& connection)
    : connection_(connection), literal_(connection) {}

std::string BulkReader::LooseKey(const std::string& code) {
  size_t end = code.size();
  while (end > 0 && code[end - 1] == ' ') --end;
  std::string out;
  out.reserve(end);
  for (size_t i = 0; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(code[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xC0 ||
               (i > 0 && static_cast<unsigned char>(code[i - 1]) < 0x80)) {
      // The first byte of a character beyond ASCII (or a stray byte):
      // every such character is alike.
      out += '\x01';
    }
  }
  return out;
}

void BulkReader::Articles(Recordset& rs) {
  literal_.Articles(rs);
  std::unordered_set<std::string> seen_pieces;
  std::unordered_map<std::string, std::string> by_loose;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const std::string code = Text(rs.Get("Artigo"));
    articles_.insert(code);
    article_suppliers_.insert(PairKey(code, Text(rs.Get("Fornec"))));
    auto [it, added] = by_loose.emplace(LooseKey(code), code);
    if (!added && it->second != code) {
      look_alike_articles_.insert(code);
      look_alike_articles_.insert(it->second);
    }
    const std::string livre = Text(rs.Get("Livre"));
    if (livre.empty()) continue;
    size_t start = 0;
    while (true) {
      const size_t end = livre.find(';', start);
      std::string piece = livre.substr(
          start, end == std::string::npos ? std::string::npos : end - start);
      if (seen_pieces.insert(piece).second) pieces_.push_back(std::move(piece));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  rs.MoveFirst();
}

void BulkReader::CustomerOrderPreload(const std::string& sData, Recordset& rs) {
  literal_.CustomerOrderPreload(sData, rs);
}

void BulkReader::LoadSupplierOrders() {
  if (orders_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkSupplierOrderQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    const Value& qtd = rs.Get("Qtd");
    orders_.emplace(Text(rs.Get("Chave")),
                    qtd.is_null() ? std::nullopt : std::optional<Value>(qtd));
  }
  orders_loaded_ = true;
}

std::optional<Value> BulkReader::SupplierOrderQuantity(
    const std::string& article) {
  if (articles_.count(article) != 0) {
    LoadSupplierOrders();
    auto it = orders_.find(article);
    if (it != orders_.end()) return it->second;
  }
  ++single_queries_;
  return literal_.SupplierOrderQuantity(article);
}

void BulkReader::LoadPrices() {
  if (prices_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkSupplierPriceQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    // The first row of each article and supplier is the one kept.
    prices_.emplace(PairKey(Text(rs.Get("Chave")), Text(rs.Get("ChaveFornec"))),
                    SupplierPriceRow{rs.Get("PrProx"), rs.Get("DescProx")});
  }
  prices_loaded_ = true;
}

std::optional<SupplierPriceRow> BulkReader::SupplierPrice(
    const std::string& article, const std::string& supplier) {
  const std::string key = PairKey(article, supplier);
  if (article_suppliers_.count(key) != 0) {
    LoadPrices();
    auto it = prices_.find(key);
    if (it == prices_.end()) return std::nullopt;
    return it->second;
  }
  ++single_queries_;
  return literal_.SupplierPrice(article, supplier);
}

void BulkReader::LoadStocks() {
  if (stocks_loaded_) return;
  std::vector<std::string> codes;
  std::vector<Value> stock;
  std::unordered_map<std::string, std::vector<size_t>> by_loose;
  {
    Recordset rs;
    connection_.OpenRecordset("", sql::BulkStockQuery(), rs, -1, 0);
    for (; !rs.Eof(); rs.MoveNext()) {
      codes.push_back(Text(rs.Get("Chave")));
      stock.push_back(rs.Get("StDisp"));
      by_loose[LooseKey(codes.back())].push_back(codes.size() - 1);
    }
  }
  std::vector<std::string> ask;  // codes the database must match itself
  for (const std::string& piece : pieces_) {
    auto it = by_loose.find(LooseKey(piece));
    if (it == by_loose.end()) {
      stocks_.emplace(piece, std::nullopt);
    } else if (it->second.size() == 1 && codes[it->second[0]] == piece) {
      stocks_.emplace(piece, stock[it->second[0]]);
    } else {
      ask.push_back(piece);
    }
  }
  for (size_t from = 0; from < ask.size(); from += sql::kMaxCompoundSelects) {
    const size_t to = std::min(ask.size(), from + sql::kMaxCompoundSelects);
    const std::vector<std::string> batch(ask.begin() + from, ask.begin() + to);
    std::vector<std::optional<Value>> first(batch.size());
    Recordset rs;
    connection_.OpenRecordset("", sql::TaggedStockQuery(batch), rs, -1, 0);
    for (; !rs.Eof(); rs.MoveNext()) {
      const int64_t tag = rs.Get("Chave").ToInt();
      if (tag >= 0 && static_cast<size_t>(tag) < first.size() && !first[tag]) {
        first[tag] = rs.Get("StDisp");
      }
    }
    for (size_t i = 0; i < batch.size(); ++i) {
      stocks_.emplace(batch[i], std::move(first[i]));
    }
  }
  stocks_loaded_ = true;
}

std::optional<Value> BulkReader::AggregatedStock(const std::string& code) {
  LoadStocks();
  auto it = stocks_.find(code);
  if (it != stocks_.end()) return it->second;
  ++single_queries_;
  return literal_.AggregatedStock(code);
}

void BulkReader::CustomerOrders(const std::string& sData, Recordset& rs) {
  literal_.CustomerOrders(sData, rs);
}

void BulkReader::ProductionOrders(Recordset& rs) {
  literal_.ProductionOrders(rs);
}

void BulkReader::LoadProducts() {
  if (products_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkProductListQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    products_[Text(rs.Get("Chave"))].push_back(
        {rs.Get("Artigo"), rs.Get("Versao")});
  }
  products_loaded_ = true;
}

std::vector<ProductRow> BulkReader::Products(const std::string& article,
                                             bool customer) {
  if (articles_.count(article) != 0 &&
      look_alike_articles_.count(article) == 0) {
    LoadProducts();
    auto it = products_.find(article);
    return it == products_.end() ? std::vector<ProductRow>() : it->second;
  }
  ++single_queries_;
  return customer ? literal_.CustomerProducts(article)
                  : literal_.ProductionProducts(article);
}

std::vector<ProductRow> BulkReader::CustomerProducts(
    const std::string& article) {
  return Products(article, true);
}

std::vector<ProductRow> BulkReader::ProductionProducts(
    const std::string& article) {
  return Products(article, false);
}

void BulkReader::LoadLines() {
  if (lines_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkStructureLinesQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    Line line{Text(rs.Get("PRODUTO")),
              Text(rs.Get("FichaEstrutura")),
              {rs.Get("CODIGO"), rs.Get("Tipo"), rs.Get("Quantidade")}};
    lines_by_key_[PairKey(LooseKey(line.produto), LooseKey(line.ficha))]
        .push_back(lines_.size());
    lines_.push_back(std::move(line));
  }
  lines_loaded_ = true;
}

std::vector<StructureLineRow> BulkReader::StructureLines(
    const std::string& product, const std::string& structure) {
  LoadLines();
  std::vector<StructureLineRow> out;
  auto it = lines_by_key_.find(PairKey(LooseKey(product), LooseKey(structure)));
  if (it == lines_by_key_.end()) return out;
  for (size_t i : it->second) {
    const Line& line = lines_[i];
    if (line.produto != product || line.ficha != structure) {
      ++single_queries_;
      return literal_.StructureLines(product, structure);
    }
    out.push_back(line.row);
  }
  return out;
}

void BulkReader::LoadSubAssemblies() {
  if (subs_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkSubAssemblyQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    subs_.emplace(Text(rs.Get("Chave")),
                  SubAssembly{rs.Get("EstruturaBase"), rs.Get("Versao")});
  }
  subs_loaded_ = true;
}

std::optional<Value> BulkReader::BaseStructure(const std::string& article) {
  LoadSubAssemblies();
  auto it = subs_.find(article);
  if (it != subs_.end()) return it->second.base;
  ++single_queries_;
  return literal_.BaseStructure(article);
}

Value BulkReader::SmallestStructure(const std::string& product) {
  LoadSubAssemblies();
  auto it = subs_.find(product);
  if (it != subs_.end()) return it->second.smallest;
  ++single_queries_;
  return literal_.SmallestStructure(product);
}

}  // namespace vor

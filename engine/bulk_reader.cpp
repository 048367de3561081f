#include "engine/bulk_reader.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "engine/bulk_sql_texts.h"

namespace vor {

namespace {

// A key read from a bulk result: none for a null (it matches no code).
std::optional<std::string> KeyText(const Value& v) {
  if (v.is_null()) return std::nullopt;
  return v.ToText();
}

// True when the key `v` (not null) is a text the database compares as that
// text sent as a literal: kind text, flagged so by the statement's
// `flag` column (see bulk_sql_texts.h) and plain.
bool ExactKey(const Value& v, const Value& flag) {
  return v.kind() == Value::Kind::kText && !flag.is_null() &&
         flag.ToInt() == 1 && BulkReader::IsPlain(v.AsText());
}

}  // namespace

size_t BulkReader::PairHash::operator()(const CodePair& p) const {
  const size_t a = std::hash<std::string>()(p.first);
  const size_t b = std::hash<std::string>()(p.second);
  return a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
}

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

bool BulkReader::IsPlain(std::string_view code) {
  for (char ch : code) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == 0 || c >= 0x80) return false;
  }
  return true;
}

void BulkReader::Articles(Recordset& rs) {
  literal_.Articles(rs);
  std::unordered_set<std::string> seen_pieces;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const Value& livre_value = rs.Get("Livre");
    if (livre_value.is_null()) continue;
    const std::string livre = livre_value.ToText();
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

void BulkReader::LoadArticleKeys() {
  if (articles_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkArticleKeyQuery(), rs, -1, 0);
  const size_t rows =
      static_cast<size_t>(std::max<int64_t>(0, rs.RecordCount()));
  orders_.reserve(rows);
  article_suppliers_.reserve(rows);
  std::unordered_map<std::string, std::string> by_loose;
  by_loose.reserve(rows);
  for (; !rs.Eof(); rs.MoveNext()) {
    const Value& chave = rs.Get("Chave");
    const std::optional<std::string> code = KeyText(chave);
    if (!code) continue;  // the article query never returns one
    const bool exact = ExactKey(chave, rs.Get("ChaveTexto"));
    const Value& qtd = rs.Get("Qtd");
    auto [order, added] = orders_.try_emplace(
        *code,
        Held<std::optional<Value>>{
            exact, qtd.is_null() ? std::nullopt : std::optional<Value>(qtd)});
    if (!added && !exact) order->second.exact = false;

    const Value& fornec = rs.Get("ChaveFornec");
    if (std::optional<std::string> supplier = KeyText(fornec)) {
      const bool pair_exact = exact && ExactKey(fornec, rs.Get("FornecTexto"));
      auto [pair, pair_added] =
          article_suppliers_.try_emplace({*code, *supplier}, pair_exact);
      if (!pair_added && !pair_exact) pair->second = false;
    }

    auto [same, loose_added] = by_loose.emplace(LooseKey(*code), *code);
    if (!loose_added && same->second != *code) {
      look_alike_articles_.insert(*code);
      look_alike_articles_.insert(same->second);
    }
  }
  articles_loaded_ = true;
}

bool BulkReader::ExactArticle(const std::string& article) {
  if (!IsPlain(article)) return false;
  LoadArticleKeys();
  auto it = orders_.find(article);
  return it != orders_.end() && it->second.exact;
}

std::optional<Value> BulkReader::SupplierOrderQuantity(
    const std::string& article) {
  if (ExactArticle(article)) return orders_.find(article)->second.value;
  return literal_.SupplierOrderQuantity(article);
}

void BulkReader::LoadPrices() {
  if (prices_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkSupplierPriceQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::optional<std::string> article = KeyText(rs.Get("Chave"));
    const std::optional<std::string> supplier = KeyText(rs.Get("ChaveFornec"));
    if (!article || !supplier) continue;
    // The first row of each article and supplier is the one kept.
    prices_.emplace(CodePair{*article, *supplier},
                    SupplierPriceRow{rs.Get("PrProx"), rs.Get("DescProx")});
  }
  prices_loaded_ = true;
}

std::optional<SupplierPriceRow> BulkReader::SupplierPrice(
    const std::string& article, const std::string& supplier) {
  if (ExactArticle(article) && IsPlain(supplier)) {
    const CodePair key{article, supplier};
    auto pair = article_suppliers_.find(key);
    if (pair != article_suppliers_.end() && pair->second) {
      LoadPrices();
      auto it = prices_.find(key);
      if (it == prices_.end()) return std::nullopt;
      return it->second;
    }
  }
  return literal_.SupplierPrice(article, supplier);
}

void BulkReader::IntakeDone() {
  // Swapped with empty ones, so that their buckets go too. The article
  // keys (orders_) stay: the product lists are answered by them. Without
  // the pairs a price is asked with the literal statement.
  decltype(prices_)().swap(prices_);
  prices_loaded_ = false;
  decltype(stocks_)().swap(stocks_);
  stocks_loaded_ = false;
  decltype(article_suppliers_)().swap(article_suppliers_);
}

void BulkReader::LoadStocks() {
  if (stocks_loaded_) return;
  std::unordered_map<std::string, StockGroup> by_loose;
  {
    Recordset rs;
    connection_.OpenRecordset("", sql::BulkStockQuery(), rs, -1, 0);
    for (; !rs.Eof(); rs.MoveNext()) {
      const Value& chave = rs.Get("Chave");
      std::optional<std::string> code = KeyText(chave);
      if (!code) continue;
      StockGroup& group = by_loose[LooseKey(*code)];
      if (!ExactKey(chave, rs.Get("ChaveTexto"))) group.exact = false;
      group.rows.emplace_back(std::move(*code), rs.Get("StDisp"));
    }
  }
  std::vector<std::string> ask;  // codes the database must match itself
  for (const std::string& piece : pieces_) {
    // A NUL cannot be written into a statement: the literal statement of
    // that code gives its outcome when the engine asks.
    if (piece.find('\0') != std::string::npos) continue;
    if (!IsPlain(piece)) {
      ask.push_back(piece);
      continue;
    }
    auto it = by_loose.find(LooseKey(piece));
    if (it == by_loose.end()) {
      stocks_.emplace(piece, std::nullopt);
    } else if (it->second.exact && it->second.rows.size() == 1 &&
               it->second.rows[0].first == piece) {
      stocks_.emplace(piece, it->second.rows[0].second);
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
    const std::optional<std::string> article = KeyText(rs.Get("Chave"));
    if (!article) continue;
    products_[*article].push_back({rs.Get("Artigo"), rs.Get("Versao")});
  }
  products_loaded_ = true;
}

std::vector<ProductRow> BulkReader::Products(const std::string& article,
                                             bool customer) {
  if (ExactArticle(article) && look_alike_articles_.count(article) == 0) {
    LoadProducts();
    auto it = products_.find(article);
    return it == products_.end() ? std::vector<ProductRow>() : it->second;
  }
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
    const Value& produto = rs.Get("PRODUTO");
    const Value& ficha = rs.Get("FichaEstrutura");
    std::optional<std::string> produto_text = KeyText(produto);
    std::optional<std::string> ficha_text = KeyText(ficha);
    if (!produto_text || !ficha_text) continue;
    LineGroup& group =
        lines_by_key_[CodePair{LooseKey(*produto_text), LooseKey(*ficha_text)}];
    if (!ExactKey(produto, rs.Get("ProdutoTexto")) ||
        !ExactKey(ficha, rs.Get("FichaTexto"))) {
      group.exact = false;
    }
    group.lines.push_back(lines_.size());
    lines_.push_back(
        Line{std::move(*produto_text),
             std::move(*ficha_text),
             {rs.Get("CODIGO"), rs.Get("Tipo"), rs.Get("Quantidade")}});
  }
  lines_loaded_ = true;
}

std::vector<StructureLineRow> BulkReader::StructureLines(
    const std::string& product, const std::string& structure) {
  if (!IsPlain(product) || !IsPlain(structure)) {
    return literal_.StructureLines(product, structure);
  }
  LoadLines();
  std::vector<StructureLineRow> out;
  auto it =
      lines_by_key_.find(CodePair{LooseKey(product), LooseKey(structure)});
  if (it == lines_by_key_.end()) return out;
  if (!it->second.exact) return literal_.StructureLines(product, structure);
  for (size_t i : it->second.lines) {
    const Line& line = lines_[i];
    if (line.produto != product || line.ficha != structure) {
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
    const Value& chave = rs.Get("Chave");
    const std::optional<std::string> code = KeyText(chave);
    if (!code) continue;
    const bool exact = ExactKey(chave, rs.Get("ChaveTexto"));
    auto [it, added] = subs_.try_emplace(
        *code, Held<SubAssembly>{exact, SubAssembly{rs.Get("EstruturaBase"),
                                                    rs.Get("Versao")}});
    if (!added && !exact) it->second.exact = false;
  }
  subs_loaded_ = true;
}

std::optional<Value> BulkReader::BaseStructure(const std::string& article) {
  if (IsPlain(article)) {
    LoadSubAssemblies();
    auto it = subs_.find(article);
    if (it != subs_.end() && it->second.exact) return it->second.value.base;
  }
  return literal_.BaseStructure(article);
}

Value BulkReader::SmallestStructure(const std::string& product) {
  if (IsPlain(product)) {
    LoadSubAssemblies();
    auto it = subs_.find(product);
    if (it != subs_.end() && it->second.exact) return it->second.value.smallest;
  }
  return literal_.SmallestStructure(product);
}

}  // namespace vor

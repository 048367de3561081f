#include "engine/bulk_reader.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_set>
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

// The rows of a result, for the tables filled from it: each is given its
// room at once instead of growing (and rehashing) row by row.
size_t RowCount(const Recordset& rs) {
  return static_cast<size_t>(std::max<int64_t>(0, rs.RecordCount()));
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
  {
    // A code of two article rows counts its lines twice in the engine's
    // statements, once in the grouped one: those are sent as they are.
    Recordset repeated;
    connection_.OpenRecordset("", sql::RepeatedArticleRowsQuery(), repeated, -1,
                              0);
    if (repeated.Eof() || repeated.Get(0).is_null() ||
        repeated.Get(0).ToInt() != 0) {
      literal_.CustomerOrderPreload(sData, rs);
      return;
    }
  }
  Recordset both;
  connection_.OpenRecordset("", sql::BulkCustomerOrderQuery(sData), both, -1,
                            0);
  // The preload has the code and the quantity, the customer orders the
  // structure as well; the fields keep the names the result gives them.
  Recordset preload;
  Recordset orders;
  for (int i = 0; i < 3; ++i) {
    if (i < 2) preload.AppendField(both.Field(i).name, both.Field(i).type);
    orders.AppendField(both.Field(i).name, both.Field(i).type);
  }
  preload.Open();
  orders.Open();
  for (; !both.Eof(); both.MoveNext()) {
    const Value& flag = both.Get(3);
    if (!flag.is_null() && flag.ToInt() == 1) {
      preload.AppendRow({both.Get(0), both.Get(1)});
    } else {
      orders.AppendRow({both.Get(0), both.Get(1), both.Get(2)});
    }
  }
  preload.MoveFirst();
  orders.MoveFirst();
  rs = std::move(preload);
  customer_orders_ = std::move(orders);
  customer_orders_date_ = sData;
  customer_orders_read_ = true;
}

void BulkReader::LoadArticleKeys() {
  if (articles_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkArticleKeyQuery(), rs, -1, 0);
  const size_t rows = RowCount(rs);
  article_codes_ = SequentialIndex(rows);
  articles_.reserve(rows);
  // The first article code of each loose key, by the key's position.
  SequentialIndex loose_keys(rows);
  std::vector<size_t> first_of_loose;
  first_of_loose.reserve(rows);
  for (; !rs.Eof(); rs.MoveNext()) {
    const Value& chave = rs.Get("Chave");
    const std::optional<std::string> code = KeyText(chave);
    if (!code) continue;  // the article query never returns one
    const bool exact = ExactKey(chave, rs.Get("ChaveTexto"));
    const auto [at, added] = article_codes_.Insert(*code);
    if (added) {
      ArticleEntry entry;
      entry.exact = exact;
      const Value& qtd = rs.Get("Qtd");
      if (!qtd.is_null()) entry.orders = qtd;
      articles_.push_back(std::move(entry));
    } else if (!exact) {
      articles_[at].exact = false;
    }
    ArticleEntry& article = articles_[at];

    const Value& fornec = rs.Get("ChaveFornec");
    if (std::optional<std::string> supplier = KeyText(fornec)) {
      const bool pair_exact = exact && ExactKey(fornec, rs.Get("FornecTexto"));
      auto pair = std::find_if(
          article.suppliers.begin(), article.suppliers.end(),
          [&](const auto& known) { return known.first == *supplier; });
      if (pair == article.suppliers.end()) {
        article.suppliers.emplace_back(std::move(*supplier), pair_exact);
      } else if (!pair_exact) {
        pair->second = false;
      }
    }

    const auto [loose, loose_added] = loose_keys.Insert(LooseKey(*code));
    if (loose_added) {
      first_of_loose.push_back(at);
    } else if (first_of_loose[loose] != at) {
      article.look_alike = true;
      articles_[first_of_loose[loose]].look_alike = true;
    }
  }
  articles_loaded_ = true;
}

BulkReader::ArticleEntry* BulkReader::ExactArticle(const std::string& article) {
  if (!IsPlain(article)) return nullptr;
  LoadArticleKeys();
  const std::optional<size_t> at = article_codes_.FindInOrder(article);
  if (!at || !articles_[*at].exact) return nullptr;
  return &articles_[*at];
}

std::optional<Value> BulkReader::SupplierOrderQuantity(
    const std::string& article) {
  if (const ArticleEntry* entry = ExactArticle(article)) return entry->orders;
  return literal_.SupplierOrderQuantity(article);
}

void BulkReader::LoadPrices() {
  if (prices_loaded_) return;
  Recordset rs;
  connection_.OpenRecordset("", sql::BulkSupplierPriceQuery(), rs, -1, 0);
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::optional<std::string> article = KeyText(rs.Get("Chave"));
    std::optional<std::string> supplier = KeyText(rs.Get("ChaveFornec"));
    if (!article || !supplier) continue;
    // Only the proposal's own codes are ever asked for.
    const std::optional<size_t> at = article_codes_.Find(*article);
    if (!at) continue;
    // The first row of each article and supplier is the one kept.
    auto& prices = articles_[*at].prices;
    if (std::none_of(prices.begin(), prices.end(), [&](const auto& known) {
          return known.first == *supplier;
        })) {
      prices.emplace_back(
          std::move(*supplier),
          SupplierPriceRow{rs.Get("PrProx"), rs.Get("DescProx")});
    }
  }
  prices_loaded_ = true;
}

std::optional<SupplierPriceRow> BulkReader::SupplierPrice(
    const std::string& article, const std::string& supplier) {
  ArticleEntry* entry = ExactArticle(article);
  if (entry != nullptr && IsPlain(supplier)) {
    auto pair = std::find_if(
        entry->suppliers.begin(), entry->suppliers.end(),
        [&](const auto& known) { return known.first == supplier; });
    if (pair != entry->suppliers.end() && pair->second) {
      LoadPrices();
      for (const auto& [price_supplier, row] : entry->prices) {
        if (price_supplier == supplier) return row;
      }
      return std::nullopt;
    }
  }
  return literal_.SupplierPrice(article, supplier);
}

void BulkReader::IntakeDone() {
  // Swapped with empty ones, so that their memory goes too. The article
  // entries stay: the product lists are answered by them. Without the
  // suppliers a price is asked with the literal statement.
  for (ArticleEntry& entry : articles_) {
    decltype(entry.suppliers)().swap(entry.suppliers);
    decltype(entry.prices)().swap(entry.prices);
  }
  prices_loaded_ = false;
  decltype(stocks_)().swap(stocks_);
  stocks_loaded_ = false;
}

void BulkReader::LoadStocks() {
  if (stocks_loaded_) return;
  std::unordered_map<std::string, StockGroup> by_loose;
  {
    Recordset rs;
    connection_.OpenRecordset("", sql::BulkStockQuery(), rs, -1, 0);
    by_loose.reserve(RowCount(rs));
    stocks_.reserve(pieces_.size());
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
  if (customer_orders_read_ && customer_orders_date_ == sData) {
    customer_orders_read_ = false;
    rs = std::move(customer_orders_);
    customer_orders_ = Recordset();
    return;
  }
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
    // Only the proposal's own codes are ever asked for.
    const std::optional<size_t> at = article_codes_.Find(*article);
    if (!at) continue;
    articles_[*at].products.push_back({rs.Get("Artigo"), rs.Get("Versao")});
  }
  products_loaded_ = true;
}

std::vector<ProductRow> BulkReader::Products(const std::string& article,
                                             bool customer) {
  const ArticleEntry* entry = ExactArticle(article);
  if (entry != nullptr && !entry->look_alike) {
    LoadProducts();
    return entry->products;
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
  lines_.reserve(RowCount(rs));
  lines_by_key_.reserve(RowCount(rs));
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
  subs_.reserve(RowCount(rs));
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

#include "engine/literal_reader.h"

#include "engine/sql_texts.h"

namespace vor {

namespace {

// The value of `field` in the first row of `sql`'s result; none without rows.
std::optional<Value> FirstValue(Connection& connection, const std::string& sql,
                                const char* field) {
  Recordset rs;
  connection.OpenRecordset("", sql, rs, -1, 0);
  if (rs.Eof()) return std::nullopt;
  return rs.Get(field);
}

std::vector<ProductRow> Products(Connection& connection,
                                 const std::string& sql) {
  Recordset rs;
  connection.OpenRecordset("", sql, rs, -1, 0);
  std::vector<ProductRow> out;
  for (; !rs.Eof(); rs.MoveNext()) {
    out.push_back({rs.Get("Artigo"), rs.Get("Versao")});
  }
  return out;
}

}  // namespace

void LiteralReader::Articles(Recordset& rs) {
  connection_.OpenRecordset("", sql::ArticleQuery(), rs, -1, 0);
}

void LiteralReader::CustomerOrderPreload(const std::string& sData,
                                         Recordset& rs) {
  connection_.OpenRecordset("", sql::CustomerOrderPreloadQuery(sData), rs, -1,
                            0);
}

std::optional<Value> LiteralReader::SupplierOrderQuantity(
    const std::string& article) {
  return FirstValue(connection_, sql::SupplierOrderQuery(article), "Qtd");
}

std::optional<SupplierPriceRow> LiteralReader::SupplierPrice(
    const std::string& article, const std::string& supplier) {
  Recordset rs;
  connection_.OpenRecordset("", sql::SupplierPriceQuery(article, supplier), rs,
                            -1, 0);
  if (rs.Eof()) return std::nullopt;
  return SupplierPriceRow{rs.Get("PrProx"), rs.Get("DescProx")};
}

std::optional<Value> LiteralReader::AggregatedStock(const std::string& code) {
  return FirstValue(connection_, sql::AggregatedStockQuery(code), "StDisp");
}

void LiteralReader::CustomerOrders(const std::string& sData, Recordset& rs) {
  connection_.OpenRecordset("", sql::CustomerOrderQuery(sData), rs, -1, 0);
}

void LiteralReader::ProductionOrders(Recordset& rs) {
  connection_.OpenRecordset("", sql::ProductionOrderQuery(), rs, -1, 0);
}

std::vector<ProductRow> LiteralReader::CustomerProducts(
    const std::string& article) {
  return Products(connection_, sql::CustomerProductListQuery(article));
}

std::vector<ProductRow> LiteralReader::ProductionProducts(
    const std::string& article) {
  return Products(connection_, sql::ProductionProductListQuery(article));
}

std::vector<StructureLineRow> LiteralReader::StructureLines(
    const std::string& product, const std::string& structure) {
  Recordset rs;
  connection_.OpenRecordset("", sql::StructureLinesQuery(product, structure),
                            rs, -1, 0);
  std::vector<StructureLineRow> out;
  for (; !rs.Eof(); rs.MoveNext()) {
    out.push_back({rs.Get("CODIGO"), rs.Get("Tipo"), rs.Get("Quantidade")});
  }
  return out;
}

std::optional<Value> LiteralReader::BaseStructure(const std::string& article) {
  return FirstValue(connection_, sql::BaseStructureQuery(article),
                    "EstruturaBase");
}

Value LiteralReader::SmallestStructure(const std::string& product) {
  return FirstValue(connection_, sql::SmallestStructureQuery(product), "Versao")
      .value_or(Value());
}

}  // namespace vor

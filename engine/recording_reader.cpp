#include "engine/recording_reader.h"

#include "core/error.h"

namespace vor {

namespace {

std::string KeyText(const std::string& key) { return "'" + key + "'"; }
std::string KeyText(const std::pair<std::string, std::string>& key) {
  return "'" + key.first + "', '" + key.second + "'";
}

}  // namespace

void RecordingReader::CopyRows(Recordset& from, Recordset& to) {
  Recordset copy;
  const int fields = from.FieldCount();
  for (int i = 0; i < fields; ++i) {
    const FieldDef& f = from.Field(i);
    copy.AppendField(f.name, f.type, f.size);
  }
  copy.Open();
  from.SetFilter("");
  for (from.MoveFirst(); !from.Eof(); from.MoveNext()) {
    std::vector<Value> values;
    values.reserve(fields);
    for (int i = 0; i < fields; ++i) values.push_back(from.Get(i));
    copy.AppendRow(std::move(values));
  }
  from.MoveFirst();
  copy.MoveFirst();
  to = std::move(copy);
}

template <typename Map, typename Ask>
typename Map::mapped_type RecordingReader::Answer(
    Map& kept, const typename Map::key_type& key, const char* question,
    Ask&& ask) {
  const auto found = kept.find(key);
  if (found != kept.end()) return found->second;
  if (source_ == nullptr) {
    throw Error(errnum::kInvalidOperation,
                std::string("A pergunta ") + question + " (" + KeyText(key) +
                    ") não foi lida com a explicação do artigo");
  }
  return kept.emplace(key, ask()).first->second;
}

template <typename Ask>
void RecordingReader::Table(std::map<std::string, Recordset>& kept,
                            const std::string& key, const char* question,
                            Recordset& rs, Ask&& ask) {
  auto found = kept.find(key);
  if (found == kept.end()) {
    if (source_ == nullptr) {
      throw Error(errnum::kInvalidOperation,
                  std::string("A pergunta ") + question + " (" + KeyText(key) +
                      ") não foi lida com a explicação do artigo");
    }
    Recordset read;
    ask(read);
    found = kept.emplace(key, std::move(read)).first;
  }
  CopyRows(found->second, rs);
}

void RecordingReader::Articles(Recordset& rs) {
  Table(articles_, "", "Artigos", rs,
        [&](Recordset& r) { source_->Articles(r); });
}

void RecordingReader::CustomerOrderPreload(const std::string& sData,
                                           Recordset& rs) {
  Table(preload_, sData, "EncomendasCliente", rs,
        [&](Recordset& r) { source_->CustomerOrderPreload(sData, r); });
}

std::optional<Value> RecordingReader::SupplierOrderQuantity(
    const std::string& article) {
  return Answer(supplier_orders_, article, "EncomendasFornecedor",
                [&] { return source_->SupplierOrderQuantity(article); });
}

std::optional<SupplierPriceRow> RecordingReader::SupplierPrice(
    const std::string& article, const std::string& supplier) {
  return Answer(supplier_prices_, Pair(article, supplier), "PrecoFornecedor",
                [&] { return source_->SupplierPrice(article, supplier); });
}

std::optional<Value> RecordingReader::AggregatedStock(const std::string& code) {
  return Answer(aggregated_, code, "StockAglutinado",
                [&] { return source_->AggregatedStock(code); });
}

void RecordingReader::CustomerOrders(const std::string& sData, Recordset& rs) {
  Table(customer_orders_, sData, "EncomendasClienteAbertas", rs,
        [&](Recordset& r) { source_->CustomerOrders(sData, r); });
}

void RecordingReader::ProductionOrders(Recordset& rs) {
  Table(production_orders_, "", "OrdensFabrico", rs,
        [&](Recordset& r) { source_->ProductionOrders(r); });
}

std::vector<ProductRow> RecordingReader::CustomerProducts(
    const std::string& article) {
  return Answer(customer_products_, article, "ProdutosEncomendas",
                [&] { return source_->CustomerProducts(article); });
}

std::vector<ProductRow> RecordingReader::ProductionProducts(
    const std::string& article) {
  return Answer(production_products_, article, "ProdutosOrdensFabrico",
                [&] { return source_->ProductionProducts(article); });
}

std::vector<StructureLineRow> RecordingReader::StructureLines(
    const std::string& product, const std::string& structure) {
  return Answer(structure_lines_, Pair(product, structure), "Estrutura",
                [&] { return source_->StructureLines(product, structure); });
}

std::optional<Value> RecordingReader::BaseStructure(
    const std::string& article) {
  return Answer(base_structures_, article, "EstruturaBase",
                [&] { return source_->BaseStructure(article); });
}

Value RecordingReader::SmallestStructure(const std::string& product) {
  return Answer(smallest_structures_, product, "MenorEstrutura",
                [&] { return source_->SmallestStructure(product); });
}

}  // namespace vor

// RecordingReader: an ErpReader that keeps every answer it gives. While it
// records, each call is asked of its source and the answer kept; after
// StopRecording every call is answered from what was kept and nothing is
// read, so that the same steps can run again, at once and without the
// database, on the answers of one moment (the proposal window's "E se?").
//
//   LiteralReader literal(connection);
//   RecordingReader answers(literal);
//   calculator.Compute({answers, observer}, rsArtigos, sData);
//   answers.StopRecording();
//   calculator.Compute({answers, observer}, rsChanged, sData);  // no reads
#ifndef VOR_ENGINE_RECORDING_READER_H_
#define VOR_ENGINE_RECORDING_READER_H_

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/recordset.h"
#include "engine/erp_reader.h"

namespace vor {

class RecordingReader : public ErpReader {
 public:
  // `source` must outlive the recording (until StopRecording).
  explicit RecordingReader(ErpReader& source) : source_(&source) {}

  // From now on every call is answered from what was recorded; a call with
  // arguments never asked before raises vor::Error naming it. The source is
  // no longer used.
  void StopRecording() { source_ = nullptr; }

  // A copy of every row and field of `from` (its cursor and filter left on
  // the first row, no filter), into `to`, positioned on the first row.
  static void CopyRows(Recordset& from, Recordset& to);

  // The ErpReader calls. Recorded recordsets are handed out as copies, so
  // that what the steps do with them (filters, cursors) changes nothing
  // kept.
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
  // The answer kept in `kept` under `key`, asked of the source with `ask`
  // while recording. `question` names the call in the error raised when a
  // replay asks what was never recorded.
  template <typename Map, typename Ask>
  typename Map::mapped_type Answer(Map& kept, const typename Map::key_type& key,
                                   const char* question, Ask&& ask);
  // The same for the recordset answers, handed out as copies.
  template <typename Ask>
  void Table(std::map<std::string, Recordset>& kept, const std::string& key,
             const char* question, Recordset& rs, Ask&& ask);

  using Pair = std::pair<std::string, std::string>;
  ErpReader* source_;
  std::map<std::string, Recordset> articles_;
  std::map<std::string, Recordset> preload_;
  std::map<std::string, Recordset> customer_orders_;
  std::map<std::string, Recordset> production_orders_;
  std::map<std::string, std::optional<Value>> supplier_orders_;
  std::map<Pair, std::optional<SupplierPriceRow>> supplier_prices_;
  std::map<std::string, std::optional<Value>> aggregated_;
  std::map<std::string, std::vector<ProductRow>> customer_products_;
  std::map<std::string, std::vector<ProductRow>> production_products_;
  std::map<Pair, std::vector<StructureLineRow>> structure_lines_;
  std::map<std::string, std::optional<Value>> base_structures_;
  std::map<std::string, Value> smallest_structures_;
};

}  // namespace vor

#endif  // VOR_ENGINE_RECORDING_READER_H_

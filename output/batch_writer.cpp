#include "output/batch_writer.h"

#include <array>
#include <string>
#include <vector>

#include "db/write_transaction.h"

namespace vor {

void GravaTabelaEmLotes(Connection& connection, Recordset& rsfinal,
                        const HistoryRun* history) {
  WriteTransaction write(connection);  // BeginWrite
  if (rsfinal.RecordCount() > 0) {
    connection.ExecuteSql("",
                          "delete from " + std::string(kResultTableName) + " ");
    std::array<int, kResultFields.size()> index{};
    std::vector<std::string> columns;
    for (size_t i = 0; i < kResultFields.size(); ++i) {
      index[i] = rsfinal.FieldIndex(kResultFields[i].name);
      columns.emplace_back(kResultFields[i].name);
    }
    std::vector<std::vector<Value>> batch;
    batch.reserve(kBatchRows);
    for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
      std::vector<Value> row;
      row.reserve(index.size());
      for (int i : index) row.push_back(rsfinal.Get(i));
      batch.push_back(std::move(row));
      if (batch.size() == kBatchRows) {
        connection.InsertRows(kResultTableName, columns, batch);
        batch.clear();
      }
    }
    if (!batch.empty()) {
      connection.InsertRows(kResultTableName, columns, batch);
    }
    if (history != nullptr)
      HistoryWriter::Append(connection, rsfinal, *history);
  }
  write.Commit();  // EndWrite
}

}  // namespace vor

#include "output/result_writer.h"

#include <array>
#include <memory>
#include <string>

#include "core/error.h"
#include "db/write_transaction.h"

namespace vor {

void GravaTabela(Connection& connection, Recordset& rsfinal,
                 const HistoryRun* history) {
  WriteTransaction write(connection);  // BeginWrite
  if (rsfinal.RecordCount() > 0) {
    const std::string table = kResultTableName;
    connection.ExecuteSql("", "delete from " + table + " ");
    // Field positions are looked up once; a missing field is an error
    // before anything is inserted.
    std::array<int, kResultFields.size()> index{};
    for (size_t i = 0; i < kResultFields.size(); ++i) {
      index[i] = rsfinal.FieldIndex(kResultFields[i].name);
    }
    std::unique_ptr<UpdatableRecordset> rs;
    const std::string sql = "Select * from " + table + " where Artigo='h$hg?'";
    for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
      connection.OpenRecordsetForUpdate(sql, rs, 3, -1);
      if (!rs) {
        throw Error(errnum::kInvalidOperation,
                    "A tabela " + table + " não foi aberta para escrita");
      }
      rs->AddNew();
      for (size_t i = 0; i < kResultFields.size(); ++i) {
        rs->Set(kResultFields[i].name, rsfinal.Get(index[i]));
      }
      rs->Update();
    }
    if (history != nullptr)
      HistoryWriter::Append(connection, rsfinal, *history);
  }
  write.Commit();  // EndWrite
}

}  // namespace vor

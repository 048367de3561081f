#include "output/history_writer.h"

#include <chrono>
#include <exception>

#include "core/error.h"
#include "core/text_util.h"

namespace vor {
namespace {

const std::string kTable = kHistoryTableName;

// The columns an INSERT of the history sets, in order: the run's key, then
// kHistoryFields.
std::vector<std::string> InsertColumns() {
  std::vector<std::string> columns = {kHistoryRunColumn};
  for (ResultField f : kHistoryFields) {
    columns.emplace_back(ResultColumnOf(f).name);
  }
  return columns;
}

}  // namespace

std::optional<HistoryRun> HistoryWriter::Prepare(
    Connection& connection, const HistorySetting& setting, LocalTime run_at,
    std::vector<std::string>* notes) {
  if (setting.keep_days <= 0) return std::nullopt;
  Recordset probe;
  try {
    connection.OpenRecordset("", "select * from " + kTable + " where 1=0",
                             probe);
  } catch (const std::exception&) {
    if (setting.set_in_file) {
      notes->push_back("Histórico de propostas desligado: a tabela " + kTable +
                       " não existe");
    }
    return std::nullopt;
  }
  std::string missing;
  for (const std::string& column : InsertColumns()) {
    if (probe.FindField(column) < 0) {
      missing += (missing.empty() ? "" : ", ") + column;
    }
  }
  if (!missing.empty()) {
    notes->push_back("Histórico de propostas desligado: a tabela " + kTable +
                     " não tem a(s) coluna(s) " + missing);
    return std::nullopt;
  }
  HistoryRun run;
  run.key = HistoryRunKey(run_at);
  run.since = HistoryRunKey(run_at - std::chrono::days(setting.keep_days));
  return run;
}

void HistoryWriter::Append(Connection& connection, Recordset& rsfinal,
                           const HistoryRun& run) {
  const std::string key = std::to_string(run.key);
  connection.ExecuteSql("", "delete from " + kTable + " where " +
                                kHistoryRunColumn + " = " + key);
  const std::vector<std::string> columns = InsertColumns();
  std::vector<int> index;
  for (ResultField f : kHistoryFields) {
    index.push_back(rsfinal.FieldIndex(ResultColumnOf(f).name));
  }
  const size_t batch_rows = Connection::kMaxInsertParameters / columns.size();
  std::vector<std::vector<Value>> batch;
  batch.reserve(batch_rows);
  for (rsfinal.MoveFirst(); !rsfinal.Eof(); rsfinal.MoveNext()) {
    std::vector<Value> row;
    row.reserve(columns.size());
    row.emplace_back(static_cast<long long>(run.key));
    for (int i : index) row.push_back(rsfinal.Get(i));
    batch.push_back(std::move(row));
    if (batch.size() == batch_rows) {
      connection.InsertRows(kTable, columns, batch);
      batch.clear();
    }
  }
  if (!batch.empty()) connection.InsertRows(kTable, columns, batch);
  if (run.since > 0) {
    connection.ExecuteSql("", "delete from " + kTable + " where " +
                                  kHistoryRunColumn + " < " +
                                  std::to_string(run.since));
  }
}

}  // namespace vor

#include "output/history_writer.h"

#include <chrono>
#include <exception>

#include "core/error.h"
#include "core/text_util.h"

namespace vor {
namespace {

const std::string kTable = kHistoryTableName;

// The fields an INSERT of the history sets after the run's key.
std::vector<ResultField> InsertFields(bool names) {
  std::vector<ResultField> fields(kHistoryFields.begin(), kHistoryFields.end());
  if (names) {
    fields.insert(fields.end(), kHistoryNameFields.begin(),
                  kHistoryNameFields.end());
  }
  return fields;
}

// The columns an INSERT of the history sets, in order: the run's key, then
// InsertFields.
std::vector<std::string> InsertColumns(bool names) {
  std::vector<std::string> columns = {kHistoryRunColumn};
  for (ResultField f : InsertFields(names)) {
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
  for (const std::string& column : InsertColumns(false)) {
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
  run.names = true;
  for (ResultField f : kHistoryNameFields) {
    if (probe.FindField(std::string(ResultColumnOf(f).name)) < 0) {
      run.names = false;
    }
  }
  run.key = HistoryRunKey(run_at);
  run.since = HistoryRunKey(run_at - std::chrono::days(setting.keep_days));
  return run;
}

void HistoryWriter::Append(Connection& connection, Recordset& rsfinal,
                           const HistoryRun& run) {
  const std::string key = std::to_string(run.key);
  connection.ExecuteSql("", "delete from " + kTable + " where " +
                                kHistoryRunColumn + " = " + key);
  const std::vector<std::string> columns = InsertColumns(run.names);
  std::vector<int> index;
  for (ResultField f : InsertFields(run.names)) {
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
    // The latest run before this one stays whatever its age: it is what the
    // next report compares with (a long weekend, or Dias=1 with daily runs,
    // would otherwise leave nothing to compare).
    const std::string& c = kHistoryRunColumn;
    connection.ExecuteSql("", "delete from " + kTable + " where " + c + " < " +
                                  std::to_string(run.since) + " and " + c +
                                  " < (select max(" + c + ") from " + kTable +
                                  " where " + c + " < " + key + ")");
  }
}

}  // namespace vor

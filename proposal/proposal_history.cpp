#include "proposal/proposal_history.h"

#include <exception>
#include <string>

#include "core/recordset.h"
#include "db/connection.h"
#include "db/history_table.h"

namespace vor {

std::optional<HistoricProposal> ProposalHistory::Before(Connection& connection,
                                                        LocalTime time) {
  const std::string table = kHistoryTableName;
  const std::string run = kHistoryRunColumn;
  Recordset latest;
  try {
    connection.OpenRecordset("",
                             "select max(" + run + ") as Execucao from " +
                                 table + " where " + run + " < " +
                                 std::to_string(HistoryRunKey(time)),
                             latest);
  } catch (const std::exception&) {
    connection.EndRead();
    return std::nullopt;
  }
  if (latest.Eof() || latest.Get(0).is_null()) {
    connection.EndRead();
    return std::nullopt;
  }
  HistoricProposal before;
  before.key = latest.Get(0).ToInt();
  before.time = HistoryRunTime(before.key);

  std::string columns;
  std::vector<ResultField> fields(kHistoryFields.begin(), kHistoryFields.end());
  for (ResultField f : fields) {
    columns +=
        (columns.empty() ? "" : ", ") + std::string(ResultColumnOf(f).name);
  }
  Recordset rs;
  try {
    connection.OpenRecordset("",
                             "select " + columns + " from " + table +
                                 " where " + run + " = " +
                                 std::to_string(before.key),
                             rs);
  } catch (const std::exception&) {
    connection.EndRead();
    return std::nullopt;
  }
  connection.EndRead();
  before.rows = ProposalTable::RowsOf(rs, table, fields);
  return before;
}

}  // namespace vor

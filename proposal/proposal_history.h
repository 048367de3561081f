// ProposalHistory: an earlier proposal as zlx_VOR_Historico keeps it
// (db/history_table.h), read through the program's Connection, to compare
// with the proposal of today (ProposalChanges). Where the table does not
// exist, or holds no earlier run, there is nothing to compare with.
//
//   if (auto before = ProposalHistory::Before(connection, started))
//     changes = ProposalChanges::Between(before->rows, view, limits);
#ifndef VOR_PROPOSAL_PROPOSAL_HISTORY_H_
#define VOR_PROPOSAL_PROPOSAL_HISTORY_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "proposal/proposal_table.h"

namespace vor {

class Connection;

// One run of the history.
struct HistoricProposal {
  int64_t key = 0;  // the run key (yyyymmddhhmmss)
  LocalTime time;   // the run's local date and time
  // One row per article, with the fields of kHistoryFields (the others
  // null).
  std::vector<ProposalRow> rows;
};

class ProposalHistory {
 public:
  // The latest run of the history that started before `time` (its key
  // below HistoryRunKey(time)); nullopt when the table is missing or cannot
  // be read, or holds no such run. Raises vor::Error naming the table and
  // the column when a value is not of its column's kind. Ends the
  // connection's read snapshot once the rows are in memory.
  static std::optional<HistoricProposal> Before(Connection& connection,
                                                LocalTime time);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_HISTORY_H_

// ProposalHistory: an earlier proposal as zlx_VOR_Historico keeps it
// (db/history_table.h), read through the program's Connection, to compare
// with the proposal of today (ProposalChanges). Where the table does not
// exist, or holds no earlier run, there is nothing to compare with.
//
//   if (auto before = ProposalHistory::Before(connection, started))
//     changes = ProposalChanges::Between(before->rows, view, limits);
//
// The proposal window compares the table it shows with the run before it
// (PreviousOf), and draws one article's figures over every stored run
// (OfArticle).
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

// One article's figures in one stored run, for its chart (null: the run
// stored none).
struct ArticleHistoryPoint {
  int64_t key = 0;                             // the run key
  LocalTime time;                              // the run's local date and time
  std::optional<Currency> stock_at_lead_time;  // StkPrazo
  std::optional<Currency> minimum_stock;       // StkMinimo
  std::optional<Currency> to_order;            // QtdUB, base unit
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

  // The run before the proposal `shown` (the rows of zlx_VOR_Encomendas):
  // a run stores its proposal and its history in one transaction, so the
  // latest stored run is normally the proposal shown, and the one before it
  // is the previous run. When the latest stored run differs from `shown` in
  // any field the history keeps (the table was written by a run that kept
  // no history), the latest stored run is the previous one. nullopt, raises
  // and ends the read snapshot as Before.
  static std::optional<HistoricProposal> PreviousOf(
      Connection& connection, const std::vector<ProposalRow>& shown);

  // The figures of `article` in every stored run, oldest first, the
  // article matched by the database's own comparison of codes; where a run
  // holds the code twice, its first row. Empty when the table is missing or
  // holds none, or the code cannot be asked for (a NUL byte). Raises
  // vor::Error naming the table and column of a value not of its kind.
  // Ends the connection's read snapshot.
  static std::vector<ArticleHistoryPoint> OfArticle(Connection& connection,
                                                    const std::string& article);
};

}  // namespace vor

#endif  // VOR_PROPOSAL_PROPOSAL_HISTORY_H_

// HistoryWriter: keeps the history of proposals in zlx_VOR_Historico
// (db/history_table.h). Before the result table is written, Prepare decides
// from the setting [Historico] Dias and from the database whether this run
// keeps history; inside the write (between BeginWrite and EndWrite, after
// the proposal's rows) Append adds the run's rows and removes the runs
// older than the days kept, except the latest run before this one, however
// old, so that a report always has the previous proposal to compare with;
// the proposal and its history are committed or abandoned together.
//
//   std::vector<std::string> notes;
//   const auto history = HistoryWriter::Prepare(connection, setting, now,
//                                               &notes);
//   for (const auto& line : notes) run_log.Escrever(line);
//   GravaTabela(connection, rsfinal, history ? &*history : nullptr);
#ifndef VOR_OUTPUT_HISTORY_WRITER_H_
#define VOR_OUTPUT_HISTORY_WRITER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/recordset.h"
#include "db/connection.h"
#include "db/history_table.h"
#include "settings/settings_record.h"

namespace vor {

// The history of one run, for the writer.
struct HistoryRun {
  int64_t key = 0;     // HistoryRunKey of the run's time
  int64_t since = 0;   // runs with a smaller key are removed; 0: none
  bool names = false;  // the table has the columns of kHistoryNameFields
};

class HistoryWriter {
 public:
  // Whether this run keeps history, as `setting` and the database say, for
  // a run at `run_at`. With keep_days 0 nothing is asked of the database.
  // Otherwise one SELECT that returns no row looks for zlx_VOR_Historico and
  // its columns; call it outside a write. Lines for the run log go to
  // `notes`: a table that lacks columns (naming them); a missing table only
  // when [Historico] Dias is in the file, so that a program without history
  // logs exactly as before. Never raises.
  static std::optional<HistoryRun> Prepare(Connection& connection,
                                           const HistorySetting& setting,
                                           LocalTime run_at,
                                           std::vector<std::string>* notes);

  // Inside the write: removes rows left under run.key (a run in the same
  // second), inserts one row per row of `rsfinal` (walked from the first,
  // as given) with the columns of kHistoryFields (and kHistoryNameFields
  // when run.names) and run.key in Execucao,
  // in multi-row INSERTs of bound values, then removes the runs older than
  // run.since but the latest run before run.key. Raises the database's error,
  // leaving the write to be abandoned by the caller. Afterwards `rsfinal`
  // stands past its last row.
  static void Append(Connection& connection, Recordset& rsfinal,
                     const HistoryRun& run);
};

}  // namespace vor

#endif  // VOR_OUTPUT_HISTORY_WRITER_H_

// ModeComparison: runs the engine on one SQLite ERP file in both reading
// modes (literal and bulk), each from an empty result table, through the
// program's own connection, and tells whether the two runs left the same
// outcome: whether the run completed and its error message, the result
// table (every column by storage type and bytes, row by row in stored
// order), the run log's messages and the progress list, byte for byte.
// Each run also checks that the proposal the engine hands to the report
// (TakeResult) is the table it wrote, value for value.
// Used by the tests and the fuzz target that compare the modes.
#ifndef VOR_TESTING_MODE_COMPARISON_H_
#define VOR_TESTING_MODE_COMPARISON_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/replenishment_engine.h"
#include "testing/instrumented_connection.h"

namespace vor {

// What one run left behind.
struct ModeOutcome {
  bool completed = false;
  std::string message;             // the engine's error message, if any
  std::vector<std::string> table;  // per row: typeof:hex of every column
  std::vector<std::string> log;    // messages, without date and time
  std::vector<std::string> list;   // progress list lines
  bool log_has_nul = false;        // a NUL byte anywhere in the log file
  int64_t statements = 0;          // queries and statements, inserts aside
  int64_t inserts = 0;             // INSERT statements sent
  // Where the rows handed to the report differ from the table read back
  // (ProposalTable); "" when they are the same.
  std::string handed_over;
};

class ModeComparison {
 public:
  // Runs the engine on the ERP at `path` in `mode`. The result table is
  // emptied first, so a failed run cannot pass for a completed one. The
  // engine talks to the database through an InstrumentedConnection, handed
  // to `set_up` (when given) before the run, e.g. to make a call fail.
  static ModeOutcome Run(
      const std::string& path, ReadingMode mode,
      const std::function<void(InstrumentedConnection&)>& set_up = {});

  // "" when `literal` and `bulk` are the same, neither log holds a NUL
  // byte and each handed the report its table; otherwise a description of
  // the first difference.
  static std::string Difference(const ModeOutcome& literal,
                                const ModeOutcome& bulk);

  // Both runs on `path`, and their Difference.
  static std::string Compare(const std::string& path);
};

}  // namespace vor

#endif  // VOR_TESTING_MODE_COMPARISON_H_

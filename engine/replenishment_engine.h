// ReplenishmentEngine: the replenishment run, from reading the articles to
// rewriting the result table. LerExistencias is its single entry point; the
// steps are public so that tests can drive each one on its own tables.
// The engine reaches the database only through Connection and the window
// only through Progress.
#ifndef VOR_ENGINE_REPLENISHMENT_ENGINE_H_
#define VOR_ENGINE_REPLENISHMENT_ENGINE_H_

#include <string>

#include "core/clock.h"
#include "core/currency.h"
#include "core/recordset.h"
#include "db/connection.h"
#include "engine/progress.h"
#include "log/cl_log.h"

namespace vor {

class ReplenishmentEngine {
 public:
  // `component_mode` is the bill-of-materials mode letter ("B").
  ReplenishmentEngine(Connection& connection, cl_log& run_log,
                      Progress& progress, std::string component_mode,
                      LocalClock clock = SystemLocalClock());

  // The whole run. Returns true when it completed. When an error ended it,
  // the error handler has abandoned an open write, written the composed
  // message (" 3604 - description") to the run log and closed the log; the
  // function then returns false and error_message() holds that message. The
  // caller ends the program (exit code 1).
  bool LerExistencias();
  const std::string& error_message() const { return error_message_; }

  // The steps, as the driver calls them (see the .cc for each contract).
  // ... declared by the engine implementation.

 private:
  Connection& connection_;
  cl_log& run_log_;
  Progress& progress_;
  std::string component_mode_;
  LocalClock clock_;
  std::string error_message_;
};

}  // namespace vor

#endif  // VOR_ENGINE_REPLENISHMENT_ENGINE_H_

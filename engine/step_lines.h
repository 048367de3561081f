// StepLines: where the steps of a run say what they are doing: the run log
// and the progress sink (the window's list, or the silent run's). The full
// run hands one to the steps; the explanation of one article hands none, so
// that it writes no line, never yields and turns a failed conversion into 0
// without a word.
//
// Order of each kind of line, as the run's design fixes it: the progress
// line of the article intake goes to the list first and to the log after;
// the phase messages and the progress lines of the steps that walk the
// working table go to the log first and to the list after.
//
// While the run reads, each line and each yield is also a point between
// two units of work where the run's read snapshot is renewed (see
// ReadSnapshot::Renew), so that another program's commit waits at most
// about the snapshot's hold for the run.
#ifndef VOR_ENGINE_STEP_LINES_H_
#define VOR_ENGINE_STEP_LINES_H_

#include <string>

#include "core/error.h"
#include "core/recordset.h"
#include "db/read_snapshot.h"
#include "engine/progress.h"
#include "log/cl_log.h"

namespace vor {

class StepLines {
 public:
  // `run_log` and `progress` must outlive this object.
  StepLines(cl_log& run_log, Progress& progress)
      : run_log_(run_log), progress_(progress) {}
  StepLines(const StepLines&) = delete;
  StepLines& operator=(const StepLines&) = delete;

  // A line of the run log alone, written at once.
  void Log(const std::string& text);
  // A phase message: the run log, then the list.
  void Phase(const std::string& text);
  // The progress line of the article `code` at the cursor of the article
  // query `rs` (see ProgressLine): the list and Progress::Step first, then
  // the run log.
  void ArticleLine(const std::string& code, const Recordset& rs);
  // The progress line of a step walking the working table `rs`, on the row
  // of `code`: the run log first, then the list and Progress::Step.
  void StepLine(const std::string& code, const Recordset& rs);
  // Lets the event loop run (after each product of the demand steps).
  void Yield() {
    RenewSnapshot();
    progress_.Yield();
  }
  // The read snapshot renewed at each line and yield from now on (null:
  // none); it must outlive its use here.
  void RenewWhileReading(ReadSnapshot* snapshot) { snapshot_ = snapshot; }
  // A failed value conversion (Progress::ReportConversionError).
  void ReportConversionError(const Error& error) {
    progress_.ReportConversionError(error);
  }

 private:
  void RenewSnapshot() {
    if (snapshot_ != nullptr) snapshot_->Renew();
  }

  cl_log& run_log_;
  Progress& progress_;
  ReadSnapshot* snapshot_ = nullptr;
};

}  // namespace vor

#endif  // VOR_ENGINE_STEP_LINES_H_

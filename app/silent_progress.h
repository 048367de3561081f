// SilentProgress: the progress sink of an unattended run. Nothing goes to
// the screen or to standard output; a failed value conversion, which an
// interactive run shows in a message box, is written to the run log instead,
// one log line per line of its message.
#ifndef VOR_APP_SILENT_PROGRESS_H_
#define VOR_APP_SILENT_PROGRESS_H_

#include <functional>
#include <string>

#include "engine/progress.h"
#include "log/cl_log.h"

namespace vor {

class SilentProgress : public Progress {
 public:
  // `run_log` returns the log of the run in progress (RunControl::RunLog).
  explicit SilentProgress(std::function<cl_log*()> run_log);

  void AddLine(const std::string& text) override;
  void Yield() override;
  // Writes "Erro <n>", "(<description>)" and "Na função TransformaEmCurrency
  // do itFuncoes" as three log lines. Raises Error 75 when no run log is
  // open (the run then ends through the engine's error handling).
  void ReportConversionError(const Error& error) override;

 private:
  std::function<cl_log*()> run_log_;
};

}  // namespace vor

#endif  // VOR_APP_SILENT_PROGRESS_H_

// Progress: how the engine reaches the window (or the silent run). The engine
// adds progress lines, yields after each product of the demand steps, and
// reports a failed value conversion; it knows nothing of windows.
#ifndef VOR_ENGINE_PROGRESS_H_
#define VOR_ENGINE_PROGRESS_H_

#include <cstdint>
#include <string>

#include "core/error.h"

namespace vor {

class Progress {
 public:
  virtual ~Progress() = default;
  // Appends a line to the progress list (AddLista).
  virtual void AddLine(const std::string& text) = 0;
  // Lets the event loop run so the window repaints.
  virtual void Yield() = 0;
  // Position and total of the step in progress (the numbers of the progress
  // lines); for a progress bar. Called once per progress line.
  virtual void Step(int64_t /*position*/, int64_t /*total*/) {}
  // A value conversion failed (overflow). The message is the three lines
  // "Erro <n>", "(<description>)", "Na função TransformaEmCurrency do
  // itFuncoes". Interactive runs show it in a message box and wait; silent
  // runs write it to the run log.
  virtual void ReportConversionError(const Error& error) = 0;
};

}  // namespace vor

#endif  // VOR_ENGINE_PROGRESS_H_

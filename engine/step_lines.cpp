#include "engine/step_lines.h"

#include <cstdint>

#include "core/control_bytes.h"
#include "engine/messages.h"

namespace vor {

// Codes read from the ERP reach these lines: ProgressLine shows a code on
// one line, and the log shows any other control byte of a message.
void StepLines::Log(const std::string& text) {
  run_log_.Escrever(EscapeControlBytes(text, LineBreaks::kKept));
}

void StepLines::Phase(const std::string& text) {
  RenewSnapshot();
  Log(text);
  progress_.AddLine(text);
}

void StepLines::ArticleLine(const std::string& code, const Recordset& rs) {
  RenewSnapshot();
  const int64_t total = rs.RecordCount();
  const int64_t position = rs.AbsolutePosition();
  const std::string line = ProgressLine(code, total, position);
  // The intake's line reaches the list before the log, unlike the steps'
  // lines below: the run's design orders them so.
  progress_.AddLine(line);
  progress_.Step(position, total);
  run_log_.EscreverProgresso(line);
}

void StepLines::StepLine(const std::string& code, const Recordset& rs) {
  RenewSnapshot();
  const int64_t total = rs.RecordCount();
  const int64_t position = rs.AbsolutePosition();
  const std::string line = ProgressLine(code, total, position);
  run_log_.EscreverProgresso(line);
  progress_.AddLine(line);
  progress_.Step(position, total);
}

}  // namespace vor

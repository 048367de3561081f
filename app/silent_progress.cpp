#include "app/silent_progress.h"

#include <utility>

#include "core/error.h"
#include "engine/messages.h"

namespace vor {

SilentProgress::SilentProgress(std::function<cl_log*()> run_log)
    : run_log_(std::move(run_log)) {}

// An unattended run shows nothing: the progress lines are in the run log.
void SilentProgress::AddLine(const std::string& /*text*/) {}

// No window to repaint.
void SilentProgress::Yield() {}

void SilentProgress::ReportConversionError(const Error& error) {
  cl_log* log = run_log_ ? run_log_() : nullptr;
  if (log == nullptr || !log->is_open()) {
    throw Error(errnum::kFileError,
                "O registo da emissão não está aberto; erro de conversão "
                "não registado: " +
                    ConversionMessageLines(error)[1]);
  }
  for (const std::string& line : ConversionMessageLines(error)) {
    log->Escrever(line);
  }
}

}  // namespace vor

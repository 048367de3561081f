#include "app/display_check.h"

#include <cstdlib>

#include "app/silent_mode.h"
#include "core/error.h"

namespace vor {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool DisplayAvailable() {
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") ||
         IsSet("WAYLAND_DISPLAY");
}

std::string NoDisplayReport(const std::string& command_line) {
  const std::string asked = command_line.empty()
                                ? std::string("sem argumentos")
                                : "com \"" + command_line + "\"";
  return FailureReport(Error(
      errnum::kInvalidCall,
      "Não há ecrã disponível para abrir a janela (DISPLAY não definido): o "
      "programa foi iniciado " +
          asked +
          "; uma emissão sem janela usa exatamente /S (S maiúsculo, sem mais "
          "nada)"));
}

}  // namespace vor

#include "app/window_texts.h"

namespace vor {

std::string ErrorBoxText(const Error& error) {
  return "Erro " + std::to_string(error.number()) + "\r\n" +
         error.description();
}

std::string EngineEndBoxText(const std::string& error_message,
                             const std::string& log_path) {
  // The message starts with the blank the driver's format puts before a
  // positive number; it reads as it stands in the log.
  return "A emissão terminou com erro:\r\n" + error_message +
         "\r\n\r\nO erro ficou registado em\r\n" +
         (log_path.empty() ? std::string("(registo desconhecido)") : log_path) +
         "\r\n\r\nO programa vai terminar.";
}

std::string ReportNotDeliveredBoxText(const std::vector<std::string>& lines,
                                      const std::string& log_path) {
  std::string text =
      "A proposta foi calculada e gravada, mas o relatório não foi "
      "entregue:\r\n";
  for (const std::string& line : lines) text += "\r\n" + line;
  return text + "\r\n\r\nFicou registado em\r\n" + log_path;
}

}  // namespace vor

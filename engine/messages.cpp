#include "engine/messages.h"

#include "core/control_bytes.h"

namespace vor {

std::string ProgressLine(const std::string& code, int64_t total,
                         int64_t position) {
  return "Artigo   " + EscapeControlBytes(code) + "   " +
         std::to_string(total) + "/" + std::to_string(position);
}

std::string EngineErrorMessage(long number, const std::string& description) {
  const int64_t shown = static_cast<int64_t>(number) - kObjectErrorBase;
  std::string text = shown < 0 ? "" : " ";
  text += std::to_string(shown);
  text += " - ";
  text += EscapeControlBytes(description, LineBreaks::kKept);
  return text;
}

std::array<std::string, 3> ConversionMessageLines(const Error& error) {
  return {"Erro " + std::to_string(error.number()),
          "(" + error.description() + ")",
          "Na função TransformaEmCurrency do itFuncoes"};
}

std::string ConversionMessage(const Error& error) {
  const auto lines = ConversionMessageLines(error);
  return lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2];
}

std::string WithArticle(const std::string& description,
                        const std::string& code) {
  const std::string suffix = " (artigo " + EscapeControlBytes(code) + ")";
  if (description.size() >= suffix.size() &&
      description.compare(description.size() - suffix.size(), suffix.size(),
                          suffix) == 0) {
    return description;
  }
  return description + suffix;
}

}  // namespace vor

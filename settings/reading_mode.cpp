#include "settings/reading_mode.h"

#include "core/error.h"
#include "core/text_util.h"

namespace vor {

ReadingMode ParseReadingMode(const std::string& value,
                             const std::string& file) {
  std::string folded;
  FoldCase(value, &folded);
  if (folded.empty() || folded == "literal") return ReadingMode::kLiteral;
  if (folded == "conjunto") return ReadingMode::kBulk;
  throw Error(errnum::kTypeMismatch,
              "Valor inválido '" + value + "' na chave " + kReadingModeKey +
                  " da secção " + kReadingModeSection + " do ficheiro '" +
                  file + "': deve ser Literal ou Conjunto");
}

ReadingMode ReadReadingMode(const std::string& path) {
  return ReadReadingMode(SettingsValues::Read(path));
}

ReadingMode ReadReadingMode(const SettingsValues& settings) {
  return ParseReadingMode(
      settings.ReadValue(kReadingModeSection, kReadingModeKey),
      settings.path());
}

}  // namespace vor

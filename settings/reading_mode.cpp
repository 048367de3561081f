#include "settings/reading_mode.h"

#include "core/error.h"
#include "core/text_util.h"
#include "settings/settings_file.h"

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
  SettingsFile file;
  file.FileName(path);
  return ParseReadingMode(file.ReadValue(kReadingModeSection, kReadingModeKey),
                          path);
}

}  // namespace vor

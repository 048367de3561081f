// ReadingMode: how the replenishment engine reads the ERP, chosen by the key
// Leitura of section Motor of the settings file. "Literal" (the default, and
// what an absent or empty key means) sends every statement as the engine's
// steps build them, one per article; "Conjunto" reads the same answers with a
// constant number of set-based statements and writes the result rows in
// multi-row inserts. Both give the same proposal.
#ifndef VOR_SETTINGS_READING_MODE_H_
#define VOR_SETTINGS_READING_MODE_H_

#include <string>

#include "settings/settings_values.h"

namespace vor {

enum class ReadingMode { kLiteral, kBulk };

// The section and key of the setting.
inline constexpr char kReadingModeSection[] = "Motor";
inline constexpr char kReadingModeKey[] = "Leitura";

// The mode named by `value` (already trimmed by the settings file): "" or
// "Literal" gives kLiteral, "Conjunto" kBulk, letters in any case. Any other
// value raises Error 13 "Valor inválido '<value>' na chave Leitura da secção
// Motor do ficheiro '<file>': ..." naming `file`.
ReadingMode ParseReadingMode(const std::string& value, const std::string& file);

// Reads Motor/Leitura from the settings file `path` (a missing file or key
// gives kLiteral). Errors as ParseReadingMode; a file that cannot be read
// raises Error 75 as SettingsFile::ReadValue does.
ReadingMode ReadReadingMode(const std::string& path);
// As ReadReadingMode, from `settings`, the settings file as already read.
ReadingMode ReadReadingMode(const SettingsValues& settings);

}  // namespace vor

#endif  // VOR_SETTINGS_READING_MODE_H_

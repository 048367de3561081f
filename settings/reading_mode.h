// ReadingMode: how the replenishment engine reads the ERP, chosen by the key
// Leitura of section Motor of the settings file (SettingsRecord reads it).
// "Literal" sends every statement as the engine's steps build them, one per
// article; "Conjunto" reads the same answers with a constant number of
// set-based statements and writes the result rows in multi-row inserts.
// Both give the same proposal. An absent or empty key means "Conjunto" on
// the embedded SQLite engine ([BD] Servidor=sqlite) and "Literal" over ODBC.
#ifndef VOR_SETTINGS_READING_MODE_H_
#define VOR_SETTINGS_READING_MODE_H_

namespace vor {

enum class ReadingMode { kLiteral, kBulk };

}  // namespace vor

#endif  // VOR_SETTINGS_READING_MODE_H_

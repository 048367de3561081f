// SettingsValues: the settings file as read at one moment, every section and
// key of it, so that a run reads the file once and hands the values to each
// part that needs them (the database login, the reading mode, the log
// folder, the report) instead of each part opening the file again.
// ReadValue answers exactly as SettingsFile::ReadValue would have at the
// moment of reading, errors included: a file that could not be read raises
// the same Error 75 on every ReadValue.
//
//   const SettingsValues settings = SettingsValues::Read(settings_path);
//   const std::string folder = settings.ReadValue("Log", "Directoria");
#ifndef VOR_SETTINGS_SETTINGS_VALUES_H_
#define VOR_SETTINGS_SETTINGS_VALUES_H_

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/error.h"

namespace vor {

class SettingsValues {
 public:
  // No file: every value reads as "" and path() is "".
  SettingsValues() = default;

  // Reads the file `path` once. Never raises for the file's sake: a file
  // that cannot be read, is not valid UTF-8 or holds a NUL byte is kept as
  // the error that reading it raised, and a missing file as no values.
  static SettingsValues Read(const std::string& path);

  // The path the values were read from.
  const std::string& path() const { return path_; }
  // False when the file exists but could not be read (ReadValue raises).
  bool readable() const { return !error_.has_value(); }

  // The text stored under `key` of `section` (sections and keys matched
  // without regard to the case of ASCII letters); "" when the file, the
  // section or the key is missing. Raises the error of Read when the file
  // could not be read.
  std::string ReadValue(const std::string& section,
                        const std::string& key) const;

  // Sets the value of `key` of `section`, as SettingsFile::ReadAll does for
  // each entry of the file it reads.
  void Set(const std::string& section, const std::string& key,
           const std::string& value);

 private:
  std::string path_;
  // Why the file could not be read; nullopt when it was read (or missing).
  std::optional<Error> error_;
  // (section, key), ASCII letters folded -> value.
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace vor

#endif  // VOR_SETTINGS_SETTINGS_VALUES_H_

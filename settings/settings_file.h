// SettingsFile: reads and writes values of the INI-style settings file by
// section and key. Sections and keys are matched without regard to letter
// case; the file is UTF-8 (a byte-order mark and CR LF are accepted). A save
// rewrites only the key it was given and keeps every other section, key,
// comment and their order, replacing the file atomically (temporary file
// beside it, flushed to disk, then rename; permissions kept), so a failed
// save leaves the old file intact. A byte-order mark and CR LF line ends are
// kept; blank lines between entries are laid out anew.
//
// Values are trimmed when read, as usual in INI files; a value written with
// blanks at either end (or that itself starts and ends with '"') is stored
// between double quotes, and one pair of surrounding quotes is removed when
// reading, so every value written reads back unchanged.
#ifndef VOR_SETTINGS_SETTINGS_FILE_H_
#define VOR_SETTINGS_SETTINGS_FILE_H_

#include <string>
#include <utility>
#include <vector>

#include "settings/settings_values.h"

namespace vor {

class SettingsFile {
 public:
  // The path of the file to work on.
  void FileName(const std::string& path);
  const std::string& FileName() const { return path_; }

  // The text stored under `key` of `section`; "" when the file, the section
  // or the key is missing. A file that exists but cannot be read, is not
  // valid UTF-8 or holds a NUL byte raises Error 75 naming the file.
  std::string ReadValue(const std::string& section,
                        const std::string& key) const;
  // Every value of the file at once, each as ReadValue gives it, with one
  // reading of the file: what SettingsValues::Read keeps. A missing file
  // gives no values; errors as ReadValue.
  SettingsValues ReadAll() const;

  // Stores `value` under `key` of `section` and saves the file at once; an
  // existing key keeps its letter case. A file that cannot be
  // read, is not valid UTF-8 (or holds a NUL byte), is read-only or cannot be
  // replaced raises Error 75 naming the file (the old file is then unchanged),
  // and so does a value with a line break or not in UTF-8, which could not be
  // stored as one value.
  void WriteValue(const std::string& section, const std::string& key,
                  const std::string& value);
  // Stores each (key, value) of `values` under `section` as WriteValue does,
  // in one save: the file is replaced once, with all of them or, on an
  // error, with none.
  void WriteValues(
      const std::string& section,
      const std::vector<std::pair<std::string, std::string>>& values);

 private:
  std::string path_;
};

}  // namespace vor

#endif  // VOR_SETTINGS_SETTINGS_FILE_H_

// SettingsFile: reads and writes values of the INI-style settings file by
// section and key. Sections and keys are matched without regard to letter
// case; the file is UTF-8 (a byte-order mark and CR LF are accepted). A save
// rewrites only the key it was given and keeps every other section, key,
// comment and their order, replacing the file atomically (temporary file
// beside it, then rename), so a failed save leaves the old file intact.
#ifndef VOR_SETTINGS_SETTINGS_FILE_H_
#define VOR_SETTINGS_SETTINGS_FILE_H_

#include <string>

namespace vor {

class SettingsFile {
 public:
  // The path of the file to work on.
  void FileName(const std::string& path);
  const std::string& FileName() const { return path_; }

  // The text stored under `key` of `section`; "" when the file, the section
  // or the key is missing. A file that exists but cannot be read, or is not
  // valid UTF-8, raises Error 75 naming the file.
  std::string ReadValue(const std::string& section,
                        const std::string& key) const;

  // Stores `value` under `key` of `section` and saves the file at once.
  // Returns true; a file that cannot be read or replaced raises Error 75
  // naming the file (the old file is then unchanged).
  bool WriteValue(const std::string& section, const std::string& key,
                  const std::string& value);

 private:
  std::string path_;
};

}  // namespace vor

#endif  // VOR_SETTINGS_SETTINGS_FILE_H_

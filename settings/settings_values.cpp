#include "settings/settings_values.h"

#include "core/text_util.h"
#include "settings/settings_file.h"

namespace vor {

SettingsValues SettingsValues::Read(const std::string& path) {
  SettingsFile file;
  file.FileName(path);
  SettingsValues values;
  try {
    values = file.ReadAll();
  } catch (const Error& e) {
    values = SettingsValues();
    values.error_ = e;
  }
  values.path_ = path;
  return values;
}

std::string SettingsValues::ReadValue(const std::string& section,
                                      const std::string& key) const {
  if (error_) throw *error_;
  const auto found = values_.find({FoldAsciiCase(section), FoldAsciiCase(key)});
  return found == values_.end() ? "" : found->second;
}

void SettingsValues::Set(const std::string& section, const std::string& key,
                         const std::string& value) {
  values_[{FoldAsciiCase(section), FoldAsciiCase(key)}] = value;
}

}  // namespace vor

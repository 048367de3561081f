#include "app/folder_check.h"

#include <filesystem>
#include <system_error>

namespace vor {

bool FolderCheck::FolderExists(const std::string& path) const {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

}  // namespace vor

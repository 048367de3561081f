#include "app/folder_locator.h"

#include <cstdlib>

namespace vor {

std::string FolderLocator::BasePath() const {
  const char* base = std::getenv("VOR_BASE_DIR");
  if (base != nullptr && base[0] != '\0') return base;
  return "/etc";
}

}  // namespace vor

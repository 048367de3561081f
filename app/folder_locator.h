// FolderLocator: where the maker's machine-wide data folder lives. The
// settings folder of the program is this base followed by "/zoltix".
#ifndef VOR_APP_FOLDER_LOCATOR_H_
#define VOR_APP_FOLDER_LOCATOR_H_

#include <string>

namespace vor {

class FolderLocator {
 public:
  // The environment variable VOR_BASE_DIR when it is set and not empty,
  // else "/etc". Returned exactly as found: no separator added or removed.
  std::string BasePath() const;
};

}  // namespace vor

#endif  // VOR_APP_FOLDER_LOCATOR_H_

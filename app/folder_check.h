// FolderCheck: tells whether a folder exists.
#ifndef VOR_APP_FOLDER_CHECK_H_
#define VOR_APP_FOLDER_CHECK_H_

#include <string>

namespace vor {

class FolderCheck {
 public:
  // True when `path` names an existing folder (or a link to one). A file,
  // a missing path, an empty path or one that cannot be examined gives
  // false; never raises.
  bool FolderExists(const std::string& path) const;
};

}  // namespace vor

#endif  // VOR_APP_FOLDER_CHECK_H_

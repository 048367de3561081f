// WriteAtomically: produces a file under a temporary name beside its final
// path and renames it over that path only once it is complete, so readers
// never see half a file and a failed export leaves the old file (or none).
#ifndef VOR_PROPOSAL_ATOMIC_FILE_H_
#define VOR_PROPOSAL_ATOMIC_FILE_H_

#include <functional>
#include <string>

namespace vor {

// Calls `produce` with a temporary path in the folder of `path`; when it
// returns, renames the temporary file to `path` (replacing a file there).
// When `produce` raises, or the rename fails, the temporary file is removed
// and the error propagates (a failed rename as Error 75 naming `path`).
void WriteAtomically(const std::string& path,
                     const std::function<void(const std::string&)>& produce);

}  // namespace vor

#endif  // VOR_PROPOSAL_ATOMIC_FILE_H_

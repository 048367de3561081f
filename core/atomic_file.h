// AtomicFile: writes a whole file so that its readers see either the old
// file or the complete new one, never half of it, and so that nobody else
// sharing the folder can redirect or read the write. The bytes go first
// into a temporary file beside the target, created exclusively under a
// name nobody can predict (".<target>.<12 random letters>.vortmp", opened
// with O_CREAT|O_EXCL|O_NOFOLLOW, so a file or symbolic link planted in the
// folder is never followed nor overwritten), then are synced to disk,
// renamed over the target, and the folder is synced so the rename lasts.
//
// WriteIn places all of this relative to an opened Folder (core/folder.h),
// so that the folder's path can be swapped for a link without effect.
//
// A run killed half-way leaves its temporary file behind; the next write in
// the same folder removes such leftovers (only regular files of this user
// whose name has that form and that no live writer holds locked).
//
//   AtomicFile::Write("/srv/relatorios/Proposta.xlsx", bytes);
#ifndef VOR_CORE_ATOMIC_FILE_H_
#define VOR_CORE_ATOMIC_FILE_H_

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/folder.h"

namespace vor {

class AtomicFile {
 public:
  struct Options {
    // Permissions of a file that did not exist yet (the umask applies).
    mode_t new_mode = 0666;
    // When the target exists: give the new file its permission bits and,
    // when the process may, its owner and group (a settings file). When
    // false the new file is made as a new one (a report or an export).
    bool keep_existing = false;
    // The start of the error's description; empty for "Não foi possível
    // escrever o ficheiro <path>". The reason follows after ": ".
    std::string failure_text;
  };

  // Replaces `path` with `bytes` as described above. Raises Error 75
  // "Não foi possível escrever o ficheiro <path>: <reason>" (or
  // options.failure_text and the reason) when any step fails; the temporary
  // file is then removed and `path` is as it was.
  static void Write(const std::string& path, std::string_view bytes);
  static void Write(const std::string& path, std::string_view bytes,
                    const Options& options);
  // As Write, for the file `name` (no '/') of the opened `folder`: the
  // temporary file is made, renamed and removed relative to the folder,
  // and the messages name folder.PathOf(name).
  static void WriteIn(const Folder& folder, const std::string& name,
                      std::string_view bytes);
  static void WriteIn(const Folder& folder, const std::string& name,
                      std::string_view bytes, const Options& options);

  // As WriteIn for each of `files` (name, bytes; new files, default
  // Options) in `folder`, for many small files at once: the data of up to
  // 64 files is synced in one go (syncfs) before they are renamed over their
  // targets, and the folder once at the end, instead of twice per file.
  // Each file is still complete or not written at all. Returns, per file,
  // "" when it was written, else the description WriteIn would raise.
  static std::vector<std::string> WriteAllIn(
      const Folder& folder,
      const std::vector<std::pair<std::string, std::string>>& files);

  // Removes the temporary files that earlier, killed writers left in
  // `folder` (see above). Returns how many were removed; never raises.
  static int RemoveLeftovers(const std::string& folder);

  // Whether `file_name` (no folder) has the form of a temporary file name.
  static bool IsTemporaryName(std::string_view file_name);
};

}  // namespace vor

#endif  // VOR_CORE_ATOMIC_FILE_H_

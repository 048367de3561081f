// Folder: a folder the program writes into but need not own (the report
// folder, the log folder), opened once and then used only through its
// descriptor. Opening walks the path one component at a time from the
// root (or the working folder). A symbolic link met on the way is followed
// only when it belongs to root or to the user running (an administrator's
// /var/run -> /run, a link of one's own), at most 40 of them; a link of any
// other user is refused, so a folder another user swapped for a link, or a
// link they planted on the way, cannot redirect the write. Every file made,
// renamed or removed afterwards is placed relative to the opened folder
// (openat, renameat, unlinkat), so renaming the folder's path away during
// a run cannot redirect it either.
//
// Files are opened in it without following a link and only when they are
// regular files: a FIFO or a device at the name is refused at once (the
// open never waits on a FIFO), naming the file.
//
//   Folder reports = Folder::Open("/srv/relatorios");
//   if (!reports.sharing_warning().empty()) log(reports.sharing_warning());
//   AtomicFile::WriteIn(reports, "Proposta.xlsx", bytes);
#ifndef VOR_CORE_FOLDER_H_
#define VOR_CORE_FOLDER_H_

#include <sys/types.h>

#include <string>
#include <string_view>

namespace vor {

class Folder {
 public:
  // Opens `path` ("" is the working folder) as described above. Raises
  // Error 75 saying which component is missing, another user's link, not a
  // folder or not open to this user, or that the path has too many links
  // (a loop), and naming `path`.
  static Folder Open(const std::string& path);
  // Opens `path` as the system resolves it, links followed: the folder of
  // a file the user named (the settings file, an export). Raises Error 75
  // whose description is the system's reason alone (strerror), for the
  // caller to place after the file it was writing.
  static Folder OpenAsGiven(const std::string& path);

  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  int fd() const { return fd_; }
  // The path the folder is written under now: the path it was opened with
  // while that path still leads to it, else where the system finds the
  // opened folder now (renamed away during the run).
  std::string Path() const;
  // `name` placed in Path(), for messages.
  std::string PathOf(const std::string& name) const;
  // When the folder or a folder above it may be changed by another user
  // (writable by everyone without the sticky bit, or owned by a user other
  // than root and the one running): a sentence naming that folder and why;
  // "" otherwise.
  const std::string& sharing_warning() const { return sharing_warning_; }

  // Opens the regular file `name` (no '/') in the folder with `flags`
  // (O_WRONLY | O_APPEND | O_CREAT ...; O_NOFOLLOW, O_NONBLOCK and
  // O_CLOEXEC are added, O_NONBLOCK removed again once open) and `mode`
  // for a new file. Returns the descriptor, the caller's to close, or -1
  // with errno set when the system refuses the open for another reason
  // (no permission, no space). Raises Error 75 naming the file when it is
  // a link, a FIFO, a device, a socket or a folder.
  int OpenRegularFile(const std::string& name, int flags, mode_t mode) const;

  // Makes the regular file `name` (no '/'), which does not exist yet,
  // already holding `bytes`: they are written into an unnamed file of the
  // folder (O_TMPFILE) that is then linked under `name`, so that nobody,
  // not even a run killed half-way, leaves the file without them. `flags`
  // are the open's (O_WRONLY, O_APPEND ...), `mode` a new file's (the
  // umask applies). Returns the descriptor of the file now at `name`, the
  // caller's to close, or -1 with errno set and nothing left behind:
  // EEXIST when `name` exists (or appeared meanwhile), else the reason the
  // file could not be made this way (the file system has no unnamed files,
  // no space, no permission), for the caller to open `name` as usual.
  int CreateFileHolding(const std::string& name, std::string_view bytes,
                        int flags, mode_t mode) const;

 private:
  Folder(int fd, std::string path, std::string warning);
  int fd_ = -1;
  std::string path_;
  std::string sharing_warning_;
};

}  // namespace vor

#endif  // VOR_CORE_FOLDER_H_

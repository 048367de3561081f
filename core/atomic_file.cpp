#include "core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>

#include "core/error.h"

namespace vor {

namespace {

constexpr std::string_view kSuffix = ".vortmp";
constexpr size_t kRandomLetters = 12;
// Room left in a file name (255 bytes) for the target's own name.
constexpr size_t kLongestKeptName = 200;

// Twelve letters and digits nobody can guess.
std::string RandomLetters() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[kRandomLetters];
  size_t got = 0;
  while (got < sizeof random) {
    const ssize_t n = ::getrandom(random + got, sizeof random - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(errnum::kFileError,
                  std::string("Não foi possível obter um nome aleatório: ") +
                      std::strerror(errno));
    }
    got += static_cast<size_t>(n);
  }
  std::string letters;
  for (unsigned char r : random) letters += kAlphabet[r % 62];
  return letters;
}

bool IsAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9');
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; returns close's result.
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

}  // namespace

bool AtomicFile::IsTemporaryName(std::string_view name) {
  // "." + at least one byte + "." + 12 letters + ".vortmp"
  const size_t tail = 1 + kRandomLetters + kSuffix.size();
  if (name.size() < 2 + tail || name.front() != '.' ||
      !name.ends_with(kSuffix)) {
    return false;
  }
  const std::string_view letters = name.substr(
      name.size() - kSuffix.size() - kRandomLetters, kRandomLetters);
  for (char c : letters) {
    if (!IsAlnum(c)) return false;
  }
  return name[name.size() - tail] == '.';
}

namespace {

// RemoveLeftovers for an open folder, which stays open.
int RemoveLeftoversIn(int folder_fd) {
  const int dir_fd =
      ::openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return 0;
  DIR* dir = ::fdopendir(dir_fd);
  if (dir == nullptr) {
    ::close(dir_fd);
    return 0;
  }
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (!AtomicFile::IsTemporaryName(name)) continue;
    // Only a plain file of this user: a link, a pipe or a device with such
    // a name is not ours, and opening a device could have effects.
    struct stat before {};
    if (::fstatat(dir_fd, name, &before, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(before.st_mode) || before.st_uid != ::geteuid()) {
      continue;
    }
    Descriptor fd(
        ::openat(dir_fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 ||
        opened.st_ino != before.st_ino || opened.st_dev != before.st_dev) {
      continue;
    }
    // A writer holds its temporary file locked until the rename: a lock
    // that can be taken means that writer has died.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (::unlinkat(dir_fd, name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

// Creates the temporary file of `target` in `dir` exclusively, under a
// fresh random name (set in `*temporary`), with `mode`, and locks it; its
// descriptor, or -1 with errno set.
int CreateTemporary(int dir, const std::string& target, mode_t mode,
                    std::string* temporary) {
  std::string name = target;
  if (name.size() > kLongestKeptName) name.resize(kLongestKeptName);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = "." + name + "." + RandomLetters() + std::string(kSuffix);
    const int fd =
        ::openat(dir, temporary->c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno != EEXIST) return -1;
      continue;
    }
    // The lock is held until the rename, so that RemoveLeftovers of another
    // writer in the same folder leaves this file alone. Between its creation
    // and the lock, that writer may have taken the file for a dead writer's:
    // then the lock is its, or the file is no longer in the folder, and
    // another name is tried (a folder without locks keeps the file as it
    // is).
    const bool taken =
        ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    struct stat held {};
    if (!taken && ::fstat(fd, &held) == 0 && held.st_nlink > 0) return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

// Writes all of `bytes` to `fd`: 0, or the errno of the failure.
int WriteFully(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int AtomicFile::RemoveLeftovers(const std::string& folder) {
  try {
    return RemoveLeftoversIn(Folder::OpenAsGiven(folder).fd());
  } catch (const Error&) {
    return 0;
  }
}

void AtomicFile::Write(const std::string& path, std::string_view bytes) {
  Write(path, bytes, Options());
}

void AtomicFile::Write(const std::string& path, std::string_view bytes,
                       const Options& options) {
  const std::filesystem::path target(path);
  const std::string name = target.filename().string();
  Options named = options;
  if (named.failure_text.empty()) {
    named.failure_text = "Não foi possível escrever o ficheiro " + path;
  }
  if (name.empty()) {
    throw Error(errnum::kFileError,
                named.failure_text + ": " + std::strerror(EISDIR));
  }
  std::string folder = target.parent_path().string();
  if (folder.empty()) folder = ".";
  Folder opened = [&] {
    try {
      return Folder::OpenAsGiven(folder);
    } catch (const Error& e) {
      throw Error(errnum::kFileError,
                  named.failure_text + ": " + e.description());
    }
  }();
  WriteIn(opened, name, bytes, named);
}

void AtomicFile::WriteIn(const Folder& folder, const std::string& name,
                         std::string_view bytes) {
  WriteIn(folder, name, bytes, Options());
}

void AtomicFile::WriteIn(const Folder& folder, const std::string& target,
                         std::string_view bytes, const Options& options) {
  const std::string failure =
      options.failure_text.empty()
          ? "Não foi possível escrever o ficheiro " + folder.PathOf(target)
          : options.failure_text;
  const auto fail = [&](int err) {
    throw Error(errnum::kFileError, failure + ": " + std::strerror(err));
  };
  if (target.empty() || target.find('/') != std::string::npos) fail(EINVAL);
  const int dir = folder.fd();

  RemoveLeftoversIn(dir);

  struct stat old {};
  const bool keep = options.keep_existing &&
                    ::fstatat(dir, target.c_str(), &old, 0) == 0 &&
                    S_ISREG(old.st_mode);
  std::string temporary;
  const int fd =
      CreateTemporary(dir, target, keep ? 0600 : options.new_mode, &temporary);
  if (fd < 0) fail(errno);
  Descriptor file(fd);
  // From here on every failure removes the temporary file.
  const auto fail_removing = [&](int err) {
    ::unlinkat(dir, temporary.c_str(), 0);
    fail(err);
  };
  if (keep) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) fail_removing(errno);
    // Keeping the owner only succeeds for a privileged process; for anyone
    // else the new file belongs to the user who wrote it.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
  }
  if (const int err = WriteFully(fd, bytes)) fail_removing(err);
  if (::fsync(fd) != 0) fail_removing(errno);
  if (::renameat(dir, temporary.c_str(), dir, target.c_str()) != 0) {
    fail_removing(errno);
  }
  file.Close();
  // Make the rename itself durable. The new file is complete in place
  // already, so a folder that cannot be synced does not undo the write.
  ::fsync(dir);
}

std::vector<std::string> AtomicFile::WriteAllIn(
    const Folder& folder,
    const std::vector<std::pair<std::string, std::string>>& files) {
  // Files written before one sync of their data; their descriptors stay
  // open (and locked) until their rename.
  constexpr size_t kBatch = 64;
  std::vector<std::string> errors(files.size());
  const int dir = folder.fd();
  RemoveLeftoversIn(dir);
  for (size_t start = 0; start < files.size(); start += kBatch) {
    const size_t end = std::min(files.size(), start + kBatch);
    std::deque<Descriptor> open;
    std::vector<std::pair<size_t, std::string>> pending;  // index, temporary
    const auto failed = [&](size_t i, int err) {
      errors[i] = "Não foi possível escrever o ficheiro " +
                  folder.PathOf(files[i].first) + ": " + std::strerror(err);
    };
    for (size_t i = start; i < end; ++i) {
      const std::string& target = files[i].first;
      if (target.empty() || target.find('/') != std::string::npos) {
        failed(i, EINVAL);
        continue;
      }
      std::string temporary;
      const int fd = CreateTemporary(dir, target, 0666, &temporary);
      if (fd < 0) {
        failed(i, errno);
        continue;
      }
      open.emplace_back(fd);
      if (const int err = WriteFully(fd, files[i].second)) {
        ::unlinkat(dir, temporary.c_str(), 0);
        failed(i, err);
        continue;
      }
      pending.emplace_back(i, std::move(temporary));
    }
    // The whole batch's data reaches the disk before any of it is renamed
    // over its target.
    const int synced = ::syncfs(dir) == 0 ? 0 : errno;
    for (const auto& [i, temporary] : pending) {
      if (synced != 0) {
        ::unlinkat(dir, temporary.c_str(), 0);
        failed(i, synced);
      } else if (::renameat(dir, temporary.c_str(), dir,
                            files[i].first.c_str()) != 0) {
        const int err = errno;
        ::unlinkat(dir, temporary.c_str(), 0);
        failed(i, err);
      }
    }
  }
  // Make the renames durable (see WriteIn).
  ::fsync(dir);
  return errors;
}

}  // namespace vor

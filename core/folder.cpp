#include "core/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "core/error.h"

namespace vor {
namespace {

[[noreturn]] void Fail(const std::string& text) {
  throw Error(errnum::kFileError, text);
}

std::string Shown(const std::string& path) {
  return path.empty() ? std::string(".") : path;
}

// Why `at` (a prefix of `path`) could not be opened as a folder.
[[noreturn]] void FailAt(int err, int parent, const std::string& component,
                         const std::string& at, const std::string& path) {
  struct stat st {};
  const bool is_link =
      ::fstatat(parent, component.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISLNK(st.st_mode);
  const std::string folder = "a pasta " + Shown(path);
  if (is_link) {
    Fail(folder + " não foi aberta: '" + at +
         "' é uma ligação simbólica, que não é seguida (indique o caminho "
         "real da pasta)");
  }
  switch (err) {
    case ENOENT:
      Fail(folder + " não existe");
    case ENOTDIR:
      Fail(folder + " não foi aberta: '" + at + "' não é uma pasta");
    case EACCES:
    case EPERM:
      Fail(folder + " não foi aberta: sem permissão para entrar em '" + at +
           "'");
    default:
      Fail("Não foi possível abrir " + folder + ": " + std::strerror(err));
  }
}

// The warning for a folder another user may change, or "".
std::string WarningFor(const struct stat& st, const std::string& at) {
  if ((st.st_mode & S_IWOTH) != 0 && (st.st_mode & S_ISVTX) == 0) {
    return "Aviso: a pasta '" + at +
           "' pode ser alterada por qualquer utilizador (escrita por todos, "
           "sem o bit sticky)";
  }
  if (st.st_uid != 0 && st.st_uid != ::geteuid()) {
    return "Aviso: a pasta '" + at + "' pertence a outro utilizador (uid " +
           std::to_string(st.st_uid) + ")";
  }
  return "";
}

}  // namespace

Folder::Folder(int fd, std::string path, std::string warning)
    : fd_(fd), path_(std::move(path)), sharing_warning_(std::move(warning)) {}

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      sharing_warning_(std::move(other.sharing_warning_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    sharing_warning_ = std::move(other.sharing_warning_);
  }
  return *this;
}

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
}

Folder Folder::Open(const std::string& path) {
  const bool absolute = path.starts_with('/');
  int fd = ::open(absolute ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) FailAt(errno, AT_FDCWD, absolute ? "/" : ".", Shown(path), path);
  std::string at = absolute ? "/" : "";
  std::string warning;
  struct stat st {};
  if (::fstat(fd, &st) == 0) warning = WarningFor(st, at.empty() ? "." : at);
  size_t begin = 0;
  while (begin < path.size()) {
    size_t end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(begin, end - begin);
    begin = end + 1;
    if (component.empty() || component == ".") continue;
    if (!at.empty() && at.back() != '/') at += '/';
    at += component;
    // A folder on the way needs only to be passed through; the folder
    // itself is read too (for the leftovers of killed writers) when the
    // user may.
    const bool last = path.find_first_not_of("/.", begin) == std::string::npos;
    const int flags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int next =
        ::openat(fd, component.c_str(), (last ? O_RDONLY : O_PATH) | flags);
    if (next < 0 && last && errno == EACCES) {
      next = ::openat(fd, component.c_str(), O_PATH | flags);
    }
    if (next < 0) {
      const int err = errno;
      const std::string failed_at = at;
      try {
        FailAt(err, fd, component, failed_at, path);
      } catch (...) {
        ::close(fd);
        throw;
      }
    }
    ::close(fd);
    fd = next;
    if (warning.empty() && ::fstat(fd, &st) == 0) warning = WarningFor(st, at);
  }
  return Folder(fd, path, warning);
}

Folder Folder::OpenAsGiven(const std::string& path) {
  const std::string shown = Shown(path);
  int fd = ::open(shown.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) {
    fd = ::open(shown.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (fd < 0) Fail(std::strerror(errno));
  return Folder(fd, path, "");
}

std::string Folder::Path() const {
  struct stat opened {
  }, named{}, link{};
  const std::string shown = Shown(path_);
  // The path still leads to the opened folder: the name it was given.
  if (::fstat(fd_, &opened) == 0 && ::stat(shown.c_str(), &named) == 0 &&
      ::lstat(shown.c_str(), &link) == 0 && !S_ISLNK(link.st_mode) &&
      named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
    return path_;
  }
  char buffer[PATH_MAX];
  const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
  const ssize_t n = ::readlink(proc.c_str(), buffer, sizeof buffer - 1);
  if (n <= 0) return path_;
  return std::string(buffer, static_cast<size_t>(n));
}

std::string Folder::PathOf(const std::string& name) const {
  std::string path = Path();
  if (path.empty()) return name;
  if (path.back() != '/') path += '/';
  return path + name;
}

int Folder::OpenRegularFile(const std::string& name, int flags,
                            mode_t mode) const {
  const auto refuse = [&](const std::string& what) {
    Fail("O ficheiro '" + PathOf(name) + "' " + what +
         ": só se escreve num ficheiro comum");
  };
  const auto kind = [&](mode_t m) -> std::string {
    if (S_ISLNK(m)) return "é uma ligação simbólica";
    if (S_ISFIFO(m)) return "é um FIFO (pipe com nome)";
    if (S_ISDIR(m)) return "é uma pasta";
    if (S_ISCHR(m) || S_ISBLK(m)) return "é um dispositivo";
    if (S_ISSOCK(m)) return "é um socket";
    return "não é um ficheiro comum";
  };
  // Refused before opening: opening a device may itself do something.
  struct stat before {};
  if (::fstatat(fd_, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0 &&
      !S_ISREG(before.st_mode)) {
    refuse(kind(before.st_mode));
  }
  const int fd = ::openat(fd_, name.c_str(),
                          flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
  if (fd < 0) {
    const int err = errno;
    if (err == ELOOP) refuse(kind(S_IFLNK));
    if (err == ENXIO) refuse(kind(S_IFIFO));
    if (err == EISDIR) refuse(kind(S_IFDIR));
    errno = err;
    return -1;
  }
  // What was opened may have been put there after the check above.
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    const mode_t m = opened.st_mode;
    ::close(fd);
    refuse(kind(m));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

int Folder::CreateFileHolding(const std::string& name, std::string_view bytes,
                              int flags, mode_t mode) const {
  struct stat st {};
  if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return -1;
  }
  const int fd = ::openat(fd_, ".", flags | O_TMPFILE | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  const auto fail = [fd] {
    const int err = errno;
    ::close(fd);  // never linked: the unnamed file goes with it
    errno = err;
    return -1;
  };
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return fail();
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  // Linking needs the file's path: its entry under /proc, followed.
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, proc.c_str(), fd_, name.c_str(), AT_SYMLINK_FOLLOW) !=
      0) {
    return fail();
  }
  return fd;
}

}  // namespace vor

#include "core/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
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
[[noreturn]] void FailAt(int err, const std::string& at,
                         const std::string& path) {
  const std::string folder = "a pasta " + Shown(path);
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

// The links followed on one path at most, as the system itself does: a
// loop of links ends here.
constexpr int kMostLinks = 40;

// The components of `path` in order, "" and "." left out.
std::deque<std::string> ComponentsOf(const std::string& path) {
  std::deque<std::string> components;
  size_t begin = 0;
  while (begin < path.size()) {
    size_t end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(begin, end - begin);
    if (!component.empty() && component != ".") {
      components.push_back(std::move(component));
    }
    begin = end + 1;
  }
  return components;
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
  int fd = -1;
  std::string at;
  std::string warning;
  struct stat st {};
  // Starts the walk again from the root (an absolute path or link) or the
  // working folder.
  const auto start_at = [&](bool absolute) {
    const int start =
        ::open(absolute ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (start < 0) FailAt(errno, absolute ? "/" : ".", path);
    if (fd >= 0) ::close(fd);
    fd = start;
    at = absolute ? "/" : "";
    if (warning.empty() && ::fstat(fd, &st) == 0) {
      warning = WarningFor(st, at.empty() ? "." : at);
    }
  };
  std::deque<std::string> components = ComponentsOf(path);
  int links = 0;
  try {
    start_at(path.starts_with('/'));
    while (!components.empty()) {
      const std::string component = std::move(components.front());
      components.pop_front();
      const std::string parent_at = at;
      if (!at.empty() && at.back() != '/') at += '/';
      at += component;
      // A folder on the way needs only to be passed through; the folder
      // itself is read too (for the leftovers of killed writers) when the
      // user may.
      const bool last = components.empty();
      const int flags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
      int next =
          ::openat(fd, component.c_str(), (last ? O_RDONLY : O_PATH) | flags);
      if (next < 0 && last && errno == EACCES) {
        next = ::openat(fd, component.c_str(), O_PATH | flags);
      }
      if (next >= 0) {
        ::close(fd);
        fd = next;
        if (warning.empty() && ::fstat(fd, &st) == 0) {
          warning = WarningFor(st, at);
        }
        continue;
      }
      const int err = errno;
      // A link is followed only when it belongs to root or to the user
      // running: no other user can make one of theirs, while a link of
      // someone else may point anywhere. The link is examined and read
      // through one descriptor, so that it cannot be swapped in between.
      const int link =
          ::openat(fd, component.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
      struct stat link_st {};
      const bool is_link =
          link >= 0 && ::fstat(link, &link_st) == 0 && S_ISLNK(link_st.st_mode);
      if (!is_link) {
        if (link >= 0) ::close(link);
        FailAt(err, at, path);
      }
      if (link_st.st_uid != 0 && link_st.st_uid != ::geteuid()) {
        ::close(link);
        Fail("a pasta " + Shown(path) + " não foi aberta: '" + at +
             "' é uma ligação simbólica de outro utilizador (uid " +
             std::to_string(link_st.st_uid) +
             "), que não é seguida (indique o caminho real da pasta)");
      }
      char target[PATH_MAX];
      ssize_t n = ::readlinkat(link, "", target, sizeof target);
      if (n == static_cast<ssize_t>(sizeof target)) {
        n = -1;
        errno = ENAMETOOLONG;
      }
      const int read_err = errno;
      ::close(link);
      if (n < 0) FailAt(read_err, at, path);
      if (++links > kMostLinks) {
        Fail("a pasta " + Shown(path) + " não foi aberta: mais de " +
             std::to_string(kMostLinks) +
             " ligações simbólicas no caminho (um ciclo?), a última em '" + at +
             "'");
      }
      const std::string to(target, static_cast<size_t>(n));
      std::deque<std::string> followed = ComponentsOf(to);
      components.insert(components.begin(), followed.begin(), followed.end());
      if (to.starts_with('/')) {
        start_at(true);
      } else {
        at = parent_at;
      }
    }
  } catch (...) {
    if (fd >= 0) ::close(fd);
    throw;
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
  }, named{};
  const std::string shown = Shown(path_);
  // The path still leads to the opened folder: the name it was given.
  if (::fstat(fd_, &opened) == 0 && ::stat(shown.c_str(), &named) == 0 &&
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

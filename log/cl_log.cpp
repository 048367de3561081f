#include "log/cl_log.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string_view>
#include <utility>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/text_util.h"

namespace vor {

namespace {

constexpr char kFirstLine[] = "Início da Emissão";

struct Stamp {
  int year;
  unsigned month, day;
  long hours, minutes, seconds;
};

Stamp StampOf(LocalTime t) {
  using namespace std::chrono;
  const local_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> hms{t - day};
  return {static_cast<int>(ymd.year()),
          static_cast<unsigned>(ymd.month()),
          static_cast<unsigned>(ymd.day()),
          hms.hours().count(),
          hms.minutes().count(),
          static_cast<long>(hms.seconds().count())};
}

// "[dd-mm-yyyy][HH:MM:SS] "
std::string LinePrefix(LocalTime t) {
  const Stamp s = StampOf(t);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "[%02u-%02u-%04d][%02ld:%02ld:%02ld] ",
                s.day, s.month, s.year, s.hours, s.minutes, s.seconds);
  return buffer;
}

// The system's reason for a failed file operation, in the program's
// language where it is one an operator meets.
std::string SystemReason(int err) {
  switch (err) {
    case ENOSPC:
      return "sem espaço em disco";
    case EDQUOT:
      return "quota de disco esgotada";
    case EROFS:
      return "sistema de ficheiros só de leitura";
    case EIO:
      return "erro de entrada/saída no disco";
    case EACCES:
    case EPERM:
      return "sem permissão";
    case 0:
      return "erro de escrita";
    default:
      return std::strerror(err);
  }
}

// Where the log folder came from, for the messages.
std::string Origin(const std::string& folder_setting,
                   const std::string& settings_path) {
  return folder_setting.empty()
             ? " ([Log] Directoria vazio em '" + settings_path +
                   "': pasta do ficheiro de parâmetros)"
             : " ([Log] Directoria em '" + settings_path + "')";
}

// Why the day's log `path` could not be opened, cause first, naming the
// file at fault; `origin` says where the folder came from.
std::string OpenFailureText(int err, const std::string& path,
                            const std::string& origin) {
  switch (err) {
    case EACCES:
    case EPERM:
      return "Sem permissão para escrever o ficheiro de registo '" + path +
             "'" + origin;
  }
  return "Não foi possível abrir o ficheiro de registo '" + path +
         "': " + SystemReason(err) + origin;
}

// Why the log folder `folder` could not be opened (`reason`, from
// Folder::Open), cause first.
std::string FolderFailureText(const std::string& folder,
                              const std::string& reason,
                              const std::string& origin) {
  const std::string shown = folder.empty() ? std::string(".") : folder;
  std::error_code ec;
  const auto status = std::filesystem::status(shown, ec);
  const bool file_on_the_way =
      ec.value() == ENOTDIR ||
      (!ec && status.type() != std::filesystem::file_type::directory);
  if (!file_on_the_way &&
      status.type() == std::filesystem::file_type::not_found) {
    return "A pasta de registo '" + shown + "' não existe" + origin;
  }
  if (file_on_the_way) {
    return "A pasta de registo '" + shown +
           "' não é uma pasta: uma parte do caminho é um ficheiro" + origin;
  }
  // The reason names the folder and the part of its path at fault.
  std::string text = reason;
  if (text.starts_with("a pasta")) text[0] = 'A';
  return text + origin;
}

}  // namespace

cl_log::cl_log(LocalClock clock) : clock_(std::move(clock)) {}

cl_log::~cl_log() { Fechar(); }

std::string cl_log::BuildPath(const std::string& folder,
                              const std::string& settings_path, LocalTime day) {
  std::string dir = Trimmed(folder);
  if (dir.empty()) {
    // No folder configured: the settings file's own folder, rather than the
    // root of the file system.
    dir = std::filesystem::path(settings_path).parent_path().string();
  }
  if (!dir.empty() && dir.back() != '/') dir += '/';
  const Stamp s = StampOf(day);
  char name[64];
  std::snprintf(name, sizeof name, "LOG_VOR_ENC%04d%02u%02u.txt", s.year,
                s.month, s.day);
  return dir + name;
}

bool cl_log::Abrir(const std::string& folder, const std::string& NomeIni) {
  Fechar();
  folder_.reset();
  open_error_.clear();
  try {
    path_ = BuildPath(folder, NomeIni, clock_());
    const std::string origin = Origin(Trimmed(folder), NomeIni);
    const std::string dir = std::filesystem::path(path_).parent_path();
    try {
      folder_.emplace(Folder::Open(dir));
    } catch (const Error& e) {
      open_error_ = FolderFailureText(dir, e.description(), origin);
      return false;
    }
    // A new day's file is made already holding its first line, so that a
    // run killed at its start never leaves it empty; a file there already
    // (an earlier run of the day) is appended to.
    const int created = folder_->CreateFileHolding(
        std::filesystem::path(path_).filename(), Lines(kFirstLine),
        O_WRONLY | O_APPEND, 0666);
    if (!OpenFile(origin, created)) return false;
    StartFlusher();
    if (created < 0) Escrever(kFirstLine);
    if (!folder_->sharing_warning().empty()) {
      Escrever(folder_->sharing_warning() + " ([Log] Directoria)");
    }
    return true;
  } catch (const Error& e) {
    open_error_ = e.description();
  } catch (const std::exception& e) {
    open_error_ = "Não foi possível abrir o ficheiro de registo '" + path_ +
                  "': " + e.what();
  }
  Fechar();
  return false;
}

bool cl_log::OpenFile(const std::string& origin, int fd) {
  if (fd < 0) {
    const std::string name = std::filesystem::path(path_).filename();
    try {
      fd = folder_->OpenRegularFile(name, O_WRONLY | O_APPEND | O_CREAT, 0666);
    } catch (const Error& e) {
      open_error_ = e.description() + origin;
      return false;
    }
  }
  if (fd < 0) {
    open_error_ = OpenFailureText(errno, path_, origin);
    return false;
  }
  file_ = ::fdopen(fd, "a");
  if (file_ == nullptr) {
    open_error_ = OpenFailureText(errno, path_, origin);
    ::close(fd);
    return false;
  }
  return true;
}

bool cl_log::Reabrir() {
  if (file_ != nullptr) return true;
  if (path_.empty() || !folder_) return false;
  if (!OpenFile("", -1)) return false;
  StartFlusher();
  return true;
}

void cl_log::StartFlusher() {
  stop_ = false;
  flusher_ = std::thread([this] { FlusherLoop(); });
}

void cl_log::StopFlusher() {
  if (!flusher_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  flusher_.join();
}

void cl_log::FlusherLoop() {
  constexpr auto kTick = std::chrono::milliseconds(200);
  constexpr auto kLongestWait = std::chrono::milliseconds(500);
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, kTick);
    if (stop_ || pending_.empty() || deferred_) continue;
    if (std::chrono::steady_clock::now() - pending_since_ < kLongestWait) {
      continue;
    }
    try {
      FlushLocked();
    } catch (const Error& e) {
      // Nobody to tell here: the next call of the log raises it.
      deferred_ = e;
    }
  }
}

void cl_log::RaiseDeferred() {
  if (!deferred_) return;
  const Error e = *deferred_;
  deferred_.reset();
  throw e;
}

void cl_log::RequireOpen() const {
  if (file_ != nullptr) return;
  if (path_.empty()) {
    throw Error(errnum::kFileError, "O ficheiro de registo não foi aberto");
  }
  throw Error(errnum::kFileError,
              "O ficheiro de registo '" + path_ + "' não está aberto");
}

std::string cl_log::Lines(const std::string& Mensagem) const {
  // A message of several lines becomes several stamped lines, so that every
  // line of the file keeps the "[date][time] " form and its CR LF end.
  const std::string prefix = LinePrefix(clock_());
  std::string text;
  std::string_view rest(Mensagem);
  do {
    const size_t end = rest.find_first_of("\r\n");
    text += prefix;
    text += EscapeControlBytes(rest.substr(0, end));
    text += "\r\n";
    if (end == std::string_view::npos) break;
    size_t next = end + 1;
    if (rest[end] == '\r' && next < rest.size() && rest[next] == '\n') ++next;
    rest.remove_prefix(next);
  } while (!rest.empty());
  return text;
}

void cl_log::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  RaiseDeferred();
  FlushLocked();
}

void cl_log::FlushLocked() {
  if (pending_.empty() || file_ == nullptr) return;
  std::string text = line_cut_ ? "\r\n" + pending_ : pending_;
  pending_.clear();
  errno = 0;
  const bool written =
      std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  const bool flushed = written && std::fflush(file_) == 0;
  if (!flushed) {
    const int err = errno;
    // Drop what is still buffered; part of the lines may be on disk
    // already, so the next line begins by ending the cut one.
    __fpurge(file_);
    std::clearerr(file_);
    line_cut_ = true;
    throw Error(errnum::kFileError,
                "Não foi possível escrever no ficheiro de registo '" + path_ +
                    "': " + SystemReason(err));
  }
  line_cut_ = false;
}

void cl_log::Escrever(const std::string& Mensagem) {
  RequireOpen();
  const std::string lines = Lines(Mensagem);
  std::lock_guard<std::mutex> lock(mutex_);
  RaiseDeferred();
  pending_ += lines;
  FlushLocked();
}

void cl_log::EscreverProgresso(const std::string& Mensagem) {
  RequireOpen();
  const std::string lines = Lines(Mensagem);
  std::lock_guard<std::mutex> lock(mutex_);
  RaiseDeferred();
  const auto now = std::chrono::steady_clock::now();
  if (pending_.empty()) pending_since_ = now;
  pending_ += lines;
  if (now - pending_since_ >= std::chrono::seconds(1)) FlushLocked();
}

void cl_log::Fechar() {
  StopFlusher();
  if (file_ == nullptr) return;
  deferred_.reset();
  try {
    FlushLocked();
  } catch (const Error&) {
    // The lines could not be written; Fechar has no caller to tell.
  }
  // Every line was flushed above, so closing has nothing left to lose; its
  // result carries no news.
  std::fclose(file_);
  file_ = nullptr;
  line_cut_ = false;
  pending_.clear();
}

}  // namespace vor

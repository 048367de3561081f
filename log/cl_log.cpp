#include "log/cl_log.h"

#include <stdio_ext.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string_view>
#include <utility>

#include "core/error.h"
#include "settings/parametros.h"

namespace vor {

namespace {

constexpr char kFirstLine[] = "Início da Emissão";

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

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

bool cl_log::Abrir(const std::string& NomeIni) {
  Fechar();
  open_error_.clear();
  try {
    Parametros parametros;
    parametros.set_FicheiroIni(NomeIni);
    // A settings file that cannot be read leaves the folder empty, so the
    // log still goes next to the settings file.
    parametros.Ler();
    path_ = BuildPath(parametros.Log_Directoria(), NomeIni, clock_());
    file_ = std::fopen(path_.c_str(), "abe");
    if (file_ == nullptr) {
      open_error_ = "Não foi possível abrir o ficheiro de registo '" + path_ +
                    "': " + std::strerror(errno);
      return false;
    }
    Escrever(kFirstLine);
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

bool cl_log::Reabrir() {
  if (file_ != nullptr) return true;
  if (path_.empty()) return false;
  file_ = std::fopen(path_.c_str(), "abe");
  return file_ != nullptr;
}

void cl_log::Escrever(const std::string& Mensagem) {
  if (file_ == nullptr) {
    if (path_.empty()) {
      throw Error(errnum::kFileError, "O ficheiro de registo não foi aberto");
    }
    throw Error(errnum::kFileError,
                "O ficheiro de registo '" + path_ + "' não está aberto");
  }
  // A message of several lines becomes several stamped lines, so that every
  // line of the file keeps the "[date][time] " form and its CR LF end.
  const std::string prefix = LinePrefix(clock_());
  std::string text = line_cut_ ? "\r\n" : "";
  std::string_view rest(Mensagem);
  do {
    const size_t end = rest.find_first_of("\r\n");
    text += prefix;
    text += rest.substr(0, end);
    text += "\r\n";
    if (end == std::string_view::npos) break;
    size_t next = end + 1;
    if (rest[end] == '\r' && next < rest.size() && rest[next] == '\n') ++next;
    rest.remove_prefix(next);
  } while (!rest.empty());

  errno = 0;
  const bool written =
      std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  const bool flushed = written && std::fflush(file_) == 0;
  if (!flushed) {
    const int err = errno;
    // Drop what is still buffered; part of the line may be on disk already,
    // so the next line begins by ending it.
    __fpurge(file_);
    std::clearerr(file_);
    line_cut_ = true;
    throw Error(
        errnum::kFileError,
        "Não foi possível escrever no ficheiro de registo '" + path_ +
            "': " + (err != 0 ? std::strerror(err) : "erro de escrita"));
  }
  line_cut_ = false;
}

void cl_log::Fechar() {
  if (file_ == nullptr) return;
  // Every line was flushed when written, so closing has nothing left to
  // lose; its result carries no news.
  std::fclose(file_);
  file_ = nullptr;
  line_cut_ = false;
}

}  // namespace vor

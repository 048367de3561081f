// cl_log: the daily run log. One UTF-8 text file per day,
// "LOG_VOR_ENC" + yyyymmdd + ".txt" in the folder of the Log/Directoria
// setting (trimmed; the settings file's folder when empty), lines
// "[dd-mm-yyyy][HH:MM:SS] message" ended by CR LF, each flushed when written.
#ifndef VOR_LOG_CL_LOG_H_
#define VOR_LOG_CL_LOG_H_

#include <cstdio>
#include <string>

#include "core/clock.h"

namespace vor {

class cl_log {
 public:
  explicit cl_log(LocalClock clock = SystemLocalClock());
  ~cl_log();
  cl_log(const cl_log&) = delete;
  cl_log& operator=(const cl_log&) = delete;

  // Reads the log folder from the settings file `NomeIni`, opens the day's
  // file for appending and writes "Início da Emissão". Absorbs every error:
  // returns false when the file could not be opened or the line written.
  bool Abrir(const std::string& NomeIni);
  // Appends "[date][time] Mensagem". Raises Error 75 naming the log path
  // when the log is not open or the line cannot be written.
  void Escrever(const std::string& Mensagem);
  // Opens the file of the last Abrir again for appending, without a first
  // line, so that what happens after a closing (a run's error handler
  // closes the log) can still be written. True when the file is open.
  bool Reabrir();
  // Closes the file. Harmless when not open.
  void Fechar();

  bool is_open() const { return file_ != nullptr; }
  // The path chosen by the last Abrir ("" before).
  const std::string& path() const { return path_; }
  // Why the last Abrir failed ("" when it succeeded).
  const std::string& open_error() const { return open_error_; }

  // The file path for a log folder, the settings file's path and a day:
  // the trimmed folder, a '/' unless it ends in one, "LOG_VOR_ENC",
  // yyyymmdd, ".txt"; the settings file's folder when the folder is empty.
  static std::string BuildPath(const std::string& folder,
                               const std::string& settings_path, LocalTime day);

 private:
  LocalClock clock_;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string open_error_;
  // A write failed part-way: the next line first ends the cut one.
  bool line_cut_ = false;
};

}  // namespace vor

#endif  // VOR_LOG_CL_LOG_H_

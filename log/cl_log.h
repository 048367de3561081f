// cl_log: the daily run log. One UTF-8 text file per day,
// "LOG_VOR_ENC" + yyyymmdd + ".txt" in the folder of the Log/Directoria
// setting (trimmed; the settings file's folder when empty), lines
// "[dd-mm-yyyy][HH:MM:SS] message" ended by CR LF. Escrever reaches the file
// at once; EscreverProgresso, for the many progress lines of a run, is
// buffered and reaches it within a second whatever the caller is doing: a
// small thread of the log writes lines that have waited half a second, so
// a run stuck in one article and then killed still leaves that article's
// line in the file. A killed run loses at most its last second of progress
// lines and never a line written with Escrever. The log's functions are
// called from one thread; that thread and the log's own share the buffer
// and the file under a mutex.
//
// The folder is opened once without following a link anywhere in its path
// (core/folder.h), and the day's file is opened in it, and opened again,
// only as a regular file: a link, a FIFO or a device planted at its name
// is refused at once. A folder another user may change is named in a
// warning line after the first line. Every line is valid UTF-8 with its
// control characters shown (EscapeControlBytes), so no text written can
// start a line of its own.
#ifndef VOR_LOG_CL_LOG_H_
#define VOR_LOG_CL_LOG_H_

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/clock.h"
#include "core/error.h"
#include "core/folder.h"

namespace vor {

class cl_log {
 public:
  explicit cl_log(LocalClock clock = SystemLocalClock());
  ~cl_log();
  cl_log(const cl_log&) = delete;
  cl_log& operator=(const cl_log&) = delete;

  // Opens the day's file in `folder`, the [Log] Directoria setting as
  // stored (trimmed here; the folder of the settings file `NomeIni` when
  // empty), for appending and writes "Início da Emissão" (and the
  // warning for a shared folder); a file new that day appears already
  // holding that line. Absorbs every error: returns false when
  // the folder or the file could not be opened or the line written.
  bool Abrir(const std::string& folder, const std::string& NomeIni);
  // Appends "[date][time] Mensagem", after any buffered lines, and flushes
  // the file. Raises Error 75 naming the log path when the log is not open
  // or the lines cannot be written.
  void Escrever(const std::string& Mensagem);
  // As Escrever, stamped now, but the line waits in a buffer until a line
  // is written a second or more after the oldest one waiting, Escrever or
  // Fechar is called, or the log's thread finds it waiting for half a
  // second. Raises Error 75 as Escrever when the log is not open or a
  // flush it (or the log's thread since the last call) made failed.
  void EscreverProgresso(const std::string& Mensagem);
  // Writes the buffered lines now. Error 75 as Escrever when that fails.
  // Harmless when nothing waits or the log is not open.
  void Flush();
  // Opens the file of the last Abrir again for appending, without a first
  // line, so that what happens after a closing (a run's error handler
  // closes the log) can still be written. True when the file is open.
  bool Reabrir();
  // Writes any buffered lines (a failure is dropped: nothing is left to
  // report it to) and closes the file. Harmless when not open.
  void Fechar();

  bool is_open() const { return file_ != nullptr; }
  // The path chosen by the last Abrir ("" before).
  const std::string& path() const { return path_; }
  // Why the last Abrir failed ("" when it succeeded), cause first: the
  // folder (naming [Log] Directoria and the settings file) or the file at
  // fault and the reason.
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
  // The folder of the last Abrir, kept for Reabrir.
  std::optional<Folder> folder_;
  // Opens the day's file in folder_ into file_, or takes `fd` (>= 0: the
  // file, open already); false with open_error_ set (origin: where the
  // folder came from) when it cannot be.
  bool OpenFile(const std::string& origin, int fd);
  std::string open_error_;
  // "[date][time] " + Mensagem, as one or more lines ended by CR LF, each
  // with its control characters shown.
  std::string Lines(const std::string& Mensagem) const;
  void RequireOpen() const;
  // Flush with mutex_ held.
  void FlushLocked();
  // Raises, once, the failure the log's thread met (mutex_ held).
  void RaiseDeferred();
  // The log's thread: starts with an open file, stops before it closes.
  void StartFlusher();
  void StopFlusher();
  void FlusherLoop();

  std::mutex mutex_;  // guards what follows, and file_ while flushing
  std::condition_variable wake_;
  std::thread flusher_;
  bool stop_ = false;
  std::optional<Error> deferred_;

  // A write failed part-way: the next line first ends the cut one.
  bool line_cut_ = false;
  // Lines not yet written, and when the oldest of them was stamped.
  std::string pending_;
  std::chrono::steady_clock::time_point pending_since_;
};

}  // namespace vor

#endif  // VOR_LOG_CL_LOG_H_

// ErrorNumberUnderFileSizeLimit: runs a piece of code with the process's
// file-size limit lowered, so that its writes fail the way they do on a full
// disk, and returns the number of the vor::Error it raised.
//
//   std::string why;
//   EXPECT_EQ(ErrorNumberUnderFileSizeLimit(100, [&] { log.Escrever(big); },
//                                           &why),
//             errnum::kFileError);
#ifndef VOR_TESTING_FILE_SIZE_LIMIT_H_
#define VOR_TESTING_FILE_SIZE_LIMIT_H_

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>
#include <string>

#include "testing/error_number.h"

namespace vor {

// Runs `f` with the file-size limit at `bytes` and SIGXFSZ ignored, then
// puts both back; returns as ErrorNumber does. `f` must check and print
// nothing: the test's own output would meet the limit too. Raises
// std::runtime_error when the limit cannot be set.
template <typename F>
long ErrorNumberUnderFileSizeLimit(rlim_t bytes, F f,
                                   std::string* description = nullptr) {
  struct rlimit old_limit;
  if (::getrlimit(RLIMIT_FSIZE, &old_limit) != 0) {
    throw std::runtime_error("getrlimit(RLIMIT_FSIZE) failed");
  }
  struct rlimit limit = old_limit;
  limit.rlim_cur = bytes;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
    std::signal(SIGXFSZ, old_handler);
    throw std::runtime_error("setrlimit(RLIMIT_FSIZE) failed");
  }
  const long number = ErrorNumber(f, description);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  return number;
}

}  // namespace vor

#endif  // VOR_TESTING_FILE_SIZE_LIMIT_H_

#include "proposal/atomic_file.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "core/error.h"

namespace vor {

void WriteAtomically(const std::string& path,
                     const std::function<void(const std::string&)>& produce) {
  namespace fs = std::filesystem;
  const std::string temporary =
      path + ".tmp-" + std::to_string(static_cast<long>(getpid()));
  std::error_code ignored;
  try {
    produce(temporary);
  } catch (...) {
    fs::remove(temporary, ignored);
    throw;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ignored);
    throw Error(errnum::kFileError, "Não foi possível escrever o ficheiro " +
                                        path + ": " + ec.message());
  }
}

}  // namespace vor

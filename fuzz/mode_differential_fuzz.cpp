// Fuzz target of the two reading modes: the input's bytes drive the
// generator of a hostile ERP (HostileErp), and the engine's literal and bulk
// runs on it must leave the same outcome, table, log and progress list, with
// no NUL byte in either log (ModeComparison). An input that breaks this is
// kept under regressions/mode_differential/ and replayed by every build.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "testing/hostile_erp.h"
#include "testing/mode_comparison.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() /
                       ("vor_mode_fuzz_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "erp.sqlite").string();
  vor::HostileErp(std::string_view(reinterpret_cast<const char*>(data), size))
      .Write(path);
  const std::string difference = vor::ModeComparison::Compare(path);
  std::error_code ec;
  fs::remove_all(dir, ec);
  VOR_FUZZ_CHECK(difference.empty(), difference.c_str());
  return 0;
}

#include "bench/bench_site.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tools/demo_erp_generator.h"

namespace vor::bench {

namespace fs = std::filesystem;

bool ParseBenchOptions(int argc, char** argv, const char* name,
                       BenchOptions* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--repeat" && i + 1 < argc) {
      options->repeat = std::atoi(argv[++i]);
    } else if (a == "--keep" && i + 1 < argc) {
      options->keep = argv[++i];
    } else {
      options->articles = std::atoi(a.c_str());
    }
  }
  if (options->repeat >= 1 && options->articles >= 1) return true;
  std::fprintf(stderr, "usage: %s [--repeat R] [--keep DIR] [articles]\n",
               name);
  return false;
}

double BestOf(int repeat, const std::function<void()>& f) {
  double best = 0;
  for (int i = 0; i < repeat; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
            .count();
    if (i == 0 || s < best) best = s;
  }
  return best;
}

BenchSite::BenchSite(const BenchOptions& options, const std::string& name)
    : options_(options),
      folder_(options.keep.empty()
                  ? fs::temp_directory_path() /
                        (name + "_" + std::to_string(::getpid()))
                  : fs::path(options.keep)),
      erp_(folder_ / "erp.sqlite") {
  fs::create_directories(folder_ / "zoltix");
  fs::create_directories(folder_ / "log");
  GenerateDemoErp(erp_.string(), options.articles, 2026);
  std::ofstream(folder_ / "zoltix" / "VOREncomendas.zlx", std::ios::binary)
      << "[BD]\r\nServidor=sqlite\r\nBaseDados=" << erp_.string()
      << "\r\nUtilizador=bench\r\nPassword=\r\n[Motor]\r\nLeitura=Conjunto"
      << "\r\n[Log]\r\nDirectoria=" << (folder_ / "log").string() << "\r\n";
}

BenchSite::~BenchSite() {
  std::error_code ignored;
  if (options_.keep.empty()) fs::remove_all(folder_, ignored);
}

std::optional<double> BenchSite::BestSilentRun() const {
  const fs::path program =
      fs::canonical("/proc/self/exe").parent_path().parent_path() /
      "vorencomendas";
  const std::string run =
      "VOR_BASE_DIR='" + folder_.string() + "' '" + program.string() + "' /S";
  bool failed = false;
  const double best = BestOf(options_.repeat, [&] {
    if (std::system(run.c_str()) != 0) failed = true;
  });
  if (!failed) return best;
  std::fprintf(stderr, "the silent run failed: %s\n", run.c_str());
  return std::nullopt;
}

}  // namespace vor::bench

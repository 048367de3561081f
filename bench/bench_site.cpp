#include "bench/bench_site.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "db/qt_sql_connection.h"
#include "testing/test_database.h"
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

BenchSite::BenchSite(const BenchOptions& options, const std::string& name,
                     bool report)
    : options_(options),
      folder_(options.keep.empty()
                  ? fs::temp_directory_path() /
                        (name + "_" + std::to_string(::getpid()))
                  : fs::path(options.keep)),
      erp_(folder_ / "erp.sqlite"),
      report_(report ? folder_ / "relatorios" : fs::path()) {
  fs::create_directories(folder_ / "zoltix");
  fs::create_directories(folder_ / "log");
  GenerateDemoErp(erp_.string(), options.articles, 2026);
  std::ofstream(folder_ / "zoltix" / "VOREncomendas.zlx", std::ios::binary)
      << "[BD]\r\nServidor=sqlite\r\nBaseDados=" << erp_.string()
      << "\r\nUtilizador=bench\r\nPassword=\r\n[Motor]\r\nLeitura=Conjunto"
      << "\r\n[Log]\r\nDirectoria=" << (folder_ / "log").string() << "\r\n"
      << (report ? "[Relatorio]\r\nPasta=" + report_.string() + "\r\n"
                 : std::string());
}

BenchSite::~BenchSite() {
  std::error_code ignored;
  if (options_.keep.empty()) fs::remove_all(folder_, ignored);
}

void BenchSite::SetReportFolderAside(const fs::path& folder) {
  // Moved aside, not deleted: deleting a run's thousand files makes the
  // file system slower to create the next run's (freed inodes are skipped
  // one by one for a while), which a morning run that finds yesterday's
  // files in place never pays. The site's folder goes at the end.
  static int set_aside = 0;
  if (fs::exists(folder)) {
    fs::rename(folder,
               folder.parent_path() / ("aside-" + std::to_string(++set_aside)));
  }
  fs::create_directories(folder);
}

fs::path BenchSite::BuiltProgram() {
  return fs::canonical("/proc/self/exe").parent_path().parent_path() /
         "vorencomendas";
}

std::optional<RunTime> BenchSite::SilentRun(const fs::path& program) const {
  if (!report_.empty()) SetReportFolderAside(report_);
  const std::string run =
      "VOR_BASE_DIR='" + folder_.string() + "' '" + program.string() + "' /S";
  const auto cpu = [] {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec +
                               usage.ru_stime.tv_usec) /
               1e6;
  };
  const double cpu_before = cpu();
  const auto t0 = std::chrono::steady_clock::now();
  const int status = std::system(run.c_str());
  RunTime time;
  time.wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
          .count();
  time.cpu = cpu() - cpu_before;
  if (status == 0) return time;
  std::fprintf(stderr, "the silent run failed: %s\n", run.c_str());
  return std::nullopt;
}

std::optional<double> BenchSite::BestSilentRun() const {
  std::optional<double> best;
  for (int i = 0; i < options_.repeat; ++i) {
    const std::optional<RunTime> run = SilentRun(BuiltProgram());
    if (!run) return std::nullopt;
    if (!best || run->wall < *best) best = run->wall;
  }
  return best;
}

bool BenchSite::OpenErp(QtSqlConnection* connection) const {
  if (connection->OpenConnection(testing::SqliteOpenParameters(
          erp_.string(), testing::SqlitePath::kEmbedded))) {
    return true;
  }
  std::fprintf(stderr, "%s\n", connection->OpenFailure().c_str());
  return false;
}

}  // namespace vor::bench

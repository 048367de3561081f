// BenchSite: the installation the late-orders benches time the program on:
// a generated demo ERP (seed 2026, dated today, bulk reading) with its
// settings file, in a folder of its own (with, when asked, a report folder
// the morning report's workbook and order files go to), and the best time
// of the built program's silent run on it, the reference every figure is
// a share of.
// Also the benches' common command line, "[--repeat R] [--keep DIR]
// [articles]".
//
//   BenchOptions options;
//   if (!ParseBenchOptions(argc, argv, &options)) return 2;
//   BenchSite site(options, "vor_late_bench");
//   const std::optional<double> silent = site.BestSilentRun();
#ifndef VOR_BENCH_BENCH_SITE_H_
#define VOR_BENCH_BENCH_SITE_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vor {
class QtSqlConnection;
}  // namespace vor

namespace vor::bench {

struct BenchOptions {
  int repeat = 3;
  int articles = 50000;
  std::string keep;  // the folder to leave the site in; "": a temporary one
};

// Reads "[--repeat R] [--keep DIR] [articles]" into `options`; false (after
// printing the usage of `name` on stderr) when a count is below 1.
bool ParseBenchOptions(int argc, char** argv, const char* name,
                       BenchOptions* options);

// The best time of `repeat` calls of `f`, in seconds.
double BestOf(int repeat, const std::function<void()>& f);

// One run of a program: wall time and the processor time (user and
// system) of the process, in seconds.
struct RunTime {
  double wall = 0;
  double cpu = 0;
};

class BenchSite {
 public:
  // Generates the ERP of `options.articles` and the settings file in
  // `options.keep`, or in a temporary folder named `name` and the process
  // id; with `report`, the settings drop the morning report in the folder
  // report_folder() ([Relatorio] Pasta).
  BenchSite(const BenchOptions& options, const std::string& name,
            bool report = false);
  // Removes a temporary folder.
  ~BenchSite();
  BenchSite(const BenchSite&) = delete;
  BenchSite& operator=(const BenchSite&) = delete;

  const std::filesystem::path& erp() const { return erp_; }
  const std::filesystem::path& report_folder() const { return report_; }
  // Empties `folder` (inside the site's folder) for the next run by moving
  // what it holds aside, to be deleted with the site.
  static void SetReportFolderAside(const std::filesystem::path& folder);
  // The program built beside the bench.
  static std::filesystem::path BuiltProgram();
  // One silent run ("/S") of `program` on the site, into an emptied report
  // folder; nullopt (after saying so on stderr) when it fails.
  std::optional<RunTime> SilentRun(const std::filesystem::path& program) const;
  // The best time of `options.repeat` silent runs ("/S") of the program
  // built beside the bench, in seconds; nullopt (after saying so on stderr)
  // when one fails.
  std::optional<double> BestSilentRun() const;
  // Opens `connection` on the site's ERP (embedded SQLite); false, after
  // saying why on stderr, when it cannot.
  bool OpenErp(QtSqlConnection* connection) const;

 private:
  BenchOptions options_;
  std::filesystem::path folder_;
  std::filesystem::path erp_;
  std::filesystem::path report_;  // "" when the report is not asked for
};

}  // namespace vor::bench

#endif  // VOR_BENCH_BENCH_SITE_H_

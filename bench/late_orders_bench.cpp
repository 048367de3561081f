// late_orders_bench: what the late supplier orders add to a morning, on a
// generated ERP (default 50 000 articles, seed 2026, dated today). First the
// silent run of the built program ("/S", bulk reading, no report), best of
// the repeats, as the reference; then, in-process on the proposal it wrote,
// best of the repeats each:
//   - finding the late lines and the proposal without them
//     (LateOrderFinder::Find: one statement, then the calculator's final
//     step per article with late lines) — what the report and the window's
//     open both pay;
//   - the digest's section and summary line and the workbook's sheet
//     (LateOrderReport), and the sheet's bytes in a workbook of its own
//     (WorkbookWriter) — what the report adds on top.
// Each figure is printed in milliseconds and as a share of the silent run.
//
//   late_orders_bench [--repeat R] [--keep DIR] [articles]
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "db/qt_sql_connection.h"
#include "engine/late_order_finder.h"
#include "proposal/late_order_report.h"
#include "proposal/proposal_table.h"
#include "proposal/proposal_view.h"
#include "proposal/workbook_writer.h"
#include "testing/test_database.h"
#include "tools/demo_erp_generator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The best time of `repeat` calls of `f`, in seconds.
double Best(int repeat, const std::function<void()>& f) {
  double best = 0;
  for (int i = 0; i < repeat; ++i) {
    const auto t0 = Clock::now();
    f();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (i == 0 || s < best) best = s;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int repeat = 3;
  int articles = 50000;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else {
      articles = std::atoi(a.c_str());
    }
  }
  if (repeat < 1 || articles < 1) {
    std::fprintf(stderr,
                 "usage: late_orders_bench [--repeat R] [--keep DIR] "
                 "[articles]\n");
    return 2;
  }
  const fs::path program =
      fs::canonical("/proc/self/exe").parent_path().parent_path() /
      "vorencomendas";
  const fs::path site =
      keep.empty() ? fs::temp_directory_path() /
                         ("vor_late_bench_" + std::to_string(::getpid()))
                   : fs::path(keep);
  fs::create_directories(site / "zoltix");
  fs::create_directories(site / "log");
  const fs::path erp = site / "erp.sqlite";
  vor::GenerateDemoErp(erp.string(), articles, 2026);
  std::ofstream(site / "zoltix" / "VOREncomendas.zlx", std::ios::binary)
      << "[BD]\r\nServidor=sqlite\r\nBaseDados=" << erp.string()
      << "\r\nUtilizador=bench\r\nPassword=\r\n[Motor]\r\nLeitura=Conjunto"
      << "\r\n[Log]\r\nDirectoria=" << (site / "log").string() << "\r\n";

  const std::string run =
      "VOR_BASE_DIR='" + site.string() + "' '" + program.string() + "' /S";
  bool failed = false;
  const double silent = Best(repeat, [&] {
    if (std::system(run.c_str()) != 0) failed = true;
  });
  if (failed) {
    std::fprintf(stderr, "the silent run failed: %s\n", run.c_str());
    return 1;
  }

  vor::QtSqlConnection connection;
  if (!connection.OpenConnection(vor::testing::SqliteOpenParameters(
          erp.string(), vor::testing::SqlitePath::kEmbedded))) {
    std::fprintf(stderr, "%s\n", connection.OpenFailure().c_str());
    return 1;
  }
  vor::ProposalView view;
  view.SetTable(vor::ProposalTable::Read(connection));
  const int max_days_late = 90;
  const vor::LocalTime today = vor::SystemLocalClock()();

  vor::LateOrders late;
  const double find = Best(repeat, [&] {
    late = vor::LateOrderFinder::Find(connection, view.table().rows(), today,
                                      max_days_late);
  });
  if (!late.available()) {
    std::fprintf(stderr, "%s\n", late.unavailable_reason().c_str());
    return 1;
  }
  vor::DigestInput in;
  in.view = &view;
  in.started = today;
  in.late = &late;
  size_t sheet_bytes = 0;
  const double report = Best(repeat, [&] {
    const std::string line = vor::LateOrderReport::SummaryLine(in);
    const auto section =
        vor::LateOrderReport::Section(in, "folha «Em atraso» do anexo");
    std::vector<vor::Sheet> sheets;
    if (auto sheet = vor::LateOrderReport::LateSheet(in)) {
      sheets.push_back(std::move(*sheet));
    }
    if (line.empty() || !section || sheets.empty()) failed = true;
    sheet_bytes = vor::WorkbookWriter::Bytes(sheets, "Em_atraso.xlsx").size();
  });
  if (keep.empty()) fs::remove_all(site);
  if (failed) {
    std::fprintf(stderr, "no late supplier order in the generated ERP\n");
    return 1;
  }

  auto share = [&](double s) { return 100.0 * s / silent; };
  std::printf(
      "articles %d, proposal rows %d, late lines %zu, articles with "
      "late lines %zu\n",
      articles, view.table().size(), late.lines().size(),
      late.articles().size());
  std::printf("silent run (best of %d)              %8.0f ms\n", repeat,
              silent * 1000);
  std::printf("find late orders + without them       %8.1f ms  %5.2f %%\n",
              find * 1000, share(find));
  std::printf("section, summary line, sheet (%zu KB)  %8.1f ms  %5.2f %%\n",
              sheet_bytes / 1024, report * 1000, share(report));
  std::printf("report extra (both)                   %8.1f ms  %5.2f %%\n",
              (find + report) * 1000, share(find + report));
  return 0;
}

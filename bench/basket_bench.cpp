// basket_bench: what the baskets per supplier and their order files add to
// a morning report, on a generated ERP (default 50 000 articles, seed 2026,
// dated today, with the demo's supplier terms). First the silent run of the
// built program with the report dropped in a folder ("/S", bulk reading,
// [Relatorio] Pasta), best of the repeats, as the reference; then,
// in-process on the proposal it wrote, best of the repeats each:
//   - reading the terms and making every basket with its suggestions
//     (SupplierTerms::Read, SupplierBaskets::All);
//   - writing every supplier's order file into an empty folder
//     (OrderFile::DropAll: a workbook each, written with AtomicFile), and
//     of that the workbooks alone, built in memory.
// Each figure is printed in milliseconds and as a share of the silent run.
// The order files are written on a thread of their own while the report is
// built: with --before PROGRAM (the program built without them), the silent
// runs of both alternate and the difference of their best times is what
// the whole feature adds to the run.
//
//   basket_bench [--repeat R] [--keep DIR] [--before PROGRAM] [articles]
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
#include "proposal/order_file.h"
#include "proposal/proposal_table.h"
#include "proposal/supplier_basket.h"
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
  std::string keep, before;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--before" && i + 1 < argc) {
      before = argv[++i];
    } else if (a == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else {
      articles = std::atoi(a.c_str());
    }
  }
  if (repeat < 1 || articles < 1) {
    std::fprintf(
        stderr,
        "usage: basket_bench [--repeat R] [--keep DIR] [--before PROGRAM] "
        "[articles]\n");
    return 2;
  }
  const fs::path program =
      fs::canonical("/proc/self/exe").parent_path().parent_path() /
      "vorencomendas";
  const fs::path site =
      keep.empty() ? fs::temp_directory_path() /
                         ("vor_basket_bench_" + std::to_string(::getpid()))
                   : fs::path(keep);
  const fs::path drop = site / "drop";
  fs::create_directories(site / "zoltix");
  fs::create_directories(site / "log");
  const fs::path erp = site / "erp.sqlite";
  vor::GenerateDemoErp(erp.string(), articles, 2026);
  std::ofstream(site / "zoltix" / "VOREncomendas.zlx", std::ios::binary)
      << "[BD]\r\nServidor=sqlite\r\nBaseDados=" << erp.string()
      << "\r\nUtilizador=bench\r\nPassword=\r\n[Motor]\r\nLeitura=Conjunto"
      << "\r\n[Log]\r\nDirectoria=" << (site / "log").string()
      << "\r\n[Relatorio]\r\nPasta=" << drop.string() << "\r\n";

  const auto command = [&](const std::string& binary) {
    return "VOR_BASE_DIR='" + site.string() + "' '" + binary + "' /S";
  };
  bool failed = false;
  const auto time_run = [&](const std::string& binary) {
    fs::remove_all(drop);
    fs::create_directories(drop);
    const auto t0 = Clock::now();
    if (std::system(command(binary).c_str()) != 0) failed = true;
    return std::chrono::duration<double>(Clock::now() - t0).count();
  };
  double silent = 0, silent_before = 0;
  for (int i = 0; i < repeat; ++i) {
    const double s = time_run(program.string());
    if (i == 0 || s < silent) silent = s;
    if (!before.empty()) {
      const double b = time_run(before);
      if (i == 0 || b < silent_before) silent_before = b;
    }
  }
  if (failed) {
    std::fprintf(stderr, "a silent run failed\n");
    return 1;
  }

  vor::QtSqlConnection connection;
  if (!connection.OpenConnection(vor::testing::SqliteOpenParameters(
          erp.string(), vor::testing::SqlitePath::kEmbedded))) {
    std::fprintf(stderr, "%s\n", connection.OpenFailure().c_str());
    return 1;
  }
  const vor::ProposalTable table = vor::ProposalTable::Read(connection);
  std::vector<vor::SupplierBasket> baskets;
  const double make = Best(repeat, [&] {
    baskets = vor::SupplierBaskets(
                  &table.rows(), vor::SupplierTerms::Read(connection),
                  vor::WholeUnits(), vor::Currency::FromInt(365))
                  .All();
  });
  int short_baskets = 0, suggestions = 0;
  for (const vor::SupplierBasket& b : baskets) {
    if (b.short_of_target()) ++short_baskets;
    suggestions += static_cast<int>(b.suggestions.size());
  }
  const vor::LocalTime today = vor::SystemLocalClock()();
  size_t bytes = 0;
  const double books = Best(repeat, [&] {
    bytes = 0;
    for (const vor::SupplierBasket& b : baskets) {
      bytes += vor::WorkbookWriter::Bytes(
                   vor::OrderFile::Sheets(b, table.rows(), today), "bench")
                   .size();
    }
  });
  std::vector<std::string> delivered, failures;
  const double files = Best(repeat, [&] {
    fs::remove_all(drop);
    fs::create_directories(drop);
    delivered.clear();
    vor::OrderFile::DropAll(drop.string(), &baskets, table.rows(), today,
                            &delivered, &failures);
  });
  if (keep.empty()) fs::remove_all(site);
  if (!failures.empty() || delivered.empty()) {
    std::fprintf(stderr, "order files not written: %s\n",
                 failures.empty() ? "none" : failures[0].c_str());
    return 1;
  }

  auto share = [&](double s) { return 100.0 * s / silent; };
  std::printf(
      "articles %d, proposal rows %d, baskets %zu (%d short, %d "
      "suggestions)\n",
      articles, table.size(), baskets.size(), short_baskets, suggestions);
  std::printf("silent run with the report (best of %d) %8.0f ms\n", repeat,
              silent * 1000);
  std::printf("terms and baskets                       %8.1f ms  %5.2f %%\n",
              make * 1000, share(make));
  std::printf("  of which the workbooks (%zu KB)       %8.1f ms  %5.2f %%\n",
              bytes / 1024, books * 1000, share(books));
  std::printf("order files                             %8.1f ms  %5.2f %%\n",
              files * 1000, share(files));
  std::printf("both                                    %8.1f ms  %5.2f %%\n",
              (make + files) * 1000, share(make + files));
  if (!before.empty()) {
    std::printf("silent run with the report, before     %8.0f ms\n",
                silent_before * 1000);
    std::printf("added to the run (best against best)   %8.0f ms  %5.2f %%\n",
                (silent - silent_before) * 1000,
                100.0 * (silent - silent_before) / silent_before);
  }
  return 0;
}

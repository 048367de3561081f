// window_open_bench: what reading the late supplier orders adds to the
// opening of the proposal window, on a generated ERP (default 50 000
// articles, seed 2026, dated today). First the silent run of the built
// program ("/S", bulk reading), best of the repeats, as the reference; then,
// in-process on the proposal it wrote, the window's read of its table
// (frmProposta::Refresh: the table, the previous run, the summary, the
// supplier list, the columns' widths) without and with the late supplier
// orders, taken in turn, best of the repeats each. The difference is the
// cost of the late orders in the window's open, printed in milliseconds and
// as a share of the silent run; the finder alone (LateOrderFinder::Find,
// outside the window's read) is printed beside it.
//
//   window_open_bench [--repeat R] [--keep DIR] [articles]
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_proposta.h"
#include "bench/bench_site.h"
#include "db/qt_sql_connection.h"
#include "engine/late_order_finder.h"
#include "proposal/proposal_table.h"
#include "testing/test_database.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  // No screen needed: the window is built and read, not shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  vor::bench::BenchOptions options;
  if (!vor::bench::ParseBenchOptions(argc, argv, "window_open_bench",
                                     &options)) {
    return 2;
  }
  const int repeat = options.repeat;
  const int articles = options.articles;
  const vor::bench::BenchSite site(options, "vor_window_bench");
  const std::optional<double> best_silent = site.BestSilentRun();
  if (!best_silent) return 1;
  const double silent = *best_silent;
  bool failed = false;

  vor::QtSqlConnection connection;
  if (!site.OpenErp(&connection)) return 1;
  const vor::LocalTime today = vor::SystemLocalClock()();
  size_t late_lines = 0;
  double in_window = 0;  // the finder's best time inside the window's read
  size_t late_articles = 0;
  const auto find = [&](vor::Connection& c,
                        const std::vector<vor::ProposalRow>& rows) {
    vor::LateOrders late;
    const double took =
        Seconds([&] { late = vor::LateOrderFinder::Find(c, rows, today, 90); });
    if (in_window == 0 || took < in_window) in_window = took;
    if (!late.available()) failed = true;
    late_lines = late.lines().size();
    late_articles = late.articles().size();
    return late;
  };
  auto* without = new vor::frmProposta(&connection);
  auto* with = new vor::frmProposta(&connection);
  with->SetLateOrders(find);
  without->Refresh();  // the first read warms the file's pages for both
  double best_without = 0;
  double best_with = 0;
  for (int i = 0; i < repeat; ++i) {
    // Each first in turn, so that neither always follows the other.
    double a = 0;
    double b = 0;
    if (i % 2 == 0) {
      a = Seconds([&] { without->Refresh(); });
      b = Seconds([&] { with->Refresh(); });
    } else {
      b = Seconds([&] { with->Refresh(); });
      a = Seconds([&] { without->Refresh(); });
    }
    if (i == 0 || a < best_without) best_without = a;
    if (i == 0 || b < best_with) best_with = b;
  }
  const double in_window_best = in_window;
  // The finder alone, outside the window's read, for comparison.
  const std::vector<vor::ProposalRow> rows =
      vor::ProposalTable::Read(connection).rows();
  double best_find = 0;
  for (int i = 0; i < repeat; ++i) {
    const double f = Seconds([&] { find(connection, rows); });
    if (i == 0 || f < best_find) best_find = f;
  }
  delete without;
  delete with;
  if (failed || late_lines == 0) {
    std::fprintf(stderr, "the late supplier orders were not found\n");
    return 1;
  }

  auto share = [&](double s) { return 100.0 * s / silent; };
  std::printf("articles %d, late lines %zu, articles with late lines %zu\n",
              articles, late_lines, late_articles);
  std::printf("silent run (best of %d)            %8.0f ms\n", repeat,
              silent * 1000);
  std::printf("window read, without late orders   %8.1f ms  %5.2f %%\n",
              best_without * 1000, share(best_without));
  std::printf("window read, with late orders      %8.1f ms  %5.2f %%\n",
              best_with * 1000, share(best_with));
  std::printf("late orders' extra                 %8.1f ms  %5.2f %%\n",
              (best_with - best_without) * 1000,
              share(best_with - best_without));
  std::printf("the finder inside the window's read %7.1f ms  %5.2f %%\n",
              in_window_best * 1000, share(in_window_best));
  std::printf("the finder alone                   %8.1f ms  %5.2f %%\n",
              best_find * 1000, share(best_find));
  return 0;
}

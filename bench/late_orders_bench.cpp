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
#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_site.h"
#include "db/qt_sql_connection.h"
#include "engine/late_order_finder.h"
#include "proposal/late_order_report.h"
#include "proposal/proposal_table.h"
#include "proposal/proposal_view.h"
#include "proposal/workbook_writer.h"
#include "testing/test_database.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vor::bench::BenchOptions options;
  if (!vor::bench::ParseBenchOptions(argc, argv, "late_orders_bench",
                                     &options)) {
    return 2;
  }
  const int repeat = options.repeat;
  const int articles = options.articles;
  const vor::bench::BenchSite site(options, "vor_late_bench");
  const std::optional<double> best_silent = site.BestSilentRun();
  if (!best_silent) return 1;
  const double silent = *best_silent;
  bool failed = false;

  vor::QtSqlConnection connection;
  if (!site.OpenErp(&connection)) return 1;
  vor::ProposalView view;
  view.SetTable(vor::ProposalTable::Read(connection));
  const int max_days_late = 90;
  const vor::LocalTime today = vor::SystemLocalClock()();

  vor::LateOrders late;
  const double find = vor::bench::BestOf(repeat, [&] {
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
  const double report = vor::bench::BestOf(repeat, [&] {
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

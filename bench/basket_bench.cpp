// basket_bench: what the baskets per supplier and their order files add to
// a morning report, on a generated ERP (default 50 000 articles, seed 2026,
// dated today, with the demo's supplier terms). First the silent run of the
// built program with the report dropped in a folder ("/S", bulk reading,
// [Relatorio] Pasta), best of the repeats in wall and in processor time,
// as the reference; then,
// in-process on the proposal it wrote, best of the repeats each:
//   - reading the terms and making every basket with its suggestions
//     (SupplierTerms::Read, SupplierBaskets::All);
//   - writing every supplier's order file into an empty folder
//     (OrderFile::DropAll: a workbook each, written with AtomicFile), and
//     of that the workbooks alone, built in memory;
//   - the basket of the supplier with the most lines computed again with a
//     buyer's choice (one line left out, another raised by one unit), as
//     the basket window does on each change (SupplierBaskets::Of): the
//     median of 20.
// Each figure is printed in milliseconds and as a share of the silent run.
// The baskets are made before the result table is written, with the rest
// of the report, and the order files written on a thread of their own once
// it is, while the report is delivered: with --before PROGRAM (the program
// built without them), the silent runs of both alternate and the
// difference of their best times, wall and processor, is what the whole
// feature adds to the run.
//
//   basket_bench [--repeat R] [--keep DIR] [--before PROGRAM] [articles]
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_site.h"
#include "db/qt_sql_connection.h"
#include "proposal/order_file.h"
#include "proposal/proposal_table.h"
#include "proposal/supplier_basket.h"
#include "proposal/workbook_writer.h"
#include "testing/test_database.h"

namespace {

namespace fs = std::filesystem;
using vor::bench::BestOf;
using vor::bench::RunTime;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // "--before PROGRAM" is this bench's own; the rest are the benches'.
  std::string before;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      before = argv[++i];
    } else {
      args.push_back(argv[i]);
    }
  }
  vor::bench::BenchOptions options;
  if (!vor::bench::ParseBenchOptions(static_cast<int>(args.size()), args.data(),
                                     "basket_bench [--before PROGRAM]",
                                     &options)) {
    return 2;
  }
  const int repeat = options.repeat;
  const int articles = options.articles;
  const vor::bench::BenchSite site(options, "vor_basket_bench", true);
  const fs::path drop = site.report_folder();

  // The best wall and processor times of the silent runs, alternating
  // with the program before when there is one.
  std::optional<RunTime> silent, silent_before;
  const auto keep_best = [](std::optional<RunTime>* best, const RunTime& t) {
    if (!*best) *best = t;
    if (t.wall < (*best)->wall) (*best)->wall = t.wall;
    if (t.cpu < (*best)->cpu) (*best)->cpu = t.cpu;
  };
  for (int i = 0; i < repeat; ++i) {
    const std::optional<RunTime> s = site.SilentRun(site.BuiltProgram());
    if (!s) return 1;
    keep_best(&silent, *s);
    if (!before.empty()) {
      const std::optional<RunTime> b = site.SilentRun(before);
      if (!b) return 1;
      keep_best(&silent_before, *b);
    }
  }

  vor::QtSqlConnection connection;
  if (!site.OpenErp(&connection)) return 1;
  const vor::ProposalTable table = vor::ProposalTable::Read(connection);
  std::vector<vor::SupplierBasket> baskets;
  const double make = BestOf(repeat, [&] {
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
  const double books = BestOf(repeat, [&] {
    bytes = 0;
    for (const vor::SupplierBasket& b : baskets) {
      bytes += vor::WorkbookWriter::Bytes(
                   vor::OrderFile::Sheets(b, table.rows(), today), "bench")
                   .size();
    }
  });
  std::vector<std::string> delivered, failures;
  const double files = BestOf(repeat, [&] {
    vor::bench::BenchSite::SetReportFolderAside(drop);
    delivered.clear();
    vor::OrderFile::DropAll(drop.string(), &baskets, table.rows(), today,
                            &delivered, &failures);
  });
  if (!failures.empty() || delivered.empty()) {
    std::fprintf(stderr, "order files not written: %s\n",
                 failures.empty() ? "none" : failures[0].c_str());
    return 1;
  }

  // One change in the basket window: the largest basket computed again.
  const vor::SupplierBaskets window_baskets(
      &table.rows(), vor::SupplierTerms::Read(connection), vor::WholeUnits(),
      vor::Currency::FromInt(365));
  const vor::SupplierBasket* largest = nullptr;
  for (const vor::SupplierBasket& b : baskets) {
    if (largest == nullptr || b.lines.size() > largest->lines.size()) {
      largest = &b;
    }
  }
  std::vector<double> changes;
  size_t largest_lines = 0;
  if (largest != nullptr && largest->lines.size() >= 2) {
    const vor::BasketChoices choices = {
        {largest->lines[0].row, vor::Currency()},
        {largest->lines[1].row,
         largest->lines[1].whole.purchase + vor::Currency::FromInt(1)}};
    largest_lines = largest->lines.size();
    for (int i = 0; i < 20; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const vor::SupplierBasket b = window_baskets.Of(largest->code, choices);
      changes.push_back(std::chrono::duration<double>(
                            std::chrono::steady_clock::now() - start)
                            .count());
      if (b.lines.size() + 1 != largest_lines) return 1;
    }
    std::sort(changes.begin(), changes.end());
  }

  auto share = [&](double s) { return 100.0 * s / silent->wall; };
  std::printf(
      "articles %d, proposal rows %d, baskets %zu (%d short, %d "
      "suggestions)\n",
      articles, table.size(), baskets.size(), short_baskets, suggestions);
  std::printf(
      "silent run with the report (best of %d) %8.0f ms, processor %8.0f "
      "ms\n",
      repeat, silent->wall * 1000, silent->cpu * 1000);
  std::printf("terms and baskets                       %8.1f ms  %5.2f %%\n",
              make * 1000, share(make));
  std::printf("  of which the workbooks (%zu KB)       %8.1f ms  %5.2f %%\n",
              bytes / 1024, books * 1000, share(books));
  std::printf("order files                             %8.1f ms  %5.2f %%\n",
              files * 1000, share(files));
  std::printf("both                                    %8.1f ms  %5.2f %%\n",
              (make + files) * 1000, share(make + files));
  if (!changes.empty()) {
    std::printf(
        "one change in the largest basket (%zu lines), median of 20 %6.2f "
        "ms\n",
        largest_lines, (changes[9] + changes[10]) / 2 * 1000);
  }
  if (!before.empty()) {
    std::printf(
        "silent run with the report, before     %8.0f ms, processor %8.0f "
        "ms\n",
        silent_before->wall * 1000, silent_before->cpu * 1000);
    std::printf(
        "added to the run (best against best)   %8.0f ms  %5.2f %%, "
        "processor %8.0f ms  %5.2f %%\n",
        (silent->wall - silent_before->wall) * 1000,
        100.0 * (silent->wall - silent_before->wall) / silent_before->wall,
        (silent->cpu - silent_before->cpu) * 1000,
        100.0 * (silent->cpu - silent_before->cpu) / silent_before->cpu);
  }
  return 0;
}

// what_if_bench: one "E se?" of the proposal window's "Porquê?" panel, on a
// generated ERP (default 50 000 articles, seed 2026, dated today). The
// program's silent run writes the proposal; a proposal window reads it and
// explains, on its own connection, the article with the most product lines
// among the first 50 shown (the most answers recorded, so the costliest to
// compute again); then its minimum stock is changed and put back in turn,
// and each time the window's own call (WhatIfPanel::Recompute: the fields
// checked, the steps run again on the recorded answers, the figures and the
// changed lines shown) is timed. Prints the median and the slowest of 20 in
// milliseconds, and the explanation's first computation for comparison.
//
//   what_if_bench [--repeat R] [--keep DIR] [articles]
#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frm_proposta.h"
#include "app/proposal_model.h"
#include "app/what_if_panel.h"
#include "bench/bench_site.h"
#include "db/qt_sql_connection.h"
#include "engine/article_explanation.h"
#include "testing/test_database.h"

int main(int argc, char** argv) {
  // No screen needed: the window is built and computed, not shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  vor::bench::BenchOptions options;
  options.repeat = 1;  // one silent run writes the proposal
  if (!vor::bench::ParseBenchOptions(argc, argv, "what_if_bench", &options)) {
    return 2;
  }
  constexpr int kTimes = 20;
  const vor::bench::BenchSite site(options, "vor_what_if_bench");
  if (!site.BestSilentRun()) return 1;

  vor::QtSqlConnection connection;
  if (!site.OpenErp(&connection)) return 1;
  auto* window = new vor::frmProposta(&connection);
  window->Refresh();
  auto* model = window->findChild<vor::ProposalModel*>();
  int best = -1;
  size_t most = 0;
  for (int row = 0; row < std::min(50, model->rowCount()); ++row) {
    const vor::ArticleExplanation why = vor::ExplainArticle(
        connection, model->RowAt(row).Text(vor::ResultField::kArtigo), "B");
    const size_t lines =
        why.customer_products.size() + why.production_products.size();
    if (best < 0 || lines > most) best = row, most = lines;
  }
  if (best < 0) {
    std::fprintf(stderr, "no row to explain\n");
    return 1;
  }
  // The explanation runs on the window's connection (no connection of its
  // own is set), so it has arrived when ExplainRow returns.
  const double explain =
      vor::bench::BestOf(1, [&] { window->ExplainRow(best); });
  auto* what_if = window->findChild<vor::WhatIfPanel*>();
  auto* minimum = what_if->findChild<QLineEdit*>("what_if_stock_minimum");
  const QString read = minimum->text();
  if (!what_if->isEnabled() || read.isEmpty()) {
    std::fprintf(stderr, "the article could not be explained\n");
    return 1;
  }
  std::vector<double> times;
  bool computed = true;
  for (int i = 0; i < kTimes; ++i) {
    minimum->setText(i % 2 == 0 ? read + QStringLiteral("5") : read);
    times.push_back(
        vor::bench::BestOf(1, [&] { computed &= what_if->Recompute(); }));
  }
  delete window;
  if (!computed) {
    std::fprintf(stderr, "a recomputation was refused\n");
    return 1;
  }
  std::sort(times.begin(), times.end());
  std::printf("articles %d, the article of row %d, %zu product lines\n",
              options.articles, best, most);
  std::printf("explanation, first computation (reads)   %8.2f ms\n",
              explain * 1000);
  std::printf("\"E se?\" recompute, median of %d          %8.2f ms\n", kTimes,
              (times[kTimes / 2 - 1] + times[kTimes / 2]) / 2 * 1000);
  std::printf("\"E se?\" recompute, slowest of %d         %8.2f ms\n", kTimes,
              times.back() * 1000);
  return 0;
}

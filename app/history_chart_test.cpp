// The history chart under the offscreen platform: what it draws for gaps,
// negative stock and scales with no spread, and what its tooltip says.
#include "app/history_chart.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <optional>

namespace vor {
namespace {

using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;

constexpr QRgb kStockBlue = 0xFF1F5FA8;  // the stock's line and dots

LocalTime Day(int day, int hour = 6, int minute = 15) {
  return LocalTime(std::chrono::local_days(std::chrono::year(2026) /
                                           std::chrono::December / 1)
                       .time_since_epoch()) +
         days(day) + hours(hour) + minutes(minute);
}

std::optional<Currency> Q(std::optional<double> v) {
  if (!v) return std::nullopt;
  return Currency::FromDouble(*v);
}

ArticleHistoryPoint Point(LocalTime time, std::optional<double> stock,
                          std::optional<double> minimum,
                          std::optional<double> order) {
  return {0, time, Q(stock), Q(minimum), Q(order)};
}

// What the chart draws on white: the rows of its pixels in the stock's
// colour, how many pixels have the shortage tint, and how many are dark in
// the middle band.
struct Drawn {
  std::vector<int> stock_rows;
  int shortage_tint = 0;
  int dark_middle = 0;
};

Drawn Render(HistoryChart& chart) {
  QImage image(chart.size(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  chart.render(&image);
  Drawn drawn;
  const int middle = image.height() / 2;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.rgb() == kStockBlue) drawn.stock_rows.push_back(y);
      drawn.shortage_tint += c.red() >= 245 && c.green() >= 210 &&
                             c.green() <= 240 &&
                             std::abs(c.green() - c.blue()) <= 3;
      drawn.dark_middle += std::abs(y - middle) <= 4 && qGray(c.rgb()) < 128;
    }
  }
  return drawn;
}

TEST(HistoryChartTest, DrawsGapsNegativeStockAndScalesWithoutSpread) {
  HistoryChart chart;
  chart.resize(360, 170);
  const int dates_top = chart.height() - chart.fontMetrics().height();

  // A run with no stock stored breaks the line: nothing drawn at zero, the
  // bottom of this scale, and with nothing below zero no shortage shown.
  chart.SetHistory(
      {Point(Day(0), 100, 50, 0), Point(Day(1), std::nullopt, 50, 20),
       Point(Day(2), 100, 50, 0)},
      "UN");
  Drawn drawn = Render(chart);
  std::vector<int>& rows = drawn.stock_rows;
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(*std::max_element(rows.begin(), rows.end()), chart.height() / 2);
  EXPECT_EQ(drawn.shortage_tint, 0);

  // Negative stock (below zero tinted as a shortage), equal values, a
  // single run, runs at one time, only zeros and figures near their range's
  // ends are all drawn inside the plot, above the dates.
  const std::vector<std::vector<ArticleHistoryPoint>> cases = {
      {Point(Day(0), 120, 50, 0), Point(Day(1), -40, 50, 90),
       Point(Day(2), -40, std::nullopt, 90)},
      {Point(Day(0), 30, 30, 30), Point(Day(3), 30, 30, 30)},
      {Point(Day(5), -7.5, 50, 0)},
      {Point(Day(5), 0, 0, 0), Point(Day(5), 0, 0, 0)},
      {Point(Day(0), 9e14, std::nullopt, std::nullopt),
       Point(Day(1), -9e14, std::nullopt, std::nullopt)},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    chart.SetHistory(cases[i], "KG");
    drawn = Render(chart);
    ASSERT_FALSE(rows.empty()) << "case " << i;
    EXPECT_GT(*std::min_element(rows.begin(), rows.end()), 0) << "case " << i;
    EXPECT_LT(*std::max_element(rows.begin(), rows.end()), dates_top)
        << "case " << i;
    if (i == 0) {
      EXPECT_GT(drawn.shortage_tint, 500);
      chart.resize(40, 30);  // squeezed to almost nothing
      Render(chart);
      chart.resize(360, 170);
    }
  }

  // With no run the chart writes that there is none, and has no tooltip.
  chart.Clear();
  EXPECT_EQ(chart.point_count(), 0);
  drawn = Render(chart);
  EXPECT_TRUE(drawn.stock_rows.empty());
  EXPECT_EQ(chart.accessibleDescription(), HistoryChart::kEmptyText);
  EXPECT_TRUE(chart.ToolTipAt(100).isEmpty());
  EXPECT_GT(drawn.dark_middle, 20);
}

TEST(HistoryChartTest, ToolTipTellsTheNearestRun) {
  HistoryChart chart;
  chart.resize(400, 170);
  chart.SetHistory(
      {Point(Day(0), 120, 12345.5, 0), Point(Day(1, 18, 5), -40, 50, 90),
       Point(Day(20), std::nullopt, 50, std::nullopt)},
      "UN");
  EXPECT_EQ(chart.point_count(), 3);
  EXPECT_EQ(chart.ToolTipAt(0).toStdString(),
            std::string("01-12-2026 às 06:15\nStock no prazo: 120 UN\n"
                        "Stock mínimo: 12\u00a0345,5 UN\n"
                        "A encomendar: 0 UN"));
  // The second run lies a twentieth of the way across: a point a fifth of
  // the way is nearer to it than to either end.
  EXPECT_EQ(chart.ToolTipAt(chart.width() / 5).toStdString(),
            std::string("02-12-2026 às 18:05\nStock no prazo: -40 UN\n"
                        "Stock mínimo: 50 UN\nA encomendar: 90 UN"));
  EXPECT_EQ(chart.ToolTipAt(chart.width()).toStdString(),
            std::string("21-12-2026 às 06:15\nStock no prazo: —\n"
                        "Stock mínimo: 50 UN\nA encomendar: —"));
  EXPECT_EQ(chart.accessibleDescription().toStdString(),
            std::string("3 execuções guardadas, de 01-12-2026 às 06:15 a "
                        "21-12-2026 às 06:15. Na última: stock no prazo —, "
                        "stock mínimo 50 UN, a encomendar —."));
}

}  // namespace
}  // namespace vor

#include "app/history_chart.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "core/figure_text.h"
#include "proposal/row_palette.h"

namespace vor {

const QString HistoryChart::kEmptyText =
    QStringLiteral("Sem histórico guardado para este artigo.");

namespace {

// The series' colours: a blue, a red and an amber that stay apart for
// readers who confuse red and green, told apart further by the line's
// style (solid with dots, dashed, bars). The bars are a stronger amber than
// the rows to order so that they show on white; the shortage tint is the
// rows'.
const QColor kStockColour(0x1F5FA8);
const QColor kMinimumColour(0xC0392B);
const QColor kOrderFill(0xF0B445);
const QColor kOrderEdge(0xA06A00);
const QColor kGridColour(0xE2E2E2);
const QColor kZeroColour(0x404040);

const QString kStockName = QStringLiteral("Stock no prazo");
const QString kMinimumName = QStringLiteral("Stock mínimo");
const QString kOrderName = QStringLiteral("A encomendar");
const QString kMissing = QStringLiteral("—");

constexpr int kMaxBarWidth = 18;
constexpr int kMinBarWidth = 3;
constexpr int kLegendSample = 16;  // width of a legend's line or bar sample
constexpr int kInset = 4;          // between the scale's ends and the frame
constexpr int kLegendGap = 10;     // between two legend items

struct DateTime {
  int year, month, day, hour, minute;
};

DateTime Split(LocalTime time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(day);
  const std::chrono::hh_mm_ss hms(time - day);
  return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
          int(hms.hours().count()), int(hms.minutes().count())};
}

QString DateTimeText(LocalTime time) {
  return QString::fromStdString(FigureText::DateTime(time));
}

QString Number(Currency value) {
  return QString::fromStdString(FigureText::Quantity(value));
}

QString Figure(const std::optional<Currency>& value, const QString& unit) {
  if (!value) return kMissing;
  return unit.isEmpty() ? Number(*value) : Number(*value) + ' ' + unit;
}

// A step of 1, 2 or 5 times a power of ten that splits [lo, hi] into at
// most `ticks` parts (and no finer than the figures' 4 places).
double NiceStep(double lo, double hi, int ticks) {
  const double raw = (hi - lo) / std::max(1, ticks);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  const double nice = f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10;
  return std::max(nice * magnitude, 0.0001);
}

// Where each run goes across the plot, from 0 (first) to 1 (last): in
// proportion to its time, evenly when the runs share one time, centred for
// a single run.
std::vector<double> Fractions(const std::vector<ArticleHistoryPoint>& points) {
  const size_t n = points.size();
  std::vector<double> f(n, 0.5);
  if (n < 2) return f;
  const auto seconds = [](LocalTime t) {
    return static_cast<double>(t.time_since_epoch().count());
  };
  const double first = seconds(points.front().time);
  const double span = seconds(points.back().time) - first;
  for (size_t i = 0; i < n; ++i) {
    f[i] = span > 0
               ? std::clamp((seconds(points[i].time) - first) / span, 0.0, 1.0)
               : static_cast<double>(i) / static_cast<double>(n - 1);
  }
  return f;
}

// The date under each run: the year only when the runs span years; the
// time when they all fall on one day.
std::vector<QString> RunLabels(const std::vector<ArticleHistoryPoint>& points) {
  std::vector<QString> labels;
  if (points.empty()) return labels;
  const DateTime first = Split(points.front().time);
  const DateTime last = Split(points.back().time);
  const bool one_day = first.year == last.year && first.month == last.month &&
                       first.day == last.day;
  for (const ArticleHistoryPoint& p : points) {
    const DateTime t = Split(p.time);
    if (first.year != last.year) {
      labels.push_back(QString::fromStdString(FigureText::Date(p.time)));
    } else if (one_day) {
      labels.push_back(QString::asprintf("%02d-%02d %02d:%02d", t.day, t.month,
                                         t.hour, t.minute));
    } else {
      labels.push_back(QString::asprintf("%02d-%02d", t.day, t.month));
    }
  }
  return labels;
}

struct LegendItem {
  QString name;
  QRect box;  // sample and name
};

}  // namespace

struct HistoryChart::Layout {
  QRect plot;
  double lo = 0, hi = 1, step = 1;  // the vertical scale, ticks every step
  std::vector<double> xs;           // each run's horizontal centre
  int bar_width = kMaxBarWidth;
  std::vector<LegendItem> legend;
  QRect unit_box;                                 // the unit, above the scale
  std::vector<std::pair<double, QString>> ticks;  // y and label
  std::vector<std::pair<QRect, QString>> dates;   // box and label

  double Y(double value) const {
    // The scale's ends a little inside the frame, so that a dot on them
    // shows whole.
    return plot.bottom() - kInset -
           (value - lo) / (hi - lo) * (plot.height() - 2 * kInset);
  }
};

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  setAccessibleName(QStringLiteral("Histórico do artigo"));
  UpdateDescription();
}

void HistoryChart::SetHistory(std::vector<ArticleHistoryPoint> points,
                              QString unit) {
  points_ = std::move(points);
  unit_ = std::move(unit);
  UpdateDescription();
  update();
}

void HistoryChart::Clear() { SetHistory({}, QString()); }

QFont HistoryChart::ChartFont() const {
  // A tenth smaller than the window's text, as a chart's labels are.
  QFont chart_font = font();
  if (chart_font.pointSizeF() > 0) {
    chart_font.setPointSizeF(chart_font.pointSizeF() * 0.9);
  } else if (chart_font.pixelSize() > 0) {
    chart_font.setPixelSize(std::max(8, chart_font.pixelSize() * 9 / 10));
  }
  return chart_font;
}

QSize HistoryChart::sizeHint() const { return QSize(360, 170); }

QSize HistoryChart::minimumSizeHint() const { return QSize(200, 140); }

void HistoryChart::UpdateDescription() {
  if (points_.empty()) {
    setAccessibleDescription(kEmptyText);
    return;
  }
  const ArticleHistoryPoint& last = points_.back();
  QString text = points_.size() == 1
                     ? QStringLiteral("1 execução guardada, em %1.")
                           .arg(DateTimeText(last.time))
                     : QStringLiteral("%1 execuções guardadas, de %2 a %3.")
                           .arg(points_.size())
                           .arg(DateTimeText(points_.front().time),
                                DateTimeText(last.time));
  text += QStringLiteral(" Na última: %1 %2, %3 %4, %5 %6.")
              .arg(kStockName.toLower(), Figure(last.stock_at_lead_time, unit_),
                   kMinimumName.toLower(), Figure(last.minimum_stock, unit_),
                   kOrderName.toLower(), Figure(last.to_order, unit_));
  setAccessibleDescription(text);
}

HistoryChart::Layout HistoryChart::ComputeLayout() const {
  Layout l;
  const QFontMetrics fm(ChartFont());
  const int line = fm.height();
  const QRect area = rect().adjusted(4, 4, -4, -4);

  // The vertical scale holds every value and zero.
  double lo = 0, hi = 0;
  for (const ArticleHistoryPoint& p : points_) {
    for (const auto& v : {p.stock_at_lead_time, p.minimum_stock, p.to_order}) {
      if (!v) continue;
      lo = std::min(lo, v->ToDouble());
      hi = std::max(hi, v->ToDouble());
    }
  }
  if (hi - lo < 0.0001) hi = lo + 1;  // nothing but zeros

  // The legend's rows and the plot's height depend on the width left of the
  // scale's labels, whose width depends on the plot's height: two rounds.
  const std::vector<QString> names = {kStockName, kMinimumName, kOrderName};
  int left = area.left();
  int legend_height = line;
  for (int round = 0; round < 2; ++round) {
    const int top = area.top() + legend_height + line / 2;
    const int bottom = area.bottom() - line - 4;  // the dates below
    const int ticks = std::max(2, (bottom - top) / (line * 3 / 2));
    l.step = NiceStep(lo, hi, ticks);
    l.lo = std::floor(lo / l.step + 1e-9) * l.step;
    l.hi = std::ceil(hi / l.step - 1e-9) * l.step;
    l.ticks.clear();
    int label_width = unit_.isEmpty() ? 0 : fm.horizontalAdvance(unit_);
    const auto first = static_cast<int64_t>(std::llround(l.lo / l.step));
    const auto last = static_cast<int64_t>(std::llround(l.hi / l.step));
    for (int64_t k = first; k <= last; ++k) {
      // As figures, to their 4 places; beyond a figure's range, as a
      // number may be.
      const QString label = QString::fromStdString(
          FigureText::Quantity(static_cast<double>(k) * l.step));
      label_width = std::max(label_width, fm.horizontalAdvance(label));
      l.ticks.emplace_back(static_cast<double>(k) * l.step, label);
    }
    left = area.left() + label_width + 6;

    // The legend in rows centred over the plot.
    l.legend.clear();
    const int legend_left = left + 6;  // clear of the unit
    int x = legend_left, y = area.top();
    size_t row_start = 0;
    const auto centre_row = [&] {
      const int shift = (area.right() - (x - kLegendGap)) / 2;
      for (size_t i = row_start; i < l.legend.size(); ++i) {
        l.legend[i].box.translate(std::max(0, shift), 0);
      }
      row_start = l.legend.size();
    };
    for (const QString& name : names) {
      const int width = kLegendSample + 4 + fm.horizontalAdvance(name);
      if (x > legend_left && x + width > area.right()) {
        centre_row();
        x = legend_left;
        y += line;
      }
      l.legend.push_back({name, QRect(x, y, width, line)});
      x += width + kLegendGap;
    }
    centre_row();
    legend_height = y + line - area.top();
    l.plot = QRect(QPoint(left, top), QPoint(area.right(), bottom));
  }
  l.unit_box = QRect(area.left(), area.top(), left - 6 - area.left(), line);

  // The runs across the plot; the bars no wider than the narrowest gap.
  const std::vector<double> f = Fractions(points_);
  const std::vector<QString> labels = RunLabels(points_);
  double gap = 1;
  for (size_t i = 1; i < f.size(); ++i) gap = std::min(gap, f[i] - f[i - 1]);
  l.bar_width = std::clamp(static_cast<int>(0.6 * gap * (l.plot.width() - 24)),
                           kMinBarWidth, kMaxBarWidth);
  const int last_label = fm.horizontalAdvance(labels.back());
  int pad = l.bar_width / 2 + 6;
  // Room on the right for the last date, centred under its run.
  const int overhang = last_label / 2 + 2 - pad;
  if (overhang > 0) l.plot.setRight(l.plot.right() - overhang);
  pad = std::min(pad, l.plot.width() / 2);
  const double from = l.plot.left() + pad;
  const double span = std::max(0, l.plot.width() - 2 * pad);
  for (double fraction : f) l.xs.push_back(from + fraction * span);

  // The dates: the first and the last, then every other that has room.
  std::vector<QRect> taken;
  std::vector<size_t> order = {0};
  if (labels.size() > 1) order.push_back(labels.size() - 1);
  for (size_t i = 1; i + 1 < labels.size(); ++i) order.push_back(i);
  for (size_t i : order) {
    const int width = fm.horizontalAdvance(labels[i]);
    QRect box(static_cast<int>(std::lround(l.xs[i])) - width / 2,
              l.plot.bottom() + 4, width, line);
    if (box.left() < 0) box.moveLeft(0);
    if (box.right() > rect().right()) box.moveRight(rect().right());
    const QRect spaced = box.adjusted(-6, 0, 6, 0);
    if (std::any_of(taken.begin(), taken.end(),
                    [&](const QRect& r) { return r.intersects(spaced); })) {
      continue;
    }
    taken.push_back(box);
    l.dates.emplace_back(box, labels[i]);
  }
  return l;
}

QString HistoryChart::ToolTipAt(int x) const {
  if (points_.empty()) return QString();
  const Layout l = ComputeLayout();
  size_t nearest = 0;
  for (size_t i = 1; i < l.xs.size(); ++i) {
    if (std::abs(l.xs[i] - x) < std::abs(l.xs[nearest] - x)) nearest = i;
  }
  const ArticleHistoryPoint& p = points_[nearest];
  return DateTimeText(p.time) + '\n' + kStockName + ": " +
         Figure(p.stock_at_lead_time, unit_) + '\n' + kMinimumName + ": " +
         Figure(p.minimum_stock, unit_) + '\n' + kOrderName + ": " +
         Figure(p.to_order, unit_);
}

bool HistoryChart::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos().x());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void HistoryChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(ChartFont());
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor text_colour = palette().color(QPalette::WindowText);
  if (points_.empty()) {
    painter.setPen(text_colour);
    painter.drawText(rect().adjusted(8, 8, -8, -8),
                     Qt::AlignCenter | Qt::TextWordWrap, kEmptyText);
    return;
  }
  const Layout l = ComputeLayout();
  const QRectF plot(l.plot);

  // The plot's ground, tinted below zero, and the scale's grid.
  painter.fillRect(plot, palette().color(QPalette::Base));
  const double zero = l.Y(0);
  if (l.lo < 0) {
    QColor tint(RowPalette::kShortage);
    tint.setAlpha(150);
    painter.fillRect(
        QRectF(plot.left(), zero, plot.width(), plot.bottom() - zero), tint);
  }
  painter.setPen(QPen(kGridColour, 1));
  for (const auto& [value, label] : l.ticks) {
    const double y = l.Y(value);
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
  }
  painter.setPen(text_colour);
  const int line = QFontMetrics(painter.font()).height();
  for (const auto& [value, label] : l.ticks) {
    const double y = l.Y(value);
    painter.drawText(QRectF(0, y - line / 2.0, plot.left() - 6, line),
                     Qt::AlignRight | Qt::AlignVCenter, label);
  }
  if (!unit_.isEmpty()) {
    painter.drawText(l.unit_box, Qt::AlignRight | Qt::AlignVCenter, unit_);
  }

  // The quantities to order, as bars from zero.
  painter.setPen(QPen(kOrderEdge, 1));
  painter.setBrush(kOrderFill);
  for (size_t i = 0; i < points_.size(); ++i) {
    if (!points_[i].to_order || points_[i].to_order->raw() == 0) continue;
    const double y = l.Y(points_[i].to_order->ToDouble());
    painter.drawRect(QRectF(l.xs[i] - l.bar_width / 2.0, std::min(y, zero),
                            l.bar_width, std::abs(zero - y)));
  }
  painter.setBrush(Qt::NoBrush);

  painter.setPen(QPen(kZeroColour, 1));
  painter.drawLine(QPointF(plot.left(), zero), QPointF(plot.right(), zero));

  // A series as lines between runs that both hold a value; a run with a
  // value between two gaps gets a short dash of its own.
  const auto draw_series =
      [&](std::optional<Currency> ArticleHistoryPoint::*field, const QPen& pen,
          bool dots) {
        painter.setPen(pen);
        for (size_t i = 0; i < points_.size(); ++i) {
          const auto& v = points_[i].*field;
          if (!v) continue;
          const QPointF at(l.xs[i], l.Y(v->ToDouble()));
          const bool joined_before =
              i > 0 && (points_[i - 1].*field).has_value();
          const bool joined_after =
              i + 1 < points_.size() && (points_[i + 1].*field).has_value();
          if (joined_after) {
            painter.drawLine(
                at,
                QPointF(l.xs[i + 1], l.Y((points_[i + 1].*field)->ToDouble())));
          }
          if (!joined_before && !joined_after && !dots) {
            painter.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
          }
        }
        if (!dots) return;
        painter.setPen(Qt::NoPen);
        painter.setBrush(pen.color());
        for (size_t i = 0; i < points_.size(); ++i) {
          const auto& v = points_[i].*field;
          if (v)
            painter.drawEllipse(QPointF(l.xs[i], l.Y(v->ToDouble())), 3, 3);
        }
        painter.setBrush(Qt::NoBrush);
      };
  QPen minimum_pen(kMinimumColour, 2, Qt::DashLine);
  minimum_pen.setCapStyle(Qt::FlatCap);
  draw_series(&ArticleHistoryPoint::minimum_stock, minimum_pen, false);
  draw_series(&ArticleHistoryPoint::stock_at_lead_time,
              QPen(kStockColour, 2, Qt::SolidLine, Qt::RoundCap), true);

  // The frame, a mark under every run, and the dates.
  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.drawRect(plot);
  for (double x : l.xs) {
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
  }
  painter.setPen(text_colour);
  for (const auto& [box, label] : l.dates) {
    painter.drawText(box, Qt::AlignCenter, label);
  }

  // The legend: each series' sample and name.
  for (const LegendItem& item : l.legend) {
    const QRectF sample(item.box.left(), item.box.top(), kLegendSample,
                        item.box.height());
    const double mid = sample.center().y();
    if (item.name == kStockName) {
      painter.setPen(QPen(kStockColour, 2));
      painter.drawLine(QPointF(sample.left(), mid),
                       QPointF(sample.right(), mid));
      painter.setPen(Qt::NoPen);
      painter.setBrush(kStockColour);
      painter.drawEllipse(QPointF(sample.center().x(), mid), 3, 3);
      painter.setBrush(Qt::NoBrush);
    } else if (item.name == kMinimumName) {
      painter.setPen(minimum_pen);
      painter.drawLine(QPointF(sample.left(), mid),
                       QPointF(sample.right(), mid));
    } else {
      painter.setPen(QPen(kOrderEdge, 1));
      painter.setBrush(kOrderFill);
      painter.drawRect(QRectF(sample.center().x() - 5, sample.top() + 2, 10,
                              sample.height() - 4));
      painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(text_colour);
    painter.drawText(
        QRectF(sample.right() + 4, item.box.top(),
               item.box.right() - sample.right() - 3, item.box.height()),
        Qt::AlignLeft | Qt::AlignVCenter, item.name);
  }
}

}  // namespace vor

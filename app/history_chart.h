// HistoryChart: one article's figures over the stored runs, as a small chart
// for the proposal window's "Porquê?" panel. Across the runs (oldest left,
// placed in proportion to their date and time) it draws the stock at the
// lead time (a solid blue line with a dot per run), the minimum stock (a
// dashed red line) and the quantity to order (amber bars), all in the
// article's base unit on one vertical scale that always holds zero (marked
// by a line; below it, where the stock at the lead time is short, the plot
// is tinted as a shortage). A run that stored no value for a series leaves
// a gap in it. The vertical scale is labelled in Portuguese notation with
// the unit above it; the dates of the runs are written below the plot, the
// first and the last always. Resting the mouse over the chart shows the
// nearest run's date, time and figures.
//
//   auto* chart = new HistoryChart(panel);
//   chart->SetHistory(ProposalHistory::OfArticle(connection, article), "UN");
#ifndef VOR_APP_HISTORY_CHART_H_
#define VOR_APP_HISTORY_CHART_H_

#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

#include "proposal/proposal_history.h"

namespace vor {

class HistoryChart : public QWidget {
  Q_OBJECT

 public:
  // Drawn in the empty chart.
  static const QString kEmptyText;  // "Sem histórico guardado para este
                                    // artigo."

  explicit HistoryChart(QWidget* parent = nullptr);

  // Shows `points` (oldest first, as ProposalHistory::OfArticle gives
  // them), their quantities in `unit` (the article's base unit; empty: none
  // written), and sets the accessible description to a summary of the
  // first and last runs and the last run's figures.
  void SetHistory(std::vector<ArticleHistoryPoint> points, QString unit);
  // Shows no run: the chart draws kEmptyText.
  void Clear();
  // How many runs the chart shows.
  int point_count() const { return static_cast<int>(points_.size()); }

  // The tooltip for the horizontal position `x` (widget coordinates, at the
  // widget's present size): the date and time of the run drawn nearest to
  // it ("09/12/2026 06:15") and its three figures with the unit, a missing
  // figure as "—", one per line. Empty when the chart shows no run.
  QString ToolTipAt(int x) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Layout;
  // Where everything goes at the widget's present size (points_ not empty).
  Layout ComputeLayout() const;
  void UpdateDescription();
  // The font of the chart's labels.
  QFont ChartFont() const;

  std::vector<ArticleHistoryPoint> points_;
  QString unit_;
};

}  // namespace vor

#endif  // VOR_APP_HISTORY_CHART_H_

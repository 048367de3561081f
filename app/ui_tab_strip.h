// TabStrip: a row of tabs over a bordered pane, without pages of its own.
// The window that owns it places its page widgets onto the strip's client
// area (the inner rectangle below the tabs) and shows the page of the
// selected tab itself.
#ifndef VOR_APP_UI_TAB_STRIP_H_
#define VOR_APP_UI_TAB_STRIP_H_

#include <QRect>
#include <QSize>
#include <QString>
#include <QStyleOptionTabWidgetFrame>
#include <QWidget>

class QTabBar;

namespace vor {

class TabStrip : public QWidget {
  Q_OBJECT

 public:
  explicit TabStrip(QWidget* parent = nullptr);

  // Appends a tab with `caption`; returns its 0-based index.
  int AddTab(const QString& caption);
  int count() const;
  // The selected tab, 0-based (-1 when there are no tabs).
  int currentIndex() const;
  void setCurrentIndex(int index);
  QTabBar* tabBar() const { return bar_; }

  // The inner rectangle below the tabs, inside the pane's border, in this
  // widget's coordinates, for the strip's current size. Valid at once after
  // a resize, also while the strip is hidden.
  QRect ClientArea() const;
  // What the tabs and the border add to a client area: the strip's size
  // minus the client area's size.
  QSize ChromeSize() const;

 signals:
  // A tab was clicked (also the one already selected) or the selection
  // changed by keyboard; `index` is the tab now selected, 0-based.
  void TabActivated(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The style option of a tab widget occupying `rect`.
  QStyleOptionTabWidgetFrame FrameOption(const QRect& rect) const;
  void PlaceTabBar();

  QTabBar* bar_;
};

}  // namespace vor

#endif  // VOR_APP_UI_TAB_STRIP_H_

#include "app/ui_tab_strip.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStylePainter>
#include <QTabBar>

namespace vor {

TabStrip::TabStrip(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  // The pane border is drawn by the strip; the bar must not add its own base
  // line, as in a tab widget.
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  bar_->setUsesScrollButtons(true);
  // The bar takes the keyboard focus; the strip itself stays out of the
  // focus chain so that the bar is reached once, in its own place.
  setFocusPolicy(Qt::NoFocus);
  connect(bar_, &QTabBar::tabBarClicked, this, [this](int index) {
    // A click outside every tab reports -1; it selects nothing.
    if (index >= 0) emit TabActivated(index);
  });
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    update();
    if (index >= 0) emit TabActivated(index);
  });
  PlaceTabBar();
}

int TabStrip::AddTab(const QString& caption) {
  const int index = bar_->addTab(caption);
  PlaceTabBar();
  update();
  return index;
}

int TabStrip::count() const { return bar_->count(); }

int TabStrip::currentIndex() const { return bar_->currentIndex(); }

void TabStrip::setCurrentIndex(int index) { bar_->setCurrentIndex(index); }

QStyleOptionTabWidgetFrame TabStrip::FrameOption(const QRect& rect) const {
  // Filled as a tab widget fills it, so that the style gives the strip the
  // same tab, pane and contents rectangles as a tab widget of this size.
  QStyleOptionTabWidgetFrame opt;
  opt.initFrom(this);
  opt.rect = rect;
  opt.lineWidth =
      style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  opt.shape = QTabBar::RoundedNorth;
  QSize bar_size = bar_->sizeHint();
  bar_size.setWidth(qMin(bar_size.width(), rect.width()));
  opt.tabBarSize = bar_size;
  opt.tabBarRect = bar_->geometry();
  QRect selected = bar_->tabRect(bar_->currentIndex());
  selected.translate(bar_->geometry().topLeft());
  opt.selectedTabRect = selected;
  return opt;
}

QRect TabStrip::ClientArea() const {
  const QStyleOptionTabWidgetFrame opt = FrameOption(rect());
  return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &opt, this);
}

QSize TabStrip::ChromeSize() const {
  // The chrome does not depend on the size; measured on a roomy one, so
  // that a strip not yet laid out reports it all the same.
  const QRect roomy(0, 0, 1000, 1000);
  const QStyleOptionTabWidgetFrame opt = FrameOption(roomy);
  const QRect client =
      style()->subElementRect(QStyle::SE_TabWidgetTabContents, &opt, this);
  return QSize(roomy.width() - client.width(),
               roomy.height() - client.height());
}

void TabStrip::PlaceTabBar() {
  const QStyleOptionTabWidgetFrame opt = FrameOption(rect());
  bar_->setGeometry(
      style()->subElementRect(QStyle::SE_TabWidgetTabBar, &opt, this));
}

void TabStrip::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame opt = FrameOption(rect());
  opt.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &opt, this);
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, opt);
}

void TabStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceTabBar();
}

void TabStrip::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange ||
      event->type() == QEvent::StyleChange) {
    PlaceTabBar();
    update();
  }
}

}  // namespace vor

#include "app/ui_tab_strip.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "testing/ui_test_support.h"

namespace vor {
namespace {

TEST(TabStripTest, ClientAreaMatchesATabWidgetOfTheSameSize) {
  // A tab widget's page area is the reference of what "below the tabs,
  // inside the border" means for the current style.
  QWidget host;
  TabStrip strip(&host);
  strip.AddTab(QStringLiteral("e-mail"));
  strip.AddTab(QStringLiteral("Log"));
  QTabWidget reference(&host);
  QWidget* page = new QWidget;
  reference.addTab(page, QStringLiteral("e-mail"));
  reference.addTab(new QWidget, QStringLiteral("Log"));
  strip.setGeometry(0, 0, 400, 200);
  reference.setGeometry(0, 0, 400, 200);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

  const QRect expected(page->mapTo(&reference, QPoint(0, 0)), page->size());
  EXPECT_EQ(strip.ClientArea(), expected);
  EXPECT_EQ(strip.ChromeSize(),
            QSize(400 - expected.width(), 200 - expected.height()));
  // The client area follows the size at once.
  strip.resize(500, 300);
  EXPECT_EQ(strip.ClientArea().size(), expected.size() + QSize(100, 100));
  EXPECT_EQ(strip.ChromeSize(),
            QSize(400 - expected.width(), 200 - expected.height()));
}

TEST(TabStripTest, ReportsClicksAndKeyboardSelection) {
  TabStrip strip;
  strip.AddTab(QStringLiteral("um"));
  strip.AddTab(QStringLiteral("dois"));
  strip.resize(300, 150);
  ASSERT_TRUE(test::ShowActive(&strip));
  QSignalSpy spy(&strip, &TabStrip::TabActivated);

  QTabBar* bar = strip.tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  EXPECT_EQ(strip.currentIndex(), 1);
  ASSERT_FALSE(spy.isEmpty());
  EXPECT_EQ(spy.last().at(0).toInt(), 1);

  // Clicking the selected tab reports it again.
  spy.clear();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  ASSERT_EQ(spy.size(), 1);
  EXPECT_EQ(spy.last().at(0).toInt(), 1);

  // A click on the pane selects nothing.
  spy.clear();
  QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.ClientArea().center());
  EXPECT_TRUE(spy.isEmpty());
  EXPECT_EQ(strip.currentIndex(), 1);

  strip.setCurrentIndex(0);
  ASSERT_FALSE(spy.isEmpty());
  EXPECT_EQ(spy.last().at(0).toInt(), 0);
}

}  // namespace
}  // namespace vor

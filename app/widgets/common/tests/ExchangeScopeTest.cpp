// One exchange of a window: busy and the hourglass for its life, and whether a close came.
#include "widgets/common/ExchangeScope.h"

#include "testsupport/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>

namespace {

// A window that follows the busy rule in its closeEvent, as every window that runs exchanges.
class Window : public QWidget {
 protected:
  void closeEvent(QCloseEvent* e) override {
    if (!BusyGuard::deferClose(this, e)) e->accept();
  }
};

bool hourglass() { return QApplication::overrideCursor() != nullptr; }

TEST(ExchangeScopeTest, BusyAndTheCursorForItsLifeAndWhetherACloseCame) {
  struct Case {
    const char* what;
    ExchangeScope::Cursor cursor;
    bool closeAsked;
  };
  for (const Case& c : {Case{"hourglass, no close", ExchangeScope::Cursor::Hourglass, false},
                        Case{"hourglass, close", ExchangeScope::Cursor::Hourglass, true},
                        Case{"own progress, close", ExchangeScope::Cursor::Normal, true}}) {
    SCOPED_TRACE(c.what);
    apptest::TempDataFolder data;
    Window w;
    w.show();
    ExchangeScope exchange(&w, c.cursor);
    EXPECT_TRUE(BusyGuard::busy(&w));
    EXPECT_EQ(hourglass(), c.cursor == ExchangeScope::Cursor::Hourglass);
    if (c.closeAsked) {
      EXPECT_FALSE(w.close());
    }
    EXPECT_EQ(exchange.endAndCheckClose(), c.closeAsked);
    EXPECT_FALSE(BusyGuard::busy(&w));
    EXPECT_FALSE(hourglass());
    EXPECT_TRUE(w.isVisible());  // the close comes after the caller has returned
    QCoreApplication::processEvents();
    EXPECT_EQ(w.isVisible(), !c.closeAsked);
  }
}

// Within a longer busy period (a command of the main window), the inner exchange answers for
// the close all the same, and the window stays busy until the outer scope ends.
TEST(ExchangeScopeTest, NestedInACommandTheCloseWaitsForTheCommand) {
  apptest::TempDataFolder data;
  Window w;
  w.show();
  {
    const ExchangeScope command(&w, ExchangeScope::Cursor::Normal);
    ExchangeScope exchange(&w);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(exchange.endAndCheckClose());
    EXPECT_TRUE(BusyGuard::busy(&w));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
}

}  // namespace

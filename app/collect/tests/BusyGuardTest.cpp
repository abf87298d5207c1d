// The busy rule: commands off while a guard lives, a close waits for the last guard and makes
// the clock objects cancel.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include "AppTestSupport.h"
#include "BusyGuard.h"
#include "Globals.h"

namespace {

// A window that follows the rule in its closeEvent, as every clock window does.
class Window : public QWidget {
 public:
  explicit Window(bool closesEverything = false) : m_main(closesEverything) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (!BusyGuard::deferClose(this, e, m_main)) e->accept();
  }

 private:
  bool m_main;
};

TEST(BusyGuardTest, CloseWaitsForTheLastGuardAndCancelsTheClockObjects) {
  apptest::TempDataFolder data;
  apptest::objects().createMirsol();
  apptest::objects().createModem();
  Window w;
  int changes = 0;
  BusyGuard::onChange(&w, [&] { ++changes; });
  w.show();
  {
    BusyGuard outer(&w);
    {
      BusyGuard inner(&w);  // nested: one busy period
      EXPECT_TRUE(BusyGuard::busy(&w));
      EXPECT_FALSE(w.close());
      EXPECT_TRUE(w.isVisible());
      EXPECT_TRUE(BusyGuard::closePending(&w));
      // The objects were asked to stop: their next operation ends as cancelled.
      EXPECT_EQ(gMirsol->Status_Get(), "");
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());  // the outer guard still runs
  }
  EXPECT_EQ(changes, 2);  // busy once, idle once
  EXPECT_FALSE(BusyGuard::busy(&w));
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
}

TEST(BusyGuardTest, MainWindowCloseWaitsForAnyBusyWindow) {
  apptest::TempDataFolder data;
  Window mainWindow(true);
  Window other;
  mainWindow.show();
  other.show();
  {
    BusyGuard busy(&other);
    EXPECT_FALSE(mainWindow.close());
    EXPECT_TRUE(mainWindow.isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(mainWindow.isVisible());
  }
  EXPECT_FALSE(BusyGuard::anyBusy());
  QCoreApplication::processEvents();
  EXPECT_FALSE(mainWindow.isVisible());
  EXPECT_TRUE(other.isVisible());
}

}  // namespace

// The busy rule: commands off while a guard lives, a close waits for the last guard and makes
// the clock objects cancel.
#include "widgets/common/BusyGuard.h"

#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWidget>

namespace {

// A window that follows the rule in its closeEvent, as every clock window does, handed the
// fixture's objects and clock windows' state.
class Window : public QWidget {
 public:
  explicit Window(bool closesEverything = false) : m_main(closesEverything) {
    BusyGuard::hand(this, m_context);
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (!BusyGuard::deferClose(this, e, m_main)) e->accept();
  }

 private:
  bool m_main;
  const WindowContext m_context = apptest::windowContext();
};

TEST(BusyGuardTest, CloseWaitsForTheLastGuardAndCancelsTheClockObjects) {
  apptest::TempDataFolder data;
  apptest::objects().createSettings();
  apptest::objects().createClockList();
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
  EXPECT_FALSE(BusyGuard::anyBusy(&mainWindow));
  QCoreApplication::processEvents();
  EXPECT_FALSE(mainWindow.isVisible());
  EXPECT_TRUE(other.isVisible());
}

// One state per window, whoever asks for the close: idle, running, closing until the close
// has been delivered; a window's own cancel replaces the clock objects'.
TEST(BusyGuardTest, StatesAndTheWindowsOwnCancel) {
  using S = BusyGuard::State;
  struct Case {
    const char* what;
    bool ownCancel;
    bool viaRequest;  // the window's own close, else a close from outside (close box)
  };
  for (const Case& c :
       {Case{"close box, clock objects", false, false}, Case{"close box, own cancel", true, false},
        Case{"own close, own cancel", true, true}}) {
    SCOPED_TRACE(c.what);
    apptest::TempDataFolder data;
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    apptest::objects().createMirsol();
    apptest::objects().createModem();
    Window w;
    int cancels = 0;
    if (c.ownCancel) BusyGuard::onCancel(&w, [&] { ++cancels; });
    w.show();
    EXPECT_EQ(BusyGuard::state(&w), S::Idle);
    S closingSeenByCloseEvent = S::Idle;
    {
      BusyGuard busy(&w);
      EXPECT_EQ(BusyGuard::state(&w), S::Running);
      if (c.viaRequest)
        BusyGuard::requestClose(&w);
      else
        EXPECT_FALSE(w.close());
      EXPECT_EQ(BusyGuard::state(&w), S::Closing);
      EXPECT_EQ(cancels, c.ownCancel ? 1 : 0);
      if (!c.ownCancel) {
        EXPECT_EQ(gMirsol->Status_Get(), "");  // the clock objects cancel
      }
      EXPECT_TRUE(w.isVisible());
    }
    // Still closing after the exchange, until the queued close has come.
    EXPECT_EQ(BusyGuard::state(&w), S::Closing);
    struct Spy : QObject {
      S* seen;
      QWidget* w;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Close) *seen = BusyGuard::state(w);
        return false;
      }
    } spy;
    spy.seen = &closingSeenByCloseEvent;
    spy.w = &w;
    w.installEventFilter(&spy);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(closingSeenByCloseEvent, S::Closing);
    EXPECT_EQ(BusyGuard::state(&w), S::Idle);
  }
}

TEST(BusyGuardTest, AnIdleWindowsOwnCloseIsAtOnce) {
  apptest::TempDataFolder data;
  Window w;
  w.show();
  BusyGuard::requestClose(&w);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(BusyGuard::state(&w), BusyGuard::State::Idle);
}

}  // namespace

// A close the operator asked for during an exchange cancels it: the boxes the window (or a
// window opened over it) would show until it has gone open none, and answer as closed without
// a button; other windows' boxes, and the window's own once it is idle again, still show.
TEST(BusyGuardTest, NoBoxOverAWindowClosedDuringItsExchange) {
  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes(msgbox::Yes);
  Window mainWindow(true);
  Window clockWindow;
  Window over;
  over.setParent(&clockWindow, Qt::Dialog);
  Window bystander;
  for (QWidget* w : {static_cast<QWidget*>(&mainWindow), static_cast<QWidget*>(&clockWindow),
                     static_cast<QWidget*>(&over), static_cast<QWidget*>(&bystander)})
    w->show();
  {
    BusyGuard busy(&clockWindow);
    clockWindow.close();
  }
  EXPECT_EQ(MsgBox(332, msgbox::Critical, {}, {}, &clockWindow), msgbox::Ok);
  EXPECT_EQ(MsgBox(194, msgbox::YesNo | msgbox::Question, {}, {}, &over), msgbox::No);
  MsgBox(338, msgbox::Critical, {}, {}, &bystander);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{338});
  QCoreApplication::processEvents();  // the close is delivered
  EXPECT_FALSE(clockWindow.isVisible());

  // The main window's close waits for every window's exchange: the boxes over the windows
  // opened over it stay unshown too, until it has gone.
  clockWindow.show();
  boxes.clear();
  {
    BusyGuard busy(&clockWindow);
    mainWindow.close();
    clockWindow.setParent(&mainWindow, Qt::Dialog);
    clockWindow.show();
  }
  MsgBox(332, msgbox::Critical, {}, {}, &clockWindow);
  EXPECT_TRUE(boxes.boxes().empty());
  QCoreApplication::processEvents();
  EXPECT_FALSE(mainWindow.isVisible());
  clockWindow.setParent(nullptr);
  clockWindow.show();
  MsgBox(332, msgbox::Critical, {}, {}, &clockWindow);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{332});
}

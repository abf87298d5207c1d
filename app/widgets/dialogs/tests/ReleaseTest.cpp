// Module Release: the shared checks and the start-up, headless (message boxes recorded).
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreWriters.h"
#include "testsupport/PeerProcess.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/dialogs/ReleaseBoxes.h"
#include "widgets/dialogs/frmSplash.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

basic::DateTime day(int y, int m, int d) {
  basic::DateTime t;
  t.year = y;
  t.month = m;
  t.day = d;
  return t;
}

class ReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
  }
  apptest::TempDataFolder data;
};

TEST_F(ReleaseTest, MensajeErrorCommMapsCodesToBoxes) {
  struct Case {
    int16_t code;
    int16_t show;
    bool result;
    int box;  // 0 = none
  };
  const Case cases[] = {{-100, 1, false, 0},  {-101, 1, true, 0},   {-200, 1, true, 320},
                        {-300, 1, true, 306}, {-400, 1, true, 346}, {-500, 1, true, 330},
                        {-500, 0, true, 0},   {7, 1, true, 0}};
  for (const Case& c : cases) {
    apptest::MsgBoxRecorder boxes;
    EXPECT_EQ(MensajeErrorComm(c.code, c.show), c.result) << c.code;
    if (c.box == 0) {
      EXPECT_TRUE(boxes.boxes().empty()) << c.code;
    } else {
      ASSERT_EQ(boxes.numbers(), std::vector<int>{c.box}) << c.code;
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
      EXPECT_EQ(boxes.boxes()[0].title, "");
    }
  }
}

TEST_F(ReleaseTest, ValidarHoraRefusesOutOfRangeWith327) {
  struct Case {
    const char* hour;
    const char* minute;
    bool ok;
  };
  const Case cases[] = {{"23", "59", true},
                        {"0", "0", true},
                        {"24", "00", false},
                        {"12", "60", false},
                        {"-1", "10", false}};
  for (const Case& c : cases) {
    apptest::MsgBoxRecorder boxes;
    EXPECT_EQ(ValidarHora(c.hour, c.minute), c.ok) << c.hour << ":" << c.minute;
    if (c.ok) {
      EXPECT_TRUE(boxes.boxes().empty());
    } else {
      ASSERT_EQ(boxes.numbers(), std::vector<int>{327});
      EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Exclamation);
    }
  }
}

TEST_F(ReleaseTest, ValidarFechaUsesThisYearOrTheOneBefore) {
  struct Case {
    basic::DateTime today;
    const char* month;
    const char* day;
    bool ok;
    int year;
  };
  const Case cases[] = {
      {day(2024, 3, 10), "02", "29", true, 2024},  // leap year
      {day(2026, 3, 10), "02", "29", false, 0},    // not one
      {day(2025, 1, 1), "12", "31", true, 2024},   // a later month is last year's
      {day(2025, 3, 1), "02", "29", false, 0},     // February is this year's: 2025 has none
      {day(2026, 5, 10), "13", "01", false, 0},    // no such month
      {day(2026, 5, 10), "04", "31", false, 0},    // no such day
      {day(2026, 5, 10), "04", "0", false, 0},
      {day(2026, 5, 10), "x4", "10", false, 0},  // not numeric
      {day(2026, 5, 10), "", "10", false, 0},
  };
  for (const Case& c : cases) {
    int year = 0;
    const bool ok = ValidarFecha(c.month, c.day, c.today, &year);
    EXPECT_EQ(ok, c.ok) << c.month << "/" << c.day;
    if (c.ok) {
      EXPECT_EQ(year, c.year);
    }
  }
}

TEST_F(ReleaseTest, MarcarEstadoTouchesNothingInMultiCompanyOrAutomaticSetups) {
  struct Case {
    int16_t multi;
    int16_t autoFlag;
    bool writes;
  };
  for (const Case& c : {Case{0, 0, true}, Case{1, 0, false}, Case{0, 1, false}}) {
    for (const char* f : {"IN.TMP", "OU.TMP", "OK.TMP"}) std::remove(data.file(f).c_str());
    data.write("OK.TMP", "");
    gCfgFile->MultiEmpresa = c.multi;
    gCfgFile->Auto = c.autoFlag;
    MarcarEstado(2);
    EXPECT_EQ(data.exists("IN.TMP"), c.writes);
    EXPECT_EQ(data.exists("OK.TMP"), !c.writes);
    MarcarEstado(3);
    EXPECT_EQ(data.exists("OU.TMP"), c.writes);
    EXPECT_FALSE(data.exists("IN.TMP"));
  }
}

TEST_F(ReleaseTest, SepararCamposCutsAtSingleBlanks) {
  struct Case {
    std::string line;
    std::array<std::string, 5> fields;
    std::string rest;
  };
  const Case cases[] = {
      // card-first line: card, date, time, clock, reader, description
      {"00123 01/02/2026 08:00 01 02 Ana Perez",
       {"00123", "01/02/2026", "08:00", "01", "02"},
       "Ana Perez"},
      // a touch line starts with a blank that belongs to the card
      {" 00FF 01/02/2026 08:00 1 01", {" 00FF", "01/02/2026", "08:00", "1", "01"}, ""},
      // short: the missing fields stay empty
      {"123 01/02/2026", {"123", "01/02/2026", "", "", ""}, ""},
      // a double blank is an empty field, not one separator
      {"A  B C D E", {"A", "", "B", "C", "D"}, "E"},
      {"", {"", "", "", "", ""}, ""},
  };
  for (const Case& c : cases) {
    gSplitFields->rest = "stale";
    SepararCampos(c.line);
    EXPECT_EQ(gSplitFields->fields, c.fields) << "'" << c.line << "'";
    EXPECT_EQ(gSplitFields->rest, c.rest) << "'" << c.line << "'";
  }
}

TEST_F(ReleaseTest, DecideStartFollowsLockUsersAndWeekdayMask) {
  using K = StartChoice::Kind;
  using L = StoreLoad;
  // 2026-01-05 is a Monday; 2026-01-10 a Saturday, 2026-01-11 a Sunday.
  struct Case {
    LockState lock;
    StoreLoad users;
    int16_t autoFlag;
    std::string mask;
    basic::DateTime today;
    K kind;
    int message;
    int title;
  };
  const Case cases[] = {
      {LockState::Held, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Refuse, 166, 0},
      {LockState::Held, L::Missing, 1, "11111111", day(2026, 1, 5), K::Refuse, 166, 0},
      {LockState::Failed, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Refuse, 320, 0},
      {LockState::Acquired, L::Missing, 0, "11111111", day(2026, 1, 5), K::Refuse, 310, 320},
      {LockState::Acquired, L::Empty, 0, "11111111", day(2026, 1, 5), K::Refuse, 335, 320},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 5), K::Automatic, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 9), K::Automatic, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 10), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "01111101", day(2026, 1, 11), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 0, "11111111", day(2026, 1, 5), K::Login, 0, 0},
      {LockState::Acquired, L::Loaded, 1, "1", day(2026, 1, 11), K::Automatic, 0, 0},  // Sunday
      {LockState::Acquired, L::Loaded, 1, "1", day(2026, 1, 5), K::Login, 0, 0},  // past the end
  };
  for (const Case& c : cases) {
    const StartChoice s = decideStart(c.lock, c.users, c.autoFlag, c.mask, c.today);
    EXPECT_EQ(s.kind, c.kind) << c.mask << " " << c.today.day;
    EXPECT_EQ(s.message, c.message);
    EXPECT_EQ(s.title, c.title);
  }
}

TEST_F(ReleaseTest, InstanceLockRefusesASecondHolderAndKeepsItsFile) {
  InstanceLock first;
  ASSERT_EQ(first.acquire(data.path()), LockState::Acquired);
  {
    InstanceLock second;
    EXPECT_EQ(second.acquire(data.path()), LockState::Held);
  }
  InstanceLock elsewhere;
  EXPECT_EQ(elsewhere.acquire(data.path() + "no-such-folder/"), LockState::Failed);
  EXPECT_NE(elsewhere.reason(), "");
  EXPECT_TRUE(data.exists("VELTA.LCK"));
}

// ---------------------------------------------------------------------------------------
// frmSplash

TEST_F(ReleaseTest, SplashHandsBackTrimmedTextsOrNothing) {
  {
    frmSplash w;
    w.show();
    QTest::keyClicks(w.userBox(), "  ana ");
    QTest::keyClicks(w.passwordBox(), "1234 ");
    EXPECT_EQ(w.passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(w.acceptButton()->isDefault());
    QTest::keyClick(w.passwordBox(), Qt::Key_Return);  // the default button
    EXPECT_EQ(w.prUser, "ana");
    EXPECT_EQ(w.prPsw, "1234");
    EXPECT_EQ(w.windowTitle(), "Velta 2000");
    EXPECT_EQ(w.acceptButton()->text().toStdString(), GetMsg(108));
  }
  for (bool closeBox : {false, true}) {
    frmSplash w;
    w.show();
    QTest::keyClicks(w.userBox(), "ana");
    QTest::keyClicks(w.passwordBox(), "1");
    if (closeBox)
      w.close();
    else
      QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(w.prUser, "");
    EXPECT_EQ(w.prPsw, "");
  }
  frmSplash shown;
  QTest::keyClicks(shown.userBox(), "DEMO");
  EXPECT_TRUE(apptest::grabNonBlank(&shown, "frmSplash.png"));
}

}  // namespace

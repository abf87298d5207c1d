// The user editor's logic without its window: the slot a new user takes, what loading shows,
// Accept's checks of the name, the password and its repetition, and the last administrator.
#include "admin/FUsrModel.h"

#include "admin/tests/EditorTestData.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <gtest/gtest.h>

namespace {

class FUsrModelTest : public ::testing::Test {
 protected:
  FUsrModelTest() {
    apptest::objects().createSettings();
    users.Iniciar(tmp.file("VELTA.DAT"));
  }

  void putUser(int16_t slot, const std::string& name, int32_t psw, int16_t level) {
    editortest::putUser(users, slot, name, psw, level);
  }

  apptest::TempDataFolder tmp;
  apptest::RecordingReporter reporter;
  ClsUsers users;
};

TEST_F(FUsrModelTest, NewUserGoesToTheFirstFreeSlot) {
  putUser(1, "admin", 1, 2);
  putUser(2, "ana", 2, 0);
  users.Operation = 0;
  FUsrModel m(users, reporter);
  ASSERT_TRUE(m.load());
  EXPECT_EQ(m.controls.level, 0);
  EXPECT_EQ(m.controls.usr, "");
  m.controls.usr = "  luis ";
  m.controls.psw = m.controls.vPsw = "123";
  m.controls.level = 2;
  ASSERT_TRUE(m.accept());
  EXPECT_EQ(users.Operation, 1);
  ASSERT_TRUE(users.GetCurData(3));
  EXPECT_EQ(users.Code, 3);
  EXPECT_EQ(users.Version, 1);
  EXPECT_EQ(basic::Trim(users.Name), "luis");
  EXPECT_EQ(users.Psw, 123);
  EXPECT_EQ(users.Level, 2);
}

struct UserCase {
  const char* name;
  std::string usr, psw, vPsw;
  int box;  // 0: stored
  int32_t stored;
};

TEST_F(FUsrModelTest, AcceptChecksNamePasswordAndItsRepetition) {
  putUser(1, "admin", 1, 2);
  const UserCase cases[] = {
      {"blank name", "   ", "1", "1", 325, 0},
      {"leading zero in one box only", "u", "0123", "123", 360, 0},
      {"letters", "u", "abc", "abc", 410, 0},
      {"both empty", "u", "", "", 410, 0},
      {"beyond 32 bits", "u", "1e10", "1e10", 410, 0},
      {"huge exponent", "u", "9e99", "9e99", 410, 0},
      {"half rounds to even", "u", "2.5", "2.5", 0, 2},
      {"negative", "u", "-7", "-7", 0, -7},
      {"leading zero in both", "u", "0123", "0123", 0, 123},
  };
  for (const UserCase& tc : cases) {
    SCOPED_TRACE(tc.name);
    users.Borrar(2);
    reporter.clear();
    users.Operation = 0;
    FUsrModel m(users, reporter);
    ASSERT_TRUE(m.load());
    m.controls.usr = tc.usr;
    m.controls.psw = tc.psw;
    m.controls.vPsw = tc.vPsw;
    EXPECT_EQ(m.accept(), tc.box == 0);
    EXPECT_EQ(users.Operation, 1);
    if (tc.box != 0) {
      EXPECT_EQ(reporter.numbers(), std::vector<int>{tc.box});
      EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Critical);
      EXPECT_TRUE(users.Deleted(2));
      if (tc.box == 325) {
        EXPECT_EQ(m.controls.usr, "");
      }
      continue;
    }
    ASSERT_TRUE(users.GetCurData(2));
    EXPECT_EQ(users.Psw, tc.stored);
  }
}

TEST_F(FUsrModelTest, ExistingUserKeepsPasswordAndSlot) {
  putUser(1, "admin", 1, 2);
  putUser(4, "eva", 4321, 1);
  users.Operation = 4;
  FUsrModel m(users, reporter);
  ASSERT_TRUE(m.load());
  EXPECT_EQ(m.controls.usr, "eva");
  EXPECT_EQ(m.controls.psw, "4321");
  EXPECT_EQ(m.controls.vPsw, "4321");
  EXPECT_EQ(m.controls.level, 1);
  ASSERT_TRUE(m.accept());
  ASSERT_TRUE(users.GetCurData(4));
  EXPECT_EQ(users.Psw, 4321);
  EXPECT_EQ(users.Code, 4);
}

TEST_F(FUsrModelTest, StoredLevelOutsideTheListShowsNoRowAndIsNotStored) {
  putUser(1, "admin", 1, 2);
  putUser(2, "odd", 1, 7);
  users.Operation = 2;
  FUsrModel m(users, reporter);
  ASSERT_TRUE(m.load());
  EXPECT_EQ(m.controls.level, -1);
  EXPECT_FALSE(m.accept());
  EXPECT_EQ(reporter.numbers(), std::vector<int>{325});
  ASSERT_TRUE(users.GetCurData(2));
  EXPECT_EQ(users.Level, 7);
}

TEST_F(FUsrModelTest, TheLastAdministratorCannotBeDemoted) {
  putUser(1, "boss", 1, 2);
  putUser(2, "ana", 2, 0);
  users.Operation = 1;
  FUsrModel only(users, reporter);
  ASSERT_TRUE(only.load());
  only.controls.level = 1;
  EXPECT_FALSE(only.accept());
  EXPECT_EQ(reporter.numbers(), std::vector<int>{338});
  ASSERT_TRUE(users.GetCurData(1));
  EXPECT_EQ(users.Level, 2);

  putUser(3, "second", 3, 2);
  reporter.clear();
  users.Operation = 1;
  FUsrModel oneOfTwo(users, reporter);
  ASSERT_TRUE(oneOfTwo.load());
  oneOfTwo.controls.level = 0;
  EXPECT_TRUE(oneOfTwo.accept());
  EXPECT_TRUE(reporter.reports().empty());
  ASSERT_TRUE(users.GetCurData(1));
  EXPECT_EQ(users.Level, 0);
}

}  // namespace

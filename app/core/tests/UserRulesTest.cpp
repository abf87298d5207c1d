// The last administrator cannot be deleted or demoted while other users remain.
#include "core/UserRules.h"

#include "core/ClsUsers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(UserRules, TheLastAdministratorStaysWhileOthersRemain) {
  QTemporaryDir dir;
  ClsUsers users;
  users.Iniciar(dir.filePath("VELTA.DAT").toStdString());
  int16_t next = 1;
  auto add = [&](const char* name, int16_t level) {
    ASSERT_TRUE(users.Nuevo());
    ASSERT_TRUE(users.GetCurData(next));
    users.Name = name;
    users.Level = level;
    users.Psw = 1;
    ASSERT_TRUE(users.SetCurData(next));
    ++next;
  };
  add("ADMIN", 2);
  EXPECT_TRUE(leavesAnAdministrator(users, 1, -1));  // the only user may go
  add("CLERK", 0);
  EXPECT_FALSE(leavesAnAdministrator(users, 1, -1));
  EXPECT_FALSE(leavesAnAdministrator(users, 1, 1));
  EXPECT_TRUE(leavesAnAdministrator(users, 2, -1));
  EXPECT_TRUE(leavesAnAdministrator(users, 2, 2));
  add("BOSS", 2);
  EXPECT_TRUE(leavesAnAdministrator(users, 1, -1));
  EXPECT_TRUE(leavesAnAdministrator(users, 1, 0));
}

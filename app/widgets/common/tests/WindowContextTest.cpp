// The context a window is handed: the owner's run context, windows' state (with the main window
// and the pictures) and administration objects while the owner holds them, none after.
#include "widgets/common/WindowContext.h"

#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/common/MainWindowHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Host : public MainWindowHost {
 public:
  void setDialEnabled(bool) override {}
  bool dialEnabled() const override { return true; }
  void setDialPicture(int) override {}
  void setSelectorEnabled(bool) override {}
  void setDisplayState(int) override {}
  int displayState() const override { return 0; }
};

TEST(WindowContextTest, GivesWhatTheOwnerHoldsUntilItsRelease) {
  apptest::TempDataFolder data;
  apptest::objects().createSettings();
  apptest::objects().createClockList();
  apptest::objects().createMirsol();
  apptest::objects().createModem();
  Host host;
  apptest::windowState().get()->host = &host;
  const WindowContext handed = apptest::windowContext();
  WindowContext assigned;
  assigned = handed;
  const std::vector<const WindowContext*> contexts = {&handed, &assigned};
  for (const WindowContext* c : contexts) {
    ASSERT_TRUE(c->run());
    EXPECT_EQ(&c->run()->mirsol, gMirsol);
    EXPECT_EQ(c->host(), &host);
    EXPECT_EQ(c->admin().cfg, gCfgFile);
    EXPECT_EQ(c->imgTool().size(), 12);
    EXPECT_EQ(c->img().size(), 14);
  }
  // Drawn once for the owner: every window shows the same pictures.
  EXPECT_EQ(handed.img().front().cacheKey(), assigned.img().front().cacheKey());

  apptest::resetProgramObjects();
  for (const WindowContext* c : contexts) {
    EXPECT_FALSE(c->run());
    EXPECT_EQ(c->state(), nullptr);
    EXPECT_EQ(c->host(), nullptr);
    EXPECT_EQ(c->admin().cfg, nullptr);
    EXPECT_TRUE(c->img().isEmpty());
  }
}

TEST(WindowContextTest, AContextHandedNothingGivesNothing) {
  apptest::TempDataFolder data;
  apptest::objects().createSettings();
  const WindowContext none;
  EXPECT_FALSE(none.run());
  EXPECT_EQ(none.state(), nullptr);
  EXPECT_EQ(none.host(), nullptr);
  EXPECT_EQ(none.admin().cfg, nullptr);
  EXPECT_TRUE(none.imgTool().isEmpty());
}

}  // namespace

// The platform a start takes before its QApplication: offscreen when no display is named and
// no platform chosen, the caller's platform untouched, a named display that cannot be reached
// reported by name, and a display reached whose Qt platform cannot be loaded started without,
// by name. Wayland compositors are played by a listening socket; the live X display (Xvfb) and
// a live compositor (weston) are in VeltaUnattendedTest.
#include "widgets/main/StartPlatform.h"

#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kVariables[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET",
                                  "XDG_RUNTIME_DIR"};

// The variables above as a case sets them (missing: unset), the test's own put back after.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::map<std::string, std::string>& values) {
    for (const char* name : kVariables) {
      if (const char* old = std::getenv(name)) m_saved[name] = old;
      const auto it = values.find(name);
      if (it == values.end())
        ::unsetenv(name);
      else
        ::setenv(name, it->second.c_str(), 1);
    }
  }
  ~ScopedEnvironment() {
    for (const char* name : kVariables) {
      const auto it = m_saved.find(name);
      if (it == m_saved.end())
        ::unsetenv(name);
      else
        ::setenv(name, it->second.c_str(), 1);
    }
  }

 private:
  std::map<std::string, std::string> m_saved;
};

// A compositor's listening socket at `path`.
class ListeningSocket {
 public:
  explicit ListeningSocket(const std::string& path) {
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(m_fd, 64) == 0;  // never accepts: room for every case
  }
  ~ListeningSocket() {
    if (m_fd >= 0) ::close(m_fd);
  }
  bool ok() const { return m_ok; }

 private:
  int m_fd = -1;
  bool m_ok = false;
};

TEST(StartPlatform, TakesOffscreenOnlyWhenNothingIsNamedAndReportsWhatCannotBeReached) {
  apptest::TempDataFolder data;
  const std::string runtime = data.path().substr(0, data.path().size() - 1);
  ListeningSocket compositor(data.file("wayland-live"));
  ASSERT_TRUE(compositor.ok());
  ASSERT_TRUE(platformPluginLoads("wayland", platformPluginFolders()))
      << "Qt's Wayland platform (qt6-wayland) is not installed";
  std::filesystem::create_directory(data.file("no-plugins"));
  // An X display that is never there, whatever runs on the machine: a name of no display
  // form (the dead display numbers are in VeltaUnattendedTest).
  const std::string deadX = "no-x-display";
  const std::map<std::string, std::string> live = {{"WAYLAND_DISPLAY", "wayland-live"},
                                                   {"XDG_RUNTIME_DIR", runtime}};
  const auto with = [](std::map<std::string, std::string> m,
                       const std::map<std::string, std::string>& more) {
    m.insert(more.begin(), more.end());
    return m;
  };
  struct Case {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<std::string> platform;  // QT_QPA_PLATFORM afterwards (nullopt: unset)
    std::string unreachable;
    bool plugins = true;               // Qt's plugin folders, or a folder with none
    std::string withoutPlatform = "";  // the display reached whose platform does not load
  };
  const Case cases[] = {
      {"nothing named", {}, "offscreen", ""},
      {"empty names and no platform",
       {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}},
       "offscreen",
       ""},
      {"the caller's platform, with a display nobody serves",
       {{"QT_QPA_PLATFORM", "minimal"}, {"DISPLAY", deadX}},
       "minimal",
       ""},
      {"a live compositor by name", live, std::nullopt, ""},
      {"a live compositor by path",
       {{"WAYLAND_DISPLAY", data.file("wayland-live")}},
       std::nullopt,
       ""},
      {"a compositor's handed socket",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"WAYLAND_SOCKET", "9"}},
       std::nullopt,
       ""},
      {"a live compositor and a dead X display", with(live, {{"DISPLAY", deadX}}), std::nullopt,
       ""},
      {"a live compositor without its platform", live, "offscreen", "", false,
       "wayland-live (WAYLAND_DISPLAY)"},
      {"a live compositor without its platform and a dead X display",
       with(live, {{"DISPLAY", deadX}}), "offscreen", "", false, "wayland-live (WAYLAND_DISPLAY)"},
      {"no compositor",
       {{"WAYLAND_DISPLAY", "wayland-gone"}, {"XDG_RUNTIME_DIR", runtime}},
       std::nullopt,
       "wayland-gone (WAYLAND_DISPLAY)"},
      {"no compositor, no platform either",
       {{"WAYLAND_DISPLAY", "wayland-gone"}, {"XDG_RUNTIME_DIR", runtime}},
       std::nullopt,
       "wayland-gone (WAYLAND_DISPLAY)",
       false},
      {"a compositor name without a runtime folder",
       {{"WAYLAND_DISPLAY", "wayland-live"}},
       std::nullopt,
       "wayland-live (WAYLAND_DISPLAY)"},
      {"a dead X display", {{"DISPLAY", deadX}}, std::nullopt, deadX + " (DISPLAY)"},
      {"both dead",
       {{"DISPLAY", deadX}, {"WAYLAND_DISPLAY", "wayland-gone"}, {"XDG_RUNTIME_DIR", runtime}},
       std::nullopt,
       deadX + " (DISPLAY), wayland-gone (WAYLAND_DISPLAY)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedEnvironment environment(c.environment);
    const StartPlatform settled =
        c.plugins ? settleStartPlatform() : settleStartPlatform({data.file("no-plugins")});
    EXPECT_EQ(settled.unreachable, c.unreachable);
    EXPECT_EQ(settled.display, c.withoutPlatform);
    EXPECT_EQ(settled.platform, c.withoutPlatform.empty() ? "" : "wayland");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (c.platform && !c.platform->empty()) {
      ASSERT_NE(platform, nullptr);
      EXPECT_EQ(std::string(platform), *c.platform);
    } else {
      EXPECT_TRUE(platform == nullptr || *platform == '\0');
    }
  }
}

// A platform counts when a plugin in the folders names it and loads, as Qt loads it.
TEST(StartPlatform, APlatformLoadsOnlyFromAPluginThatNamesItAndLoads) {
  apptest::TempDataFolder data;
  std::filesystem::create_directory(data.file("empty"));
  std::filesystem::create_directory(data.file("broken"));
  data.write("broken/libqwayland-generic.so", "not a library\n");
  const std::vector<std::string> qt = platformPluginFolders();
  struct Case {
    const char* platform;
    std::vector<std::string> folders;
    bool loads;
  };
  const Case cases[] = {
      {"offscreen", qt, true},
      {"wayland", qt, true},
      {"WAYLAND", qt, true},
      {"xcb", qt, true},
      {"no-such-platform", qt, false},
      {"wayland", {data.file("empty")}, false},
      {"wayland", {data.file("broken")}, false},
      {"wayland", {data.file("missing")}, false},
      {"wayland", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.platform) + " in " + std::to_string(c.folders.size()));
    EXPECT_EQ(platformPluginLoads(c.platform, c.folders), c.loads);
  }
}

}  // namespace

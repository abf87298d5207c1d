// The platform a start takes before its QApplication: offscreen when no display is named and
// no platform chosen, the caller's platform untouched, and a named display that cannot be
// reached reported by name. Wayland compositors are played by a listening socket; the live X
// display is in VeltaUnattendedTest (Xvfb).
#include "widgets/main/StartPlatform.h"

#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
           ::listen(m_fd, 4) == 0;
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
  // An X display that is never there, whatever runs on the machine: a name of no display
  // form (the dead display numbers are in VeltaUnattendedTest).
  const std::string deadX = "no-x-display";
  struct Case {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<std::string> platform;  // QT_QPA_PLATFORM afterwards (nullopt: unset)
    std::string unreachable;
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
      {"a live compositor by name",
       {{"WAYLAND_DISPLAY", "wayland-live"}, {"XDG_RUNTIME_DIR", runtime}},
       std::nullopt,
       ""},
      {"a live compositor by path",
       {{"WAYLAND_DISPLAY", data.file("wayland-live")}},
       std::nullopt,
       ""},
      {"a compositor's handed socket",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"WAYLAND_SOCKET", "9"}},
       std::nullopt,
       ""},
      {"a live compositor and a dead X display",
       {{"WAYLAND_DISPLAY", "wayland-live"}, {"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", deadX}},
       std::nullopt,
       ""},
      {"no compositor",
       {{"WAYLAND_DISPLAY", "wayland-gone"}, {"XDG_RUNTIME_DIR", runtime}},
       std::nullopt,
       "wayland-gone (WAYLAND_DISPLAY)"},
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
    EXPECT_EQ(settleStartPlatform(), c.unreachable);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (c.platform && !c.platform->empty()) {
      ASSERT_NE(platform, nullptr);
      EXPECT_EQ(std::string(platform), *c.platform);
    } else {
      EXPECT_TRUE(platform == nullptr || *platform == '\0');
    }
  }
}

}  // namespace

// The program `velta` started as cron, ssh or a service start it: no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM and no XDG_RUNTIME_DIR in its environment (the test
// suite's own offscreen choice is taken out). The automatic run collects with nothing of Qt's
// own on standard error, every refusal (a start that needs the log-in among them) ends with
// status 1 and says why on standard error and in the daily log, and a display named that
// cannot be reached ends with status 1 and says which, never an abort. A live X display (Xvfb)
// and a live Wayland compositor (weston) are still used, the compositor also with Qt's
// Wayland platform made unloadable.
#include "core/Basic.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreWriters.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/PeerProcess.h"

#include <basekit/codepage.h>
#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Environment = std::vector<std::pair<QString, QString>>;

struct Ended {
  int status = -1;  // as a shell shows it: the exit status, 128 + the signal of a crash
  std::string standardError;
};

// velta in `folder` with no display and no platform in its environment, plus `extra`.
Ended runVelta(const std::string& folder, const Environment& extra = {}) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
    environment.remove(QString::fromLatin1(name));
  for (const auto& [name, value] : extra) environment.insert(name, value);
  QProcess velta;
  velta.setProcessEnvironment(environment);
  velta.setWorkingDirectory(QString::fromStdString(folder));
  velta.setStandardOutputFile(QProcess::nullDevice());
  velta.start(QString::fromStdString(clocklink::testing::peerPath(VELTA_PROGRAM)), {});
  Ended ended;
  // A hang guard for a loaded machine, not a measure.
  if (!velta.waitForFinished(120000)) {
    velta.kill();
    velta.waitForFinished();
    ended.standardError = "(still running after 120 s) ";
  } else {
    ended.status =
        velta.exitStatus() == QProcess::NormalExit ? velta.exitCode() : 128 + velta.exitCode();
  }
  ended.standardError += velta.readAllStandardError().toStdString();
  return ended;
}

bool connects(int family, const sockaddr* address, socklen_t length) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, address, length) == 0;
  ::close(fd);
  return ok;
}

// An X display number nothing serves: no socket file, no abstract socket, no lock, no TCP
// port 6000 + n on loopback (the forms an X client tries for ":n").
int deadDisplayNumber() {
  for (int n = 77; n < 200; ++n) {
    const std::string socketPath = "/tmp/.X11-unix/X" + std::to_string(n);
    struct stat st {};
    if (::stat(socketPath.c_str(), &st) == 0) continue;
    if (::stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) == 0) continue;
    sockaddr_un abstract{};
    abstract.sun_family = AF_UNIX;
    std::memcpy(abstract.sun_path + 1, socketPath.data(), socketPath.size());
    const auto abstractLength =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + socketPath.size());
    if (connects(AF_UNIX, reinterpret_cast<sockaddr*>(&abstract), abstractLength)) continue;
    sockaddr_in tcp{};
    tcp.sin_family = AF_INET;
    tcp.sin_port = htons(static_cast<uint16_t>(6000 + n));
    tcp.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connects(AF_INET, reinterpret_cast<sockaddr*>(&tcp), sizeof tcp)) continue;
    return n;
  }
  return -1;
}

// A real X server (Xvfb) on a display number it picks itself; gone with the object.
class LiveXDisplay {
 public:
  LiveXDisplay() {
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server.waitForStarted(20000)) return;
    QByteArray out;
    while (!out.contains('\n') && m_server.waitForReadyRead(20000))
      out += m_server.readAllStandardOutput();
    if (out.contains('\n')) m_name = ":" + out.trimmed().toStdString();
  }
  ~LiveXDisplay() {
    if (m_server.state() == QProcess::NotRunning) return;
    m_server.terminate();
    if (!m_server.waitForFinished(10000)) {
      m_server.kill();
      m_server.waitForFinished(10000);
    }
  }
  const std::string& name() const { return m_name; }  // "" when it did not come up

 private:
  QProcess m_server;
  std::string m_name;
};

// A real Wayland compositor (weston's headless back end) with its socket in `runtime`, a
// private folder; gone with the object.
class LiveWaylandDisplay {
 public:
  static constexpr const char* kName = "wayland-velta";
  explicit LiveWaylandDisplay(const std::string& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"})
      environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime));
    m_server.setProcessEnvironment(environment);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("weston"),
                   {QStringLiteral("--backend=headless-backend.so"),
                    QStringLiteral("--socket=") + QLatin1String(kName),
                    QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")});
    if (!m_server.waitForStarted(20000)) return;
    // Up once its socket takes a connection; a hang guard for a loaded machine, not a measure.
    const std::string path = runtime + "/" + kName;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    for (int i = 0; i < 600 && m_server.state() == QProcess::Running; ++i) {
      if (connects(AF_UNIX, reinterpret_cast<sockaddr*>(&address), sizeof address)) {
        m_up = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~LiveWaylandDisplay() {
    if (m_server.state() == QProcess::NotRunning) return;
    m_server.terminate();
    if (!m_server.waitForFinished(10000)) {
      m_server.kill();
      m_server.waitForFinished(10000);
    }
  }
  bool up() const { return m_up; }

 private:
  QProcess m_server;
  bool m_up = false;
};

// A folder holding an empty libwayland-client.so.0: on LD_LIBRARY_PATH it makes Qt's Wayland
// platform fail to load, as Qt itself would find it, the way a missing qt6-wayland does.
std::string unloadableWaylandPlatform(const apptest::TempDataFolder& data) {
  const std::string folder = data.file("broken-libraries");
  ::mkdir(folder.c_str(), 0700);
  data.write("broken-libraries/libwayland-client.so.0", "");
  return folder;
}

// A private runtime folder for the compositor (weston wants one only its user reads).
std::string runtimeFolder(const apptest::TempDataFolder& data) {
  const std::string folder = data.file("runtime");
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

class VeltaUnattended : public ::testing::Test {
 protected:
  void SetUp() override { stores::writeUsers({{"ADMIN", 1234, 2}}); }
  std::string logPath() const {
    return data.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG");
  }
  apptest::TempDataFolder data;
};

TEST_F(VeltaUnattended, ALogInStartEndsWithStatusOneAndSaysWhy) {
  struct Case {
    const char* name;
    const char* ini;  // nullptr: no settings file
    int lenguaje;
  };
  const Case cases[] = {
      {"automatic run off", "[COMMON]\r\nAUTO=0\r\nLENGUAJE=1000\r\n", 1000},
      {"no settings file", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(data.file("VELTA.INI").c_str());
    if (c.ini) data.write("VELTA.INI", c.ini);
    const Ended ended = runVelta(data.path());
    EXPECT_EQ(ended.status, 1) << ended.standardError;
    EXPECT_NE(ended.standardError.find(GetExtraMsgIn(ExtraMsg::LoginWithoutDisplay, c.lenguaje)),
              std::string::npos)
        << ended.standardError;
  }
}

// Every refusal of a start without a display, in the settings' language, where the station's
// administrator looks: on standard error (the journal, cron's mail) and in today's daily log
// (cron keeps standard error nowhere), and the program ends with status 1. Not only on a site
// with AUTO set: the start cannot tell whether it was meant to be unattended.
TEST_F(VeltaUnattended, EveryRefusalEndsWithStatusOneAndIsSaidOnStandardErrorAndInTheDailyLog) {
  std::string offToday = "11111111";
  const int today = basic::Weekday(basic::Now());
  offToday[static_cast<size_t>(today - 1)] = '0';
  enum Make { Nothing, HeldLock, UserFileFolder, ClockListFolder };
  struct Case {
    const char* name;
    std::string common;  // the [COMMON] lines besides LENGUAJE
    Make make;
    std::string (*text)(int lenguaje, const std::string& folder, const std::string& offToday,
                        int today);
  };
  const Case cases[] = {
      {"not today by AUTODIAS", "AUTO=1\r\nAUTODIAS=" + offToday + "\r\n", Nothing,
       [](int l, const std::string&, const std::string& days, int day) {
         return GetExtraMsgIn(ExtraMsg::NotAutomaticDay, l, {days, std::to_string(day)});
       }},
      {"the automatic run off", "AUTO=0\r\n", Nothing,
       [](int l, const std::string&, const std::string&, int) {
         return GetExtraMsgIn(ExtraMsg::LoginWithoutDisplay, l);
       }},
      {"the lock held by another copy", "AUTO=0\r\n", HeldLock,
       [](int l, const std::string&, const std::string&, int) { return GetMsgIn(166, l); }},
      {"a user file that cannot be read", "AUTO=0\r\n", UserFileFolder,
       [](int l, const std::string& folder, const std::string&, int) {
         return GetMsgIn(386, l) + ": " + folder + "VELTA.DAT: " + systemReasonIn(EISDIR, l);
       }},
      {"a clock list that cannot be read", "AUTO=1\r\nAUTODIAS=11111111\r\n", ClockListFolder,
       [](int l, const std::string& folder, const std::string&, int) {
         return GetMsgIn(386, l) + ": " + folder + "velta002.dat: " + systemReasonIn(EISDIR, l);
       }},
  };
  for (const int lenguaje : {0, 2000}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", LENGUAJE " + std::to_string(lenguaje));
      std::remove(logPath().c_str());
      data.write("VELTA.INI",
                 "[COMMON]\r\nLENGUAJE=" + std::to_string(lenguaje) + "\r\n" + c.common);
      InstanceLock other;
      if (c.make == HeldLock) {
        ASSERT_EQ(other.acquire(data.path()), LockState::Acquired);
      }
      const std::string folder = c.make == UserFileFolder    ? data.file("VELTA.DAT")
                                 : c.make == ClockListFolder ? data.file("velta002.dat")
                                                             : std::string();
      if (!folder.empty()) {
        std::remove(folder.c_str());
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
      }

      const Ended ended = runVelta(data.path());
      const std::string text = c.text(lenguaje, data.path(), offToday, today);
      EXPECT_EQ(ended.status, 1) << ended.standardError;
      EXPECT_NE(ended.standardError.find("velta: " + text), std::string::npos)
          << ended.standardError;
      const std::string log = basekit::cp1252ToUtf8(apptest::readWholeFile(logPath()));
      EXPECT_NE(log.find(text), std::string::npos) << log;

      if (!folder.empty()) ::rmdir(folder.c_str());
      if (c.make == UserFileFolder) stores::writeUsers({{"ADMIN", 1234, 2}});
    }
  }
}

// The automatic run at today's HORA:MINUTOS (the fixed kind): its pass starts on the first
// tick instead of after the countdown's 30 s, and the program ends after it (the eighth
// AUTODIAS character). With no display at all, and on a live X display.
TEST_F(VeltaUnattended, AnAutomaticStartCollectsEveryPunchAndLogsThePass) {
  LiveXDisplay x;
  ASSERT_FALSE(x.name().empty()) << "Xvfb did not start";
  const std::string runtime = runtimeFolder(data);
  LiveWaylandDisplay wayland(runtime);
  ASSERT_TRUE(wayland.up()) << "weston did not start";
  const Environment compositor = {
      {QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(LiveWaylandDisplay::kName)},
      {QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime)}};
  Environment withoutPlatform = compositor;
  withoutPlatform.emplace_back(QStringLiteral("LD_LIBRARY_PATH"),
                               QString::fromStdString(unloadableWaylandPlatform(data)));
  struct Case {
    const char* name;
    Environment environment;
  };
  const Case cases[] = {
      {"no display named", {}},
      {"a live X display", {{QStringLiteral("DISPLAY"), QString::fromStdString(x.name())}}},
      {"a live Wayland compositor", compositor},
      {"a live Wayland compositor whose Qt platform cannot be loaded", withoutPlatform},
  };
  constexpr int kPunches = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(data.file("R1.MIR").c_str());
    std::remove(logPath().c_str());
    apptest::TcpClockSim clock;
    clock.sim().generatePunches(kPunches, 7);
    stores::ClockSpec spec;
    spec.port = clock.port();
    spec.path = data.path();
    spec.file = "R1.MIR";
    stores::writeClocks({spec});
    // Not in the last seconds of a minute: the program must read the settings in the minute
    // they name, or its pass would be tomorrow's.
    basic::DateTime now = basic::Now();
    if (now.second >= 50) {
      std::this_thread::sleep_for(std::chrono::seconds(61 - now.second));
      now = basic::Now();
    }
    data.write("VELTA.INI", "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\nPORPROGRAMA=1\r\nHORA=" +
                                std::to_string(now.hour) +
                                "\r\nMINUTOS=" + std::to_string(now.minute) + "\r\n");

    const Ended ended = runVelta(data.path(), c.environment);
    EXPECT_EQ(ended.status, 0) << ended.standardError;
    // Qt's own remarks of a start without a display or a runtime folder are no news to the
    // station's administrator.
    for (const char* remark : {"propagateSizeHints", "XDG_RUNTIME_DIR"})
      EXPECT_EQ(ended.standardError.find(remark), std::string::npos) << ended.standardError;
    EXPECT_EQ(apptest::linesOf(data.read("R1.MIR")).size(), static_cast<size_t>(kPunches))
        << ended.standardError;
    const std::string log = apptest::readWholeFile(logPath());
    EXPECT_NE(log.find("Velta 2000"), std::string::npos) << log;
    EXPECT_NE(log.find(GetMsgIn(266, 0)), std::string::npos) << log;  // the pass ended
  }
}

// A log-in start on a live compositor whose Qt platform cannot be loaded: no abort, status 1
// and the display and the platform named, in the language.
TEST_F(VeltaUnattended, ALogInStartOnADisplayWithoutItsPlatformEndsWithStatusOneAndSaysWhy) {
  const std::string runtime = runtimeFolder(data);
  LiveWaylandDisplay wayland(runtime);
  ASSERT_TRUE(wayland.up()) << "weston did not start";
  const std::string libraries = unloadableWaylandPlatform(data);
  for (const int lenguaje : {0, 2000}) {
    SCOPED_TRACE(lenguaje);
    data.write("VELTA.INI", "[COMMON]\r\nAUTO=0\r\nLENGUAJE=" + std::to_string(lenguaje) + "\r\n");
    const Ended ended = runVelta(
        data.path(), {{QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(LiveWaylandDisplay::kName)},
                      {QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime)},
                      {QStringLiteral("LD_LIBRARY_PATH"), QString::fromStdString(libraries)}});
    EXPECT_EQ(ended.status, 1) << ended.standardError;
    EXPECT_NE(ended.standardError.find(GetExtraMsgIn(
                  ExtraMsg::DisplayPlatformMissing, lenguaje,
                  {std::string(LiveWaylandDisplay::kName) + " (WAYLAND_DISPLAY)", "wayland"})),
              std::string::npos)
        << ended.standardError;
  }
}

TEST_F(VeltaUnattended, ADisplayThatCannotBeReachedEndsWithStatusOneAndSaysWhich) {
  const int dead = deadDisplayNumber();
  ASSERT_GT(dead, 0);
  const QString x = ":" + QString::number(dead);
  const QString runtime = QString::fromStdString(data.path());
  struct Case {
    const char* name;
    const char* ini;
    int lenguaje;
    Environment environment;
    std::string named;
  };
  const std::string automatic = "[COMMON]\r\nAUTO=1\r\nAUTODIAS=11111111\r\nLENGUAJE=2000\r\n";
  const Case cases[] = {
      {"X, a log-in start",
       "[COMMON]\r\nAUTO=0\r\n",
       0,
       {{"DISPLAY", x}},
       x.toStdString() + " (DISPLAY)"},
      {"X, an automatic start",
       automatic.c_str(),
       2000,
       {{"DISPLAY", x}},
       x.toStdString() + " (DISPLAY)"},
      {"no display name",
       "[COMMON]\r\nLENGUAJE=1000\r\n",
       1000,
       {{"DISPLAY", "nonsense"}},
       "nonsense (DISPLAY)"},
      {"Wayland",
       "[COMMON]\r\nLENGUAJE=1000\r\n",
       1000,
       {{"WAYLAND_DISPLAY", "wayland-none"}, {"XDG_RUNTIME_DIR", runtime}},
       "wayland-none (WAYLAND_DISPLAY)"},
      {"X and Wayland",
       "[COMMON]\r\nAUTO=0\r\n",
       0,
       {{"DISPLAY", x}, {"WAYLAND_DISPLAY", "wayland-none"}, {"XDG_RUNTIME_DIR", runtime}},
       x.toStdString() + " (DISPLAY), wayland-none (WAYLAND_DISPLAY)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    data.write("VELTA.INI", c.ini);
    const Ended ended = runVelta(data.path(), c.environment);
    EXPECT_EQ(ended.status, 1) << ended.standardError;
    EXPECT_NE(ended.standardError.find(
                  GetExtraMsgIn(ExtraMsg::DisplayUnreachable, c.lenguaje, {c.named})),
              std::string::npos)
        << ended.standardError;
  }
}

}  // namespace

// The remote-command window against a real rshd (in.rshd under tcpserver) and scripted stubs.
// The control's events reach the window through the Qt event loop alone: the tests only let
// that loop run.
#include "widgets/clock/FRsh.h"

#include "Peers.h"
#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "testsupport/RshdFixture.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

using apptest::waitFor;
using remcmd::test::lit;
using remcmd::test::Step;
using remcmd::test::StubRshd;

namespace {

class FRshTest : public ::testing::Test {
 protected:
  apptest::TempDataFolder data;
  std::vector<std::string> callerLines;

  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    apptest::objects().createSettings();
    gCfgFile->RSHServer = "127.0.0.1";
    gCfgFile->RSHUser = "veltatest";
    gCfgFile->RSHPathEvt = "/usr/sap/R3P/SYS/exe/run/";
    gCfgFile->RSHSystemName = "PRD";
    gCfgFile->RSHSystemNumber = "00";
    gCfgFile->tmpFTPFileName = "REGIS.MIR";
    gCfgFile->tmpReturnValue = -100;  // an earlier run's result
    gCfgFile->tmpLst = [this](const std::string& t) { callerLines.push_back(t); };
  }
  void TearDown() override { clocklink::setEventPump(nullptr); }

  static QString label(FRsh& w) { return w.findChild<QLabel*>("LblMsg")->text(); }
  static QPushButton* button(FRsh& w) { return w.findChild<QPushButton*>("Command1"); }
  static QTimer* exitTimer(FRsh& w) { return w.findChild<QTimer*>("TmrExit"); }
  static std::vector<std::string> errLines(FRsh& w) {
    std::vector<std::string> out;
    auto* list = w.findChild<QListWidget*>("LstErr");
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
  }
  static void toPort(FRsh& w, uint16_t port, int16_t timeout = 60) {
    w.command().beforeExecute = [port, timeout](remcmd::Remcmd& ctl) {
      ctl.put_RemotePort(port);
      ctl.put_Timeout(timeout);
    };
  }
};

TEST_F(FRshTest, RealRshdRunsTheExactCommandLine) {
  apptest::RshdFixture rshd;
  ASSERT_TRUE(rshd.started()) << "tcpserver did not start";
  apptest::SharedFolder folder;
  // Prints its own command line, one error line, then waits for the test's go.
  folder.writeScript("sapevt", "#!/bin/sh\necho \"$0 $*\"\necho aviso >&2\nwhile [ ! -e " +
                                   folder.path() + "go ]; do sleep 0.05; done\n");
  gCfgFile->RSHPathEvt = folder.path();
  const std::string commandLine = folder.path() + "sapevt ZHRMARCAS -p REGIS.MIR -t name=PRD nr=00";
  FRsh w(gCfgFile);
  toPort(w, rshd.port());
  w.show();
  EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
  ASSERT_TRUE(waitFor([&] { return label(w).toStdString() == commandLine; }))
      << label(w).toStdString();
  EXPECT_EQ(callerLines.front(), commandLine);
  ASSERT_TRUE(waitFor([&] { return errLines(w).size() == 1; }));
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FRsh-running.png"));
  std::ofstream(folder.path() + "go");
  ASSERT_TRUE(waitFor([&] { return label(w) == "Comando ejecutado. Finalizando"; }));
  EXPECT_EQ(errLines(w), (std::vector<std::string>{"StdErr:aviso", "StdErr:OK"}));
  EXPECT_EQ(callerLines, (std::vector<std::string>{commandLine, "StdErr:aviso", "StdErr:OK"}));
  EXPECT_EQ(gCfgFile->tmpReturnValue, -100);
  EXPECT_FALSE(button(w)->isEnabled());
  EXPECT_EQ(exitTimer(w)->interval(), 3000);
  ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
  EXPECT_EQ(gCfgFile->tmpReturnValue, -100);
}

TEST_F(FRshTest, ShortOutputWithoutACallerList) {
  gCfgFile->tmpLst = nullptr;  // the manual reading hands no list over
  StubRshd stub({{Step::Out, lit("\0\n")},
                 {Step::Err, "x\n"},
                 {Step::Sleep, "", 100},
                 {Step::CloseErr, ""},
                 {Step::CloseOut, ""}});
  FRsh w(gCfgFile);
  toPort(w, stub.port());
  w.show();
  ASSERT_TRUE(waitFor([&] { return label(w) == "Comando ejecutado. Finalizando"; }));
  EXPECT_EQ(errLines(w).front(), "StdErr:OK");  // one character
  EXPECT_EQ(gCfgFile->tmpReturnValue, -100);
  EXPECT_TRUE(callerLines.empty());
  EXPECT_EQ(stub.request().substr(stub.request().find('\0')),
            lit("\0veltatest\0veltatest\0/usr/sap/R3P/SYS/exe/run/sapevt ZHRMARCAS -p "
                "REGIS.MIR -t name=PRD nr=00\0"));
}

// The command is built from the settings the window is handed, and its result is left in
// them: the program's settings are neither read nor written.
TEST_F(FRshTest, WorksOverTheHandedSettings) {
  ClsCfgFile handed;
  handed.RSHServer = "127.0.0.1";
  handed.RSHUser = "otheruser";
  handed.RSHPathEvt = "/opt/other/";
  handed.RSHSystemName = "QAS";
  handed.RSHSystemNumber = "01";
  handed.tmpFTPFileName = "OTRO.MIR";
  handed.tmpReturnValue = -200;
  gCfgFile->tmpReturnValue = -300;  // no result of this run
  StubRshd stub({{Step::Out, lit("\0\n")}, {Step::CloseErr, ""}, {Step::CloseOut, ""}});
  FRsh w(&handed);
  toPort(w, stub.port());
  w.show();
  ASSERT_TRUE(waitFor([&] { return label(w) == "Comando ejecutado. Finalizando"; }));
  EXPECT_EQ(handed.tmpReturnValue, -100);
  EXPECT_EQ(gCfgFile->tmpReturnValue, -300);
  EXPECT_EQ(stub.request().substr(stub.request().find('\0')),
            lit("\0otheruser\0otheruser\0/opt/other/sapevt ZHRMARCAS -p OTRO.MIR -t name=QAS "
                "nr=01\0"));
}

TEST_F(FRshTest, FailuresShowTheControlsDescription) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int16_t timeout;
    std::string server;
    std::string description;  // "" = any non-empty text
  };
  const std::vector<Case> cases = {
      {"reset",
       {{Step::Out, lit("\0")}, {Step::Sleep, "", 100}, {Step::Reset, ""}},
       60,
       "127.0.0.1",
       ""},
      {"never closes",
       {{Step::Out, lit("\0")}, {Step::Sleep, "", 5000}},
       2,
       "127.0.0.1",
       "Timeout."},
      {"unknown host", {}, 60, "no-such-host.invalid", ""},
      // The server's own refusal closes the connection normally; the command never ran.
      {"refused",
       {{Step::Out, lit("\1Permission denied.\n")}, {Step::CloseErr, ""}, {Step::CloseOut, ""}},
       60,
       "127.0.0.1",
       "Permission denied."},
      {"refused without a text",
       {{Step::Out, lit("\1\n")}, {Step::CloseErr, ""}, {Step::CloseOut, ""}},
       60,
       "127.0.0.1",
       "El servidor rechaz\u00f3 el comando"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    callerLines.clear();
    gCfgFile->RSHServer = c.server;
    std::unique_ptr<StubRshd> stub;
    if (!c.steps.empty()) stub = std::make_unique<StubRshd>(c.steps);
    FRsh w(gCfgFile);
    toPort(w, stub ? stub->port() : remcmd::test::freePort(), c.timeout);
    w.show();
    ASSERT_TRUE(waitFor([&] { return label(w).startsWith(" Extd Err: "); }));
    const std::string text = label(w).toStdString().substr(11);
    EXPECT_FALSE(text.empty());
    if (!c.description.empty()) {
      EXPECT_EQ(text, c.description);
    }
    EXPECT_EQ(std::count(callerLines.begin(), callerLines.end(), "Error: " + text), 1);
    EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
    EXPECT_FALSE(button(w)->isEnabled());
    EXPECT_TRUE(exitTimer(w)->isActive());
    EXPECT_EQ(exitTimer(w)->interval(), 10000);
    if (c.name == std::string("refused")) {
      EXPECT_TRUE(apptest::grabNonBlank(&w, "FRsh-refused.png"));
    }
    if (c.name == std::string("reset")) {
      EXPECT_TRUE(apptest::grabNonBlank(&w, "FRsh-failure.png"));
      ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
      EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
    }
  }
}

TEST_F(FRshTest, CancelKeepsTheFailureWhenTheCommandEndsWellLater) {
  // The button, the close box and Escape are all Cancel while the command runs.
  struct Way {
    const char* name;
    std::function<void(FRsh&)> cancel;
  };
  const Way ways[] = {
      {"button", [](FRsh& w) { button(w)->click(); }},
      {"close box", [](FRsh& w) { w.close(); }},
      {"escape", [](FRsh& w) { apptest::pressEscape(&w); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    StubRshd stub({{Step::Out, lit("\0")},
                   {Step::Sleep, "", 300},
                   {Step::Out, "late\n"},
                   {Step::CloseErr, ""},
                   {Step::CloseOut, ""}});
    gCfgFile->tmpReturnValue = -100;
    FRsh w(gCfgFile);
    toPort(w, stub.port());
    int finished = 0;
    QObject::connect(&w, &QDialog::finished, [&] { ++finished; });
    w.show();
    ASSERT_TRUE(waitFor([&] { return !stub.request().empty(); }));
    way.cancel(w);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(label(w), "Cancelando ... ");
    EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
    stub.join();  // the command has ended; its Disconnected 0 is waiting for the event loop
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(label(w), "Cancelando ... ");
    EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
  }
}

}  // namespace

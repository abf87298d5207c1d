// Modem program files against the simulated Hayes modem on a pseudo-terminal: the items sent,
// the progress lines, the closing message, and the runs that must send nothing.
#include "admin/ModemProgram.h"

#include "FComm.h"
#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/MsgStyle.h"
#include "core/ProgressList.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <basekit/plainfile.h>
#include <clocklink/ClsModem.h>
#include <clocksim/modem.h>
#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <QDir>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPort = 87;

class ModemRun : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::objects().createSettings();  // messages in Spanish
    ::setenv(("VELTA_COM" + std::to_string(kPort)).c_str(), modem.openPty().c_str(), 1);
    modemObject.SetModem(kPort, "9600", "");
  }
  void TearDown() override {
    clocklink::FComm::unload();
    modemObject.cortarModem(false);
    ::unsetenv(("VELTA_COM" + std::to_string(kPort)).c_str());
  }

  // Runs the dialog's command on `name`, recording the busy calls.
  ModemProgram::Outcome run(const std::string& name) {
    return ModemProgram::runCommand(folder.path(), name, modemObject, lines, reporter,
                                    [this](bool b) { busy.push_back(b); });
  }

  apptest::TempDataFolder folder;
  apptest::RecordingReporter reporter;
  clocksim::Simulator clock;
  clocksim::Modem modem{clock};
  clocklink::ClsModem modemObject;
  VectorProgressList lines;
  std::vector<bool> busy;
};

TEST_F(ModemRun, EveryItemOfEveryLineIsSent) {
  folder.write("setup.cfx", "E1\r\n V1 , &F \r\n");
  EXPECT_EQ(run("setup.cfx"), ModemProgram::Outcome::AllOk);
  EXPECT_EQ(modem.commands(), (std::vector<std::string>{"ATE1", "ATV1", "AT&F"}));
  EXPECT_EQ(lines.texts(),
            (std::vector<std::string>{"Inicializando el Modem...", ">E1 - Status: OK",
                                      ">V1 - Status: OK", ">&F - Status: OK"}));
  EXPECT_EQ(reporter.numbers(), std::vector<int>{266});
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Exclamation);
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(ModemRun, ARefusedCommandDoesNotStopTheRun) {
  folder.write("Q.CFX", "E1\nQ7\nV1\n");
  lines.add("from an earlier run");
  EXPECT_EQ(run("Q.CFX"), ModemProgram::Outcome::Failed);
  ASSERT_EQ(lines.count(), 4);
  EXPECT_EQ(lines.text(2), ">E1 - Status: OK");
  EXPECT_EQ(lines.text(3), ">Q7 - Status: ERR");
  EXPECT_EQ(lines.text(4), ">V1 - Status: OK");
  const auto sent = modem.commands();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), "ATV1");
  EXPECT_EQ(reporter.numbers(), std::vector<int>{320});
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Exclamation);
}

TEST_F(ModemRun, EmptyFile) {
  folder.write("empty.cfx", "");
  EXPECT_EQ(run("empty.cfx"), ModemProgram::Outcome::AllOk);
  EXPECT_EQ(lines.texts(), std::vector<std::string>{"Inicializando el Modem..."});
  EXPECT_TRUE(modem.commands().empty());
  EXPECT_EQ(reporter.numbers(), std::vector<int>{266});
}

TEST_F(ModemRun, NothingSentWithoutAFileOrWhileALineIsHeld) {
  folder.write("setup.cfx", "E1\n");
  EXPECT_EQ(run(""), ModemProgram::Outcome::NotRun);
  modemObject.cortarModem(true);
  EXPECT_EQ(run("setup.cfx"), ModemProgram::Outcome::NotRun);
  EXPECT_TRUE(busy.empty());
  EXPECT_TRUE(reporter.reports().empty());
  EXPECT_TRUE(modem.commands().empty());
}

TEST_F(ModemRun, FileGoneAfterListing) {
  folder.write("gone.cfx", "E1\n");
  ASSERT_EQ(ModemProgram::programFiles(folder.path()), std::vector<std::string>{"gone.cfx"});
  QDir().remove(QString::fromStdString(folder.file("gone.cfx")));
  EXPECT_EQ(run("gone.cfx"), ModemProgram::Outcome::Missing);
  ASSERT_EQ(reporter.numbers(), std::vector<int>{307});
  EXPECT_EQ(reporter.reports()[0].text, "No existe el archivo: " + folder.file("gone.cfx"));
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Critical);
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
  EXPECT_TRUE(modem.commands().empty());
}

TEST_F(ModemRun, FileFarTooLargeIsRefusedUnread) {
  std::string text = "E1\n";
  text.resize(ModemProgram::kMaxFileBytes + 1, ' ');
  folder.write("big.cfx", text);
  EXPECT_EQ(run("big.cfx"), ModemProgram::Outcome::Missing);
  ASSERT_EQ(reporter.numbers(), std::vector<int>{386});
  EXPECT_NE(reporter.reports()[0].text.find(folder.file("big.cfx")), std::string::npos);
  EXPECT_EQ(reporter.reports()[0].icon(), msgbox::Critical);
  EXPECT_TRUE(lines.texts().empty());
  EXPECT_TRUE(modem.commands().empty());
}

// Something under the name that is no plain file is not "missing": 386 with the file and the
// reason in the operator's language, and nothing goes to the modem.
TEST_F(ModemRun, WhatIsNoPlainFileIsNamedWithItsReason) {
  folder.write("setup.cfx", "E1\n");
  ASSERT_EQ(::mkdir(folder.file("folder.cfx").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(folder.file("fifo.cfx").c_str(), 0644), 0);
  ASSERT_EQ(::symlink(folder.file("fifo.cfx").c_str(), folder.file("tofifo.cfx").c_str()), 0);
  const std::pair<const char*, std::string> cases[] = {
      {"folder.cfx", systemReason(EISDIR)},
      {"fifo.cfx", fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {}))},
      {"tofifo.cfx",
       fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {}))}};
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    reporter.clear();
    EXPECT_EQ(run(name), ModemProgram::Outcome::Missing);
    ASSERT_EQ(reporter.numbers(), std::vector<int>{386});
    EXPECT_EQ(reporter.reports()[0].text, GetMsg(386) + ": " + folder.file(name) + ": " + reason);
    EXPECT_TRUE(lines.texts().empty());
  }
  EXPECT_TRUE(modem.commands().empty());
}

TEST(ModemProgramFiles, AtMost99InNameOrderWhateverTheCase) {
  apptest::TempDataFolder folder;
  for (int i = 0; i < 150; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%03d.%s", i,
                  i % 3 == 0   ? "CFX"
                  : i % 3 == 1 ? "cfx"
                               : "Cfx");
    folder.write(name, "E1\n");
  }
  folder.write("notes.txt", "");
  folder.write("cfx", "");
  QDir().mkdir(QString::fromStdString(folder.file("a.cfx")));
  const auto names = ModemProgram::programFiles(folder.path());
  ASSERT_EQ(names.size(), 99u);
  EXPECT_EQ(names.front(), "p000.CFX");
  EXPECT_EQ(names[1], "p001.cfx");
  EXPECT_EQ(names.back(), "p098.Cfx");
  EXPECT_TRUE(ModemProgram::programFiles(folder.file("missing/")).empty());
}

}  // namespace

// Handing a file to the desktop's mail client through xdg-email: what it is given, and what
// each way it can end tells the operator. A script stands in for xdg-email on PATH.
#include "admin/MailSender.h"

#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class MailSenderTest : public ::testing::Test {
 protected:
  MailSenderTest() : m_path(qgetenv("PATH")) {
    apptest::objects().createSettings();
    ::mkdir(folder.file("bin").c_str(), 0755);
    qputenv("PATH", QByteArray::fromStdString(folder.file("bin")) + ":" + m_path);
  }
  ~MailSenderTest() override { qputenv("PATH", m_path); }

  // xdg-email as the script `body` after writing its arguments, one a line, to args.log.
  void client(const std::string& body) {
    folder.write("bin/xdg-email", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                      folder.file("args.log") + "'\n" + body + "\n");
    ::chmod(folder.file("bin/xdg-email").c_str(), 0755);
  }

  apptest::TempDataFolder folder;

 private:
  QByteArray m_path;
};

TEST_F(MailSenderTest, EachEndSaysWhatHappened) {
  struct Case {
    const char* name;
    const char* script;  // "" for no xdg-email at all
    std::string answer;
  };
  const Case cases[] = {
      {"taken", "exit 0", ""},
      {"no mail program on the desktop", "exit 3", GetExtraMsg(ExtraMsg::NoMailClient)},
      {"failed, with its reason", "echo 'no display' >&2; exit 4",
       GetExtraMsg(ExtraMsg::ProgramExitCode, {"xdg-email", "4"}) + ": no display"},
      {"failed silently", "exit 1", GetExtraMsg(ExtraMsg::ProgramExitCode, {"xdg-email", "1"})},
      {"killed", "kill -9 $$",
       GetExtraMsg(ExtraMsg::ProgramAbnormalEnd,
                   {"xdg-email", GetExtraMsg(ExtraMsg::ReasonEndedBySignal)})},
      {"not installed", "", GetExtraMsg(ExtraMsg::NoMailClient)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::unlink(folder.file("bin/xdg-email").c_str());
    if (*c.script) client(c.script);
    // Not installed: nothing on PATH but our folder, whatever the machine has installed.
    const QByteArray path = qgetenv("PATH");
    if (!*c.script) qputenv("PATH", QByteArray::fromStdString(folder.file("bin")));
    EXPECT_EQ(XdgEmailSender().send("Velta 2000", "\r\n", folder.file("REGIS.MIR")), c.answer);
    qputenv("PATH", path);
  }
}

// The client runs in another folder: a name relative to ours goes as the absolute path.
TEST_F(MailSenderTest, TheAttachmentGoesAsAnAbsolutePath) {
  client("exit 0");
  EXPECT_EQ(XdgEmailSender().send("asunto", "cuerpo", "REGIS.MIR"), "");
  EXPECT_EQ(folder.read("args.log"), "--utf8\n--subject\nasunto\n--body\ncuerpo\n--attach\n" +
                                         folder.file("REGIS.MIR") + "\n");
}

}  // namespace

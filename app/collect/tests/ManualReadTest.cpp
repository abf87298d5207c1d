// The hand read's rules before any clock is reached: the proposed name, and what the name box
// and the question for an existing file decide.
#include "collect/ManualRead.h"

#include "core/ClsCfgFile.h"
#include "core/Messages.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/RecordingReporter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(ManualReadTest, ProposedName) {
  const basic::DateTime now{2026, 12, 10, 8, 4, 9};
  EXPECT_EQ(collect::proposedReadName("REGIS.MIR", 0, false, now), "REGIS.MIR");
  EXPECT_EQ(collect::proposedReadName("yyyymmdd", 1, false, now), "20261210.MIR");
  EXPECT_EQ(collect::proposedReadName("REGIS.MIR", 0, true, now), "AR_2011_20261210_080409.txt");
}

class ManualReadNameTest : public ::testing::Test {
 protected:
  ManualReadNameTest() {
    apptest::objects().createSettings();
    apptest::objects().createMirsol();
    apptest::objects().createModem();
    apptest::objects().createClockList();
  }
  apptest::TempDataFolder folder;
};

// The cases that end before the download: nothing is read, the list stays as it was.
TEST_F(ManualReadNameTest, TheNameAndTheExistingFileDecideBeforeTheClock) {
  folder.write("OLD.MIR", "old line\r\n");
  ASSERT_EQ(::symlink(folder.file("OLD.MIR").c_str(), folder.file("LINK.MIR").c_str()), 0);
  ASSERT_EQ(::mkdir(folder.file("DIR.MIR").c_str(), 0755), 0);
  struct Case {
    const char* box;
    int answer;  // to the existing-file question; 0: none asked
    collect::ManualRead::Outcome outcome;
    int box249;  // 1: "no name" box
    bool textBox;
  };
  using O = collect::ManualRead::Outcome;
  const Case cases[] = {
      {"", 0, O::Refused, 1, false},
      {"   ", 0, O::Refused, 1, false},
      {"OLD.MIR", 3, O::ReadAgain, 0, false},
      {" OLD.MIR ", 3, O::ReadAgain, 0, false},  // the trimmed name is the file
      {"LINK.MIR", 2, O::Refused, 0, true},      // never emptied through a link
      {"DIR.MIR", 2, O::Refused, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    std::optional<RunContext> ctx = collect::programContext(apptest::objects());
    ASSERT_TRUE(ctx);
    VectorProgressList list;
    list.add("kept");
    apptest::RecordingReporter reporter;
    std::vector<std::string> asked;
    collect::ManualRead::Hooks hooks;
    hooks.askExisting = [&asked, &c](const std::string& text) {
      asked.push_back(text);
      return c.answer;
    };
    bool started = false;
    hooks.started = [&started] { started = true; };
    collect::ManualRead read(list, reporter, hooks);
    EXPECT_EQ(read.run(*ctx, folder.path(), c.box, 0), c.outcome);
    EXPECT_FALSE(started);
    EXPECT_EQ(list.texts(), std::vector<std::string>{"kept"});
    EXPECT_EQ(asked.size(), c.answer ? 1u : 0u);
    if (!asked.empty()) {
      EXPECT_NE(asked[0].find(folder.path() + basic::Trim(c.box)), std::string::npos) << asked[0];
    }
    ASSERT_EQ(reporter.reports().size(), c.box249 + (c.textBox ? 1u : 0u));
    if (c.box249) {
      EXPECT_EQ(reporter.reports()[0].number, 249);
    }
    if (c.textBox) {
      EXPECT_EQ(reporter.reports()[0].call, apptest::Report::Call::InformText);
      EXPECT_NE(reporter.reports()[0].text.find(basic::Trim(c.box)), std::string::npos);
    }
  }
  EXPECT_EQ(folder.read("OLD.MIR"), "old line\r\n");
}

}  // namespace

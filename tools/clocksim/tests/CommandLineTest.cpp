// The clocksim program's command line: what it accepts, what it refuses and how it says so.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

using clocksim::CommandLine;
using clocksim::parseCommandLine;

TEST(CommandLine, HelpGoesToStandardOutput) {
  const CommandLine c = parseCommandLine({"--tcp", "0", "--help"});
  EXPECT_EQ(c.exitCode, 0);
  EXPECT_TRUE(c.error.empty());
  // The usage says the defaults and what each model number is.
  for (const char* text : {"--punches N", "(default 0)", "0 Vireo", "1 Corvin", "2 Pexel",
                           "3 Vireo Touch", "4 Solvar II", "5 Solvar I", "6 QLM-400"})
    EXPECT_NE(c.out.find(text), std::string::npos) << text;
}

TEST(CommandLine, RefusalsNameTheBadValueOnOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* named;  // the text the one error line must show
  };
  const Case cases[] = {
      {{"--tcp", "0", "--bogus"}, "--bogus"},
      {{"--tcp", "0", "--model", "abc"}, "'abc'"},
      {{"--tcp", "0", "--model", "9"}, "'9'"},
      {{"--tcp", "0", "--model", "-1"}, "'-1'"},
      {{"--tcp", "0", "--model", "3x"}, "'3x'"},
      {{"--pty", "--baud", "12"}, "'12'"},
      {{"--pty", "--answer-at", "49"}, "'49'"},
      {{"--tcp", "70000"}, "'70000'"},
      {{"--udp", "-5"}, "'-5'"},
      {{"--pty", "--punches", "many"}, "'many'"},
      {{"--pty", "--fault-rate", "2"}, "'2'"},
      {{"--pty", "--faults", "flip,melt"}, "'flip,melt'"},
      {{"--modem", "ring"}, "'ring'"},
      {{"--pty", "--clock", "300"}, "'300'"},
      {{"--pty", "--model"}, "--model needs a value"},
      {{"--model", "1"}, "no link chosen"},
  };
  for (const auto& c : cases) {
    const CommandLine r = parseCommandLine(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.named;
    EXPECT_NE(r.error.find(c.named), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
    EXPECT_TRUE(r.out.empty()) << c.named;
  }
}

TEST(CommandLine, AcceptedForms) {
  CommandLine c = parseCommandLine({"--model", "6", "--tcp", "7001", "--punches", "25", "--baud",
                                    "9600", "--fault-rate", "0.02", "--faults", "flip,close"});
  ASSERT_EQ(c.exitCode, -1) << c.error;
  EXPECT_EQ(c.options.model, 6);
  EXPECT_EQ(c.link, CommandLine::Link::Tcp);
  EXPECT_EQ(c.port, 7001);
  EXPECT_EQ(c.punches, 25u);
  EXPECT_EQ(c.options.baud, 9600);
  EXPECT_DOUBLE_EQ(c.options.faultRate, 0.02);
  EXPECT_EQ(c.options.faults.size(), 2u);

  c = parseCommandLine({"--pty"});  // the defaults
  ASSERT_EQ(c.exitCode, -1) << c.error;
  EXPECT_EQ(c.options.model, 0);
  EXPECT_EQ(c.punches, 0u);
  EXPECT_EQ(c.options.baud, 0);

  c = parseCommandLine({"--pty", "--answer-at", "14400"});  // a speed outside the termios table
  ASSERT_EQ(c.exitCode, -1) << c.error;
  EXPECT_EQ(c.options.answerOnlyAtBaud, 14400);

  c = parseCommandLine({"--modem", "busy,connect", "--modem-numeric"});
  ASSERT_EQ(c.exitCode, -1) << c.error;
  EXPECT_EQ(c.link, CommandLine::Link::Modem);
  EXPECT_EQ(c.modem.script.size(), 2u);
  EXPECT_FALSE(c.modem.verbose);
}

}  // namespace

// The simulated Hayes modem on a real pseudo-terminal: the AT dialogue (echo, verbose and
// numeric result codes, unknown commands), the dial script, a clock exchange carried
// through a call, and the two ways a call ends ("+++" then ATH, the host closing the port).
#include "host_end.h"

#include <clocksim/modem.h>

#include <thread>

namespace {

using namespace hosttest;
using clocksim::DialOutcome;
using clocksim::Modem;
using clocksim::ModemOptions;

// Reads until the text received ends with the given suffix (or nothing more comes).
std::string readUntil(HostEnd& host, const std::string& suffix) {
  std::string got;
  while (got.size() < suffix.size() ||
         got.compare(got.size() - suffix.size(), suffix.size(), suffix) != 0) {
    const int b = host.readByte();
    if (b < 0) break;
    got += static_cast<char>(b);
  }
  return got;
}

// Polls an accessor for a state the modem thread reaches after the host's last step.
template <typename F>
bool eventually(F f) {
  for (int i = 0; i < 500 && !f(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return f();
}

struct DialogueCase {
  const char* name;
  bool echo, verbose;
  std::string input;     // what the host types
  std::string expected;  // everything the modem writes back, in order
};

class Dialogue : public testing::TestWithParam<DialogueCase> {};

TEST_P(Dialogue, Answers) {
  const auto& c = GetParam();
  Simulator sim;
  ModemOptions mo;
  mo.echo = c.echo;
  mo.verbose = c.verbose;
  Modem modem(sim, mo);
  PtyHost host(modem.openPty());
  host.send(c.input);
  EXPECT_EQ(readUntil(host, c.expected), c.expected);
}

const std::string kLong = "AT" + std::string(300, 'E') + "\r";

INSTANTIATE_TEST_SUITE_P(
    Lines, Dialogue,
    testing::Values(
        DialogueCase{"EchoOk", true, true, "AT\r", "AT\r\r\nOK\r\n"},
        DialogueCase{"NoEcho", false, true, "at\r", "\r\nOK\r\n"},
        DialogueCase{"EchoOffTakesEffectAtOnce", true, true, "ATE0\rAT\r",
                     "ATE0\r\r\nOK\r\n\r\nOK\r\n"},
        DialogueCase{"InitString", false, true, "AT&FE0V1X4&C1&D2S0=0M0\r", "\r\nOK\r\n"},
        DialogueCase{"RegisterQuery", false, true, "ATS7=60S7?\r", "\r\n060\r\n\r\nOK\r\n"},
        DialogueCase{"UnknownCommand", false, true, "AT\\N3\r", "\r\nERROR\r\n"},
        DialogueCase{"ValueOutOfRange", false, true, "ATE2\r", "\r\nERROR\r\n"},
        DialogueCase{"TooLongLine", false, true, kLong, "\r\nERROR\r\n"},
        DialogueCase{"NotACommandLine", false, true, "+++\rhello\rAT\r", "\r\nOK\r\n"},
        DialogueCase{"BackToCallWithoutOne", false, true, "ATO\r", "\r\nNO CARRIER\r\n"},
        DialogueCase{"Numeric", false, false, "AT\rATY\r", "0\r4\r"},
        DialogueCase{"NumericAtOnce", false, true, "ATV0\rATV1\r", "0\r\r\nOK\r\n"},
        DialogueCase{"QuietAfterQ1", false, true, "ATQ1\rATY\rATQ0\r", "\r\nOK\r\n"}),
    [](const testing::TestParamInfo<DialogueCase>& i) { return std::string(i.param.name); });

TEST(Modem, RecordsTheCommandLines) {
  Simulator sim;
  Modem modem(sim);
  PtyHost host(modem.openPty());
  host.send("xxATE0\r+++\rAT&C1\r");
  readUntil(host, "OK\r\n");
  readUntil(host, "OK\r\n");
  EXPECT_EQ(modem.commands(), (std::vector<std::string>{"ATE0", "AT&C1"}));
}

struct ScriptCase {
  const char* name;
  std::vector<DialOutcome> script;
  bool verbose;
  std::vector<std::string> results;  // per dial attempt
};

class DialScript : public testing::TestWithParam<ScriptCase> {};

// Each attempt takes the next outcome; the last one repeats. A silent attempt answers
// nothing: the next command line is answered as usual.
TEST_P(DialScript, OutcomePerAttempt) {
  const auto& c = GetParam();
  Simulator sim;
  ModemOptions mo;
  mo.script = c.script;
  mo.echo = false;
  mo.verbose = c.verbose;
  Modem modem(sim, mo);
  PtyHost host(modem.openPty());
  const std::string ok = c.verbose ? "\r\nOK\r\n" : "0\r";
  const std::vector<std::string> dials = {"ATDT5551234\r", "ATDP0123\r", "ATD 555 99\r", "atdt7\r"};
  for (size_t i = 0; i < c.results.size(); ++i) {
    host.send(dials[i % dials.size()]);
    host.send("AT\r");
    EXPECT_EQ(readUntil(host, c.results[i] + ok), c.results[i] + ok) << i;
  }
  const std::vector<std::string> numbers = {"5551234", "0123", "55599", "7"};
  EXPECT_EQ(modem.dialledNumbers(),
            std::vector<std::string>(numbers.begin(),
                                     numbers.begin() + static_cast<long>(c.results.size())));
  EXPECT_FALSE(modem.online());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, DialScript,
    testing::Values(
        ScriptCase{
            "Verbose",
            {DialOutcome::Busy, DialOutcome::NoCarrier, DialOutcome::NoAnswer,
             DialOutcome::NoDialTone},
            true,
            {"\r\nBUSY\r\n", "\r\nNO CARRIER\r\n", "\r\nNO ANSWER\r\n", "\r\nNO DIAL TONE\r\n"}},
        ScriptCase{"Numeric",
                   {DialOutcome::NoAnswer, DialOutcome::NoDialTone, DialOutcome::Busy,
                    DialOutcome::NoCarrier},
                   false,
                   {"8\r", "6\r", "7\r", "3\r"}},
        ScriptCase{"LastRepeats",
                   {DialOutcome::NoCarrier, DialOutcome::Busy},
                   true,
                   {"\r\nNO CARRIER\r\n", "\r\nBUSY\r\n", "\r\nBUSY\r\n", "\r\nBUSY\r\n"}},
        ScriptCase{
            "Silence", {DialOutcome::Silence, DialOutcome::Busy}, true, {"", "\r\nBUSY\r\n"}}),
    [](const testing::TestParamInfo<ScriptCase>& i) { return std::string(i.param.name); });

// A call: the script's CONNECT, the clock's status over it, then the host's hang-up as
// its modem object sends it.
class Call : public testing::TestWithParam<bool> {};

TEST_P(Call, CarriesTheClockUntilHangUp) {
  const bool verbose = GetParam();
  Simulator sim;
  ModemOptions mo;
  mo.script = {DialOutcome::Busy, DialOutcome::Connect};
  mo.verbose = verbose;
  Modem modem(sim, mo);
  PtyHost host(modem.openPty());
  host.send("ATE0\r");
  EXPECT_EQ(readUntil(host, "ATE0\r" + std::string(verbose ? "\r\nOK\r\n" : "0\r")),
            "ATE0\r" + std::string(verbose ? "\r\nOK\r\n" : "0\r"));
  host.send("ATDT5551234\r");
  const std::string busy = verbose ? "\r\nBUSY\r\n" : "7\r";
  EXPECT_EQ(readUntil(host, busy), busy);
  host.send("ATDT5551234\r");
  const std::string connect = verbose ? "\r\nCONNECT 9600\r\n" : "1\r";
  EXPECT_EQ(readUntil(host, connect), connect);
  EXPECT_TRUE(modem.online());

  EXPECT_EQ(exchange(host, 0, "A").size(), 18u);
  EXPECT_EQ(exchange(host, 0, "B").size(), 18u);
  EXPECT_EQ(sim.receivedFrames(), (std::vector<std::string>{"\x02R1A\x03", "\x02R1B\x03"}));

  const std::string ok = verbose ? "\r\nOK\r\n" : "0\r";
  host.send("+++\r");
  EXPECT_EQ(readUntil(host, ok), ok);
  EXPECT_TRUE(modem.online());  // in command mode, the call still up
  host.send("ATH0\r");
  EXPECT_EQ(readUntil(host, ok), ok);
  EXPECT_FALSE(modem.online());
  // the rest of the host's hang-up rounds find the line down already
  host.send("ATH1\rATH0\r+++\rATH0\r");
  readUntil(host, ok + ok + ok);
  EXPECT_EQ(modem.hangUps(), 1u);
  EXPECT_EQ(modem.dialledNumbers(), (std::vector<std::string>{"5551234", "5551234"}));
  EXPECT_EQ(sim.receivedFrames().size(), 2u);  // nothing after the escape reached the clock
}

INSTANTIATE_TEST_SUITE_P(ResultCodes, Call, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) {
                           return i.param ? "Verbose" : "Numeric";
                         });

// Closing the port drops DTR: the call ends; the next host finds the modem in command mode.
TEST(Modem, ClosingThePortHangsUp) {
  Simulator sim;
  ModemOptions mo;
  mo.echo = false;
  Modem modem(sim, mo);
  const std::string path = modem.openPty();
  {
    PtyHost host(path);
    host.send("ATDT1\r");
    readUntil(host, "CONNECT 9600\r\n");
    ASSERT_TRUE(modem.online());
    EXPECT_EQ(exchange(host, 0, "A").size(), 18u);
  }
  EXPECT_TRUE(eventually([&] { return !modem.online(); }));
  EXPECT_EQ(modem.hangUps(), 1u);
  PtyHost again(path);
  again.send("AT\r");
  EXPECT_EQ(readUntil(again, "\r\nOK\r\n"), "\r\nOK\r\n");
  again.send("ATDT2\r");
  readUntil(again, "CONNECT 9600\r\n");
  EXPECT_EQ(exchange(again, 0, "B").size(), 18u);  // a fresh link to the clock
}

// A split dial result arrives in two pieces, the first one alone.
TEST(Modem, SplitResultComesInTwoWrites) {
  Simulator sim;
  ModemOptions mo;
  mo.echo = false;
  mo.splitAt = 3;
  mo.splitPause = std::chrono::milliseconds(500);
  Modem modem(sim, mo);
  PtyHost host(modem.openPty());
  host.send("ATDT1\r");
  pollfd p{host.fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, kWaitMs), 1);
  char buf[64];
  const ssize_t n = ::read(host.fd, buf, sizeof buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "\r\nCON");
  EXPECT_EQ(readUntil(host, "NECT 9600\r\n"), "NECT 9600\r\n");
}

}  // namespace

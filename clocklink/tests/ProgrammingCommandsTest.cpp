// The programming commands against the clock simulator over a pseudo-terminal
// (the exact frames the clock took), and against a hand-driven clock where
// the clock must stay silent.
#include "FComm.h"
#include "clocklink/ClsMirsol.h"
#include "peers.h"

#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <thread>

using namespace clocklink;

namespace {

// A frame as the clock keeps it in receivedFrames(): STX through ETX.
std::string frame(int model, const std::string& command) {
  if (model == 6)
    return std::string(1, STX) + static_cast<char>(command.size() + 4) + '\x01' + command + ETX;
  if (model == 2) return std::string(1, STX) + "E1" + command + ETX;
  return std::string(1, STX) + "R1" + command + ETX;
}

std::vector<std::string> frames(int model, std::initializer_list<std::string> commands) {
  std::vector<std::string> out;
  for (const auto& c : commands) out.push_back(frame(model, c));
  return out;
}

// One simulated clock of the given model on COM81, and the protocol object set up for it.
struct SimClock {
  explicit SimClock(int model) : sim(options(model)) {
    ::setenv("VELTA_COM81", sim.openPty().c_str(), 1);
    m.SetTimeOut(1);
    (void)m.SetTimeRecorder("1", static_cast<int16_t>(model), "COM81", "9600", "", 1, "", 0, 0, 0,
                            0);
  }
  ~SimClock() { FComm::instance().xComm.close(); }
  static clocksim::Options options(int model) {
    clocksim::Options o;
    o.model = model;
    return o;
  }
  clocksim::Simulator sim;
  ClsMirsol m;
};

struct CommandCase {
  const char* name;
  int model;
  std::function<CollectionStatus(ClsMirsol&)> call;
  CollectionStatus result;
  std::vector<std::string> sent;  // frames the clock took, in order
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, SendExactlyTheseFrames) {
  const CommandCase& c = GetParam();
  SimClock clock(c.model);
  EXPECT_EQ(c.call(clock.m), c.result);
  EXPECT_EQ(clock.sim.receivedFrames(), c.sent);
}

const std::string kDateCmd0 =
    "1"
    "261208"
    "2"
    "1430";
const std::string kDateCmd5 =
    "1"
    "261208"
    "3"
    "1430";
const std::string kDateCmd6 = std::string(1, '\x05') +
                              "3"
                              "20261208"
                              "1430"
                              "00";
const std::string kRange4 = std::string(1, '\xFF') + "00002359";

auto dateTime = [](ClsMirsol& m) { return m.SetDateTime("20261208", "3", "1430"); };

INSTANTIATE_TEST_SUITE_P(
    Programming, Commands,
    ::testing::Values(
        CommandCase{"date_model0", 0, dateTime, kSuccess, frames(0, {kDateCmd0, kDateCmd0, kDateCmd0})},
        CommandCase{"date_model5", 5, dateTime, kSuccess, frames(5, {kDateCmd5, kDateCmd5, kDateCmd5})},
        CommandCase{"date_model6", 6, dateTime, kSuccess, frames(6, {kDateCmd6})},
        CommandCase{"cache_100", 0, [](ClsMirsol& m) { return m.SetCache(100); }, kSuccess, frames(0, {"799"})},
        CommandCase{"cache_250", 0, [](ClsMirsol& m) { return m.SetCache(250); }, kSuccess, frames(0, {"799"})},
        CommandCase{"cache_85", 0, [](ClsMirsol& m) { return m.SetCache(85); }, kSuccess, frames(0, {"785"})},
        CommandCase{"cache_0", 0, [](ClsMirsol& m) { return m.SetCache(0); }, kSuccess, frames(0, {"70"})},
        CommandCase{"number_5", 0, [](ClsMirsol& m) { return m.SetClockNumber("5"); }, kSuccess, frames(0, {"R5"})},
        CommandCase{"number_empty", 0, [](ClsMirsol& m) { return m.SetClockNumber(""); }, kSuccess, frames(0, {"R"})},
        CommandCase{"locked_0", 0, [](ClsMirsol& m) { return m.SetLocked(0); }, kSuccess, frames(0, {"3"})},
        CommandCase{"locked_0_model4", 4, [](ClsMirsol& m) { return m.SetLocked(0); }, kSuccess, frames(4, {"R"})},
        CommandCase{"locked_1", 1, [](ClsMirsol& m) { return m.SetLocked(1); }, kSuccess, frames(1, {"6"})},
        CommandCase{"locked_2", 5, [](ClsMirsol& m) { return m.SetLocked(2); }, kSuccess, frames(5, {"3"})},
        CommandCase{"reset_pexel", 2, [](ClsMirsol& m) { return m.ResetPexel(); }, kSuccess, frames(2, {"\x89"})},
        CommandCase{"reset_solvar", 5, [](ClsMirsol& m) { return m.ResetSolvar(); }, kSuccess, frames(5, {"C"})},
        CommandCase{"enable_model0", 0, [](ClsMirsol& m) { return m.Card_Process(7, "1234"); }, kSuccess, frames(0, {"51234"})},
        CommandCase{"enable_model4", 4, [](ClsMirsol& m) { return m.Card_Process(7, "1234"); }, kSuccess,
                    frames(4, {"P02", "A" + kRange4, "B" + kRange4, "51234AB"})},
        CommandCase{"enable_model5", 5, [](ClsMirsol& m) { return m.Card_Process(7, "77"); }, kSuccess,
                    frames(5, {"P02", "A00002359", "B00002359", "577AB"})},
        CommandCase{"suspend", 4, [](ClsMirsol& m) { return m.Card_Process(8, "1234"); }, kSuccess, frames(4, {"41234"})},
        CommandCase{"siren_add", 0, [](ClsMirsol& m) { return m.Alarm_Process(6, "11070505"); }, kSuccess, frames(0, {"811070505"})},
        CommandCase{"siren_delete", 0, [](ClsMirsol& m) { return m.Alarm_Process(4, "15070505"); }, kSuccess, frames(0, {"815070505"})},
        CommandCase{"siren_delete_all", 3, [](ClsMirsol& m) { return m.Alarm_Process(5, ""); }, kSuccess, frames(3, {"8A"})},
        // Arguments that would make a malformed frame are refused before anything is sent.
        CommandCase{"number_two_chars", 0, [](ClsMirsol& m) { return m.SetClockNumber("12"); }, kFailure, {}},
        CommandCase{"weekday_sunday0", 0, [](ClsMirsol& m) { return m.SetDateTime("20261208", "0", "1430"); }, kFailure, {}},
        CommandCase{"weekday_negative", 5, [](ClsMirsol& m) { return m.SetDateTime("20261208", "-1", "1430"); }, kFailure, {}},
        CommandCase{"weekday_letter", 6, [](ClsMirsol& m) { return m.SetDateTime("20261208", "x", "1430"); }, kFailure, {}},
        CommandCase{"date_short", 0, [](ClsMirsol& m) { return m.SetDateTime("261208", "3", "1430"); }, kFailure, {}},
        CommandCase{"cache_negative", 0, [](ClsMirsol& m) { return m.SetCache(-5); }, kFailure, {}},
        CommandCase{"card_empty", 4, [](ClsMirsol& m) { return m.Card_Process(7, ""); }, kFailure, {}},
        CommandCase{"card_with_etx", 0, [](ClsMirsol& m) { return m.Card_Process(8, "12\x03" "4"); }, kFailure, {}},
        CommandCase{"siren_with_stx", 0, [](ClsMirsol& m) { return m.Alarm_Process(6, "\x02" "1070505"); }, kFailure, {}},
        CommandCase{"locked_mode_3", 0, [](ClsMirsol& m) { return m.SetLocked(3); }, kFailure, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SirenList, ReadsThe32EntriesOfTheClock) {
  SimClock clock(0);
  std::vector<clocksim::Siren> sirens = {{1, 1, 7, 5, 5}, {7, 2, 12, 0, 30}, {8, 4, 23, 59, 45}};
  clock.sim.setSirens(sirens);
  ClsMirsol& m = clock.m;
  ASSERT_EQ(m.Alarm_Process(1, ""), kSuccess);
  for (int i = 0; i < 32; ++i) ASSERT_EQ(m.Alarm_Process(2, ""), kSuccess) << i;
  EXPECT_EQ(m.Alarm_Process(3, ""), kSuccess);
  EXPECT_EQ(clock.sim.receivedFrames(), frames(0, {"89"}));
  EXPECT_EQ(m.AlarmCount, 32);
  // Day, siren, HHMM, duration at characters 2-9 of each entry.
  EXPECT_EQ(m.Alarm_Get(0).substr(1, 8), "11070505");
  EXPECT_EQ(m.Alarm_Get(1).substr(1, 8), "H2120030");
  EXPECT_EQ(m.Alarm_Get(2).substr(1, 8), "T4235945");
  for (int i = 3; i < 32; ++i)
    EXPECT_EQ(m.Alarm_Get(static_cast<int16_t>(i)).substr(2, 1), "0") << i;
  EXPECT_EQ(m.Alarm_Get(32), "");  // beyond the entries read
  EXPECT_EQ(m.Alarm_Get(-1), "");
}

TEST(SirenList, FullListAndFailedOpen) {
  // A clock that keeps answering: entries 33 and 34 are stored, a 35th is refused.
  testpeers::PtyClock clock(82);
  ClsMirsol m;
  m.SetTimeOut(1);
  (void)m.SetTimeRecorder("1", 0, "COM82", "9600", "", 1, "", 0, 0, 0, 0);
  // Joined on every way out, so a failed check reports instead of aborting.
  std::jthread peer([&clock] {
    if (clock.readFrame().empty()) return;
    clock.write("\x06");
    for (int i = 0; i < kAlarmSlots; ++i) {
      clock.write(testpeers::clockFrame("11070505"));
      if (clock.readByte(3000) != 0x06) return;
    }
  });
  ASSERT_EQ(m.Alarm_Process(1, ""), kSuccess);
  for (int i = 0; i < kAlarmSlots; ++i) ASSERT_EQ(m.Alarm_Process(2, ""), kSuccess) << i;
  EXPECT_EQ(m.Alarm_Process(2, ""), kFailure);
  EXPECT_EQ(m.AlarmCount, kAlarmSlots);
  EXPECT_EQ(m.Alarm_Get(33), testpeers::clockFrame("11070505"));
  (void)m.Alarm_Process(3, "");
  peer.join();

  // A new request starts the count again even when the port will not open.
  ::setenv("VELTA_COM83", "/nonexistent/tty", 1);
  (void)m.SetTimeRecorder("1", 0, "COM83", "9600", "", 1, "", 0, 0, 0, 0);
  EXPECT_NE(m.Alarm_Process(1, ""), kSuccess);
  EXPECT_EQ(m.AlarmCount, 0);
  EXPECT_EQ(m.Alarm_Get(0), "");
}

TEST(CardEnable, StopsWhenTheFirstFrameIsNotTaken) {
  testpeers::PtyClock clock(84);  // never acknowledges
  ClsMirsol m;
  m.SetTimeOut(1);
  (void)m.SetTimeRecorder("1", 4, "COM84", "9600", "", 1, "", 0, 0, 0, 0);
  std::atomic<bool> done{false};
  std::vector<std::string> seen;
  std::thread peer([&] {
    // Until the call has returned and nothing more is waiting on the line.
    while (true) {
      std::string f = clock.readFrame(50);
      if (!f.empty())
        seen.push_back(f);
      else if (done)
        break;
    }
  });
  EXPECT_EQ(m.Card_Process(7, "1234"), kFailure);
  done = true;
  peer.join();
  // Two sendings of the first frame, nothing more.
  const std::string p02 = testpeers::clockFrame("R1P02");
  EXPECT_EQ(seen, (std::vector<std::string>{p02, p02}));
}

// A cancel set before an operation sends anything is its result, never the
// -100 an earlier operation left behind.
TEST(Cancel, BeforeSendingGivesCancelled) {
  SimClock clock(0);
  ClsMirsol& m = clock.m;
  ASSERT_EQ(m.SetCache(50), kSuccess);
  m.SetCancel(1);
  const std::function<CollectionStatus()> calls[] = {
      [&] { return m.SetLocked(1); },
      [&] { return m.ResetPexel(); },
      [&] { return m.ResetSolvar(); },
      [&] { return m.SetCache(10); },
      [&] { return m.SetDateTime("20261208", "3", "1430"); },
      [&] { return m.SetClockNumber("2"); },
      [&] { return m.Card_Process(7, "1"); },
      [&] { return m.Alarm_Process(1, ""); },
      [&] { return m.Alarm_Process(3, ""); }};
  for (const auto& call : calls) EXPECT_EQ(call(), kCancelled);
  EXPECT_EQ(clock.sim.receivedFrames(), frames(0, {"750"}));
}

// A speed outside the termios table (14400) is set through termios2: a clock that hears the
// line only at 14400 answers there and stays silent at 9600.
TEST(SerialSpeed, ClockHeardAtASpeedOutsideTheTable) {
  clocksim::Options o;
  o.answerOnlyAtBaud = 14400;
  clocksim::Simulator sim(o);
  ::setenv("VELTA_COM82", sim.openPty().c_str(), 1);
  struct Case {
    const char* speed;
    size_t statusSize;
  };
  for (const Case c : {Case{"9600", 0}, Case{"14400", 36}, Case{" 14400 ", 36}}) {
    ClsMirsol m;
    m.SetTimeOut(1);
    (void)m.SetTimeRecorder("1", 0, "COM82", c.speed, "", 1, "", 0, 0, 0, 0);
    EXPECT_EQ(m.Status_Get().size(), c.statusSize) << c.speed;
    FComm::instance().xComm.close();
  }
}

}  // namespace

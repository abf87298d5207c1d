// The clock's programming commands, sent as hand-built host frames over loopback TCP (and a
// pseudo-terminal for the siren list): each one acknowledged as its model does, recorded
// as received and applied to the clock's state.
#include "host_end.h"

#include <ctime>
#include <functional>

namespace {

using namespace hosttest;
using clocksim::Siren;

std::tm localOf(std::chrono::system_clock::time_point t) {
  const std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return tm;
}

void expectDecember8At1430(const Simulator& sim) {
  const std::tm tm = localOf(sim.clockTime());
  EXPECT_EQ(tm.tm_year + 1900, 2026);
  EXPECT_EQ(tm.tm_mon + 1, 12);
  EXPECT_EQ(tm.tm_mday, 8);
  EXPECT_EQ(tm.tm_hour, 14);
  EXPECT_EQ(tm.tm_min, 30);
}

const std::string kRange4 =
    "\xff"
    "00002359";

struct Case {
  const char* name;
  int model;
  std::vector<std::string> commands;  // as handed to the frame layer, in order
  std::function<void(const Simulator&)> check;
  std::string replyAfterLast;  // payload of a reply frame the last command gets ("" none)
};

class Programming : public testing::TestWithParam<Case> {};

TEST_P(Programming, AcknowledgedRecordedApplied) {
  const Case& c = GetParam();
  Options o;
  o.model = c.model;
  Simulator sim(o);
  TcpHost host(sim.listenTcp());
  std::vector<std::string> expectedFrames;
  for (size_t i = 0; i < c.commands.size(); ++i) {
    const std::string frame = hostFrame(c.model, c.commands[i]);
    host.send(frame);
    expectedFrames.push_back(frame.substr(0, frame.size() - 1));
    if (c.model != 6) {
      ASSERT_EQ(host.readByte(), ACK) << i;
    }
  }
  if (!c.replyAfterLast.empty()) {
    const std::string f = host.readFrame(c.model);
    ASSERT_GE(f.size(), 5u);
    EXPECT_EQ(f.substr(3, f.size() - 5), c.replyAfterLast);
    host.send(std::string(1, ACK));
  }
  // A status exchange afterwards is answered, and first: the commands left nothing queued.
  const std::string probe = c.model == 6 ? "\x03" : "B";
  const std::string reply = exchange(host, c.model, probe);
  ASSERT_FALSE(reply.empty());
  EXPECT_EQ(reply[c.model == 6 ? 3 : 1], c.model == 6 ? '\x03' : '0');
  c.check(sim);
  auto frames = sim.receivedFrames();
  frames.pop_back();  // the probe
  EXPECT_EQ(frames, expectedFrames);
}

// A host frame to a renumbered clock: with the R framing the number is in the frame, for
// model 6 in ADDR.
std::string frameTo(int model, int number, const std::string& cmd) {
  if (model == 6)
    return withCheck(std::string(1, STX) + static_cast<char>(cmd.size() + 4) +
                     static_cast<char>(number) + cmd + ETX);
  return withCheck(std::string(1, STX) + "R" + std::to_string(number) + cmd + ETX);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Programming,
    testing::Values(
        Case{"DateModel0",
             0,
             {"12612082"
              "1430",
              "12612082"
              "1430",
              "12612082"
              "1430"},
             expectDecember8At1430,
             ""},
        Case{"DateModel3",
             3,
             {"12612082"
              "1430"},
             expectDecember8At1430,
             ""},
        Case{"DateModel5",
             5,
             {"12612083"
              "1430"},
             expectDecember8At1430,
             ""},
        Case{"DateModel6",
             6,
             {"\x05"
              "3"
              "20261208"
              "1430"
              "00"},
             expectDecember8At1430,
             "\x05"
             "0"},
        Case{"BadDateIsIgnored",
             0,
             {"12613322"
              "1430"},
             [](const Simulator& s) { EXPECT_NE(localOf(s.clockTime()).tm_mon + 1, 13); },
             ""},
        Case{"CacheModel0",
             0,
             {"785"},
             [](const Simulator& s) { EXPECT_EQ(s.cachePercent(), 85); },
             ""},
        Case{"CacheTop",
             2,
             {"799"},
             [](const Simulator& s) { EXPECT_EQ(s.cachePercent(), 99); },
             ""},
        Case{"CacheModel6",
             6,
             {"750"},
             [](const Simulator& s) { EXPECT_EQ(s.cachePercent(), 50); },
             ""},
        Case{"LockAll", 0, {"6"}, [](const Simulator& s) { EXPECT_TRUE(s.locked()); }, ""},
        Case{"LockThenEnableAll",
             1,
             {"6", "3"},
             [](const Simulator& s) { EXPECT_FALSE(s.locked()); },
             ""},
        Case{"LockThenNormalModel4",
             4,
             {"6", "R"},
             [](const Simulator& s) {
               EXPECT_FALSE(s.locked());
               EXPECT_EQ(s.clockNumber(), 1);  // "R" alone is no renumbering
             },
             ""},
        Case{"EmptyNumberModel0",
             0,
             {"6", "R"},
             [](const Simulator& s) {
               EXPECT_TRUE(s.locked());  // only models 4 and 5 read "R" as the normal mode
               EXPECT_EQ(s.clockNumber(), 1);
             },
             ""},
        Case{"CardsModel0",
             0,
             {"51234", "5777", "41234", "4900"},
             [](const Simulator& s) {
               EXPECT_EQ(s.enabledCards(), std::vector<std::string>{"777"});
               EXPECT_EQ(s.disabledCards(), (std::vector<std::string>{"1234", "900"}));
             },
             ""},
        Case{"CardModel6",
             6,
             {"40001", "50001"},
             [](const Simulator& s) {
               EXPECT_EQ(s.enabledCards(), std::vector<std::string>{"0001"});
               EXPECT_TRUE(s.disabledCards().empty());
             },
             ""},
        // "A"/"B" with a range set access windows: no status reply (the probe's B reply comes
        // first)
        Case{"CardModel4",
             4,
             {"P02", "A" + kRange4, "B" + kRange4,
              "5"
              "4321"
              "AB"},
             [](const Simulator& s) {
               EXPECT_EQ(s.enabledCards(), std::vector<std::string>{"4321"});
             },
             ""},
        Case{"CardModel5",
             5,
             {"P02", "A00002359", "B00002359",
              "5"
              "4321"
              "AB"},
             [](const Simulator& s) {
               EXPECT_EQ(s.enabledCards(), std::vector<std::string>{"4321"});
             },
             ""},
        Case{"ResetModel2",
             2,
             {"\x89"},
             [](const Simulator& s) { EXPECT_EQ(s.clockNumber(), 1); },
             ""},
        Case{"ResetModel5",
             5,
             {"C"},
             [](const Simulator& s) { EXPECT_EQ(s.clockNumber(), 1); },
             ""}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// After "R5" the clock answers to 5 only; the reply frames carry the new number too.
TEST(ClockNumber, RenumberedClockAnswersToItsNewNumber) {
  for (int model : {0, 6}) {
    Options o;
    o.model = model;
    Simulator sim(o);
    TcpHost host(sim.listenTcp());
    host.send(hostFrame(model, "R5"));
    if (model != 6) {
      ASSERT_EQ(host.readByte(), ACK);
    }
    const std::string probe = model == 6 ? "\x03" : "A";
    host.send(frameTo(model, 1, probe));  // the old number: not this clock any more
    host.send(frameTo(model, 5, probe));
    if (model != 6) {
      ASSERT_EQ(host.readByte(), ACK);
    }
    const std::string f = host.readFrame(model);
    ASSERT_FALSE(f.empty());
    if (model == 6) {
      EXPECT_EQ(f[2], 5);
    } else {
      EXPECT_EQ(f[15], '5');  // status position 16: the clock id
    }
    EXPECT_EQ(sim.clockNumber(), 5);
    EXPECT_EQ(sim.receivedFrames().size(), 2u) << model;
  }
}

std::string sirenPayload(const std::string& frame, int model) {
  return frame.size() < 5 ? ""
                          : frame.substr(model == 6 ? 3 : 1, frame.size() - (model == 6 ? 5 : 3));
}

class SirenList : public testing::TestWithParam<int> {};

// "89" brings the 32 slots, one per acknowledgement (a NAK repeats one), then nothing more.
TEST_P(SirenList, AllSlotsOnePerAck) {
  const int model = GetParam();
  Options o;
  o.model = model;
  Simulator sim(o);
  sim.setSirens({{1, 1, 7, 5, 5}, {7, 2, 12, 0, 30}, {8, 3, 18, 45, 10}});
  PtyHost host(sim.openPty());
  host.send(hostFrame(model, "89"));
  if (model != 6) {
    ASSERT_EQ(host.readByte(), ACK);
  }
  std::vector<std::string> got;
  for (size_t i = 0; i < clocksim::kSirenSlots; ++i) {
    const std::string f = host.readFrame(model);
    ASSERT_FALSE(f.empty()) << i;
    if (i == 1) {
      host.send(std::string(1, NAK));
      EXPECT_EQ(host.readFrame(model), f);
    }
    host.send(std::string(1, ACK));
    got.push_back(sirenPayload(f, model));
  }
  EXPECT_EQ(got[0], "11070505");
  EXPECT_EQ(got[1], "H2120030");
  EXPECT_EQ(got[2], "T3184510");
  for (size_t i = 3; i < got.size(); ++i) EXPECT_EQ(got[i], "00000000") << i;
  const std::string probe = model == 6 ? "\x03" : "B";  // answered next: no 33rd entry came
  const std::string reply = exchange(host, model, probe);
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(reply[model == 6 ? 3 : 1], model == 6 ? '\x03' : '0');
}

INSTANTIATE_TEST_SUITE_P(Models, SirenList, testing::Values(0, 4, 6),
                         [](const testing::TestParamInfo<int>& i) {
                           return "Model" + std::to_string(i.param);
                         });

// Adding fills the first free slot, the siren number plus 4 deletes that siren, "8A" all.
TEST(Sirens, AddDeleteDeleteAll) {
  Simulator sim;
  TcpHost host(sim.listenTcp());
  auto send = [&](const std::string& cmd) {
    host.send(hostFrame(0, cmd));
    ASSERT_EQ(host.readByte(), ACK) << cmd;
  };
  send("811070505");  // Monday, siren 1, 07:05, 5 s
  send("872120030");  // working days, siren 2
  send("893184510");  // the day code 9 does not exist: ignored
  std::vector<Siren> expected(clocksim::kSirenSlots);
  expected[0] = {1, 1, 7, 5, 5};
  expected[1] = {7, 2, 12, 0, 30};
  EXPECT_EQ(sim.sirens(), expected);
  send("815070505");  // delete siren 1 of Monday 07:05
  expected[0] = {};
  EXPECT_EQ(sim.sirens(), expected);
  send("881060010");  // every day, siren 1: the freed first slot
  expected[0] = {8, 1, 6, 0, 10};
  EXPECT_EQ(sim.sirens(), expected);
  send("8A");
  EXPECT_EQ(sim.sirens(), std::vector<Siren>(clocksim::kSirenSlots));
}

TEST(Sirens, FullTableTakesNoMore) {
  Simulator sim;
  sim.setSirens(std::vector<Siren>(clocksim::kSirenSlots, Siren{2, 4, 8, 0, 3}));
  TcpHost host(sim.listenTcp());
  host.send(hostFrame(0, "811070505"));
  ASSERT_EQ(host.readByte(), ACK);
  EXPECT_EQ(sim.sirens(), std::vector<Siren>(clocksim::kSirenSlots, Siren{2, 4, 8, 0, 3}));
}

}  // namespace

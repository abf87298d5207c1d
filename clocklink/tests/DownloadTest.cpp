// Whole downloads from the clock simulator over each link kind.
#include "RecordParser.h"
#include "clocklink/ClsMirsol.h"

#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <cstdio>

using namespace clocklink;

namespace {

enum class Kind { Pty, Tcp, Udp };

struct DownloadCase {
  const char* name;
  Kind kind;
  double faultRate;
  uint32_t seed;
};

// The text Record_Get must give for a punch the simulator stored.
std::string expectedText(const clocksim::Punch& p, Today now) {
  char buf[64];
  int year = p.month > now.month ? now.year - 1 : now.year;
  std::snprintf(buf, sizeof buf, "0%04d%02d%02d%02d%02d0%d%02d", year, p.month, p.day, p.hour,
                p.minute, 1, p.reader);
  return buf + shortenCard(p.card);
}

class Download : public ::testing::TestWithParam<DownloadCase> {
 protected:
  void configure(clocksim::Simulator& sim, ClsMirsol& m) {
    switch (GetParam().kind) {
      case Kind::Pty: {
        std::string dev = sim.openPty();
        ::setenv("VELTA_COM61", dev.c_str(), 1);
        ASSERT_EQ(m.SetTimeRecorder("1", 0, "COM61", "9600", "", 1, "", 0, 0, 0, 0), kSuccess);
        break;
      }
      case Kind::Tcp:
        ASSERT_EQ(
            m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, sim.listenTcp(), 3),
            kSuccess);
        break;
      case Kind::Udp:
        ASSERT_EQ(
            m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, sim.listenUdp(), 0),
            kSuccess);
        break;
    }
  }
};

TEST_P(Download, EveryRecordMatchesTheClock) {
  const DownloadCase& c = GetParam();
  clocksim::Options opt;
  opt.model = 0;
  opt.faultRate = c.faultRate;
  opt.seed = c.seed;
  if (c.faultRate > 0)
    opt.faults = {clocksim::Fault::FlipByte, clocksim::Fault::DropBodyByte,
                  clocksim::Fault::CorruptCheck};
  clocksim::Simulator sim(opt);
  sim.generatePunches(1000, 11);
  const std::vector<clocksim::Punch> stored = sim.punches();

  ClsMirsol m;
  m.SetTimeOut(1);
  configure(sim, m);
  // The status exchange is repaired by NAK and repeat like any other frame.
  int32_t count = 0;
  ASSERT_EQ(m.Record_Process(1, 0, count), kSuccess);
  ASSERT_EQ(count, 1000);
  CollectionStatus r = kSuccess;
  while (r == kSuccess && m.RegCount < count) r = m.Record_Process(2);
  const Today now = today();
  for (int32_t i = 0; i < m.RegCount && i < static_cast<int32_t>(stored.size()); ++i)
    ASSERT_EQ(m.Record_Get(i), expectedText(stored[static_cast<size_t>(i)], now)) << i;
  EXPECT_EQ(m.Record_Process(3), r);
  RecordProperty("records", m.RegCount);
  RecordProperty("result", statusCode(r));

  // A damaged frame is asked for again, never stored as a damaged punch.
  EXPECT_EQ(m.RegCountErr, 0);
  // Success only when every counted record came; a short download says it failed.
  const bool complete = m.RegCount == count;
  EXPECT_EQ(r == kSuccess, complete) << r;
  if (!complete) {
    EXPECT_TRUE(r == kFailure || r == kCancelled) << r;
  }
  if (c.faultRate == 0) {
    EXPECT_TRUE(complete) << m.RegCount;
  }
  // Reading takes nothing away: the clock still holds every punch until a clear.
  EXPECT_EQ(sim.punches().size(), stored.size());
  EXPECT_EQ(sim.clearCount(), 0u);
  if (complete) {
    // As the download routine does: clear only once everything was read.
    EXPECT_EQ(m.Record_Process(4), kSuccess);
    EXPECT_TRUE(sim.punches().empty());
    EXPECT_GE(sim.clearCount(), 1u);
  }
  m.fcommclosePort();
}

INSTANTIATE_TEST_SUITE_P(Links, Download,
                         ::testing::Values(DownloadCase{"pty", Kind::Pty, 0, 1},
                                           DownloadCase{"tcp", Kind::Tcp, 0, 1},
                                           DownloadCase{"udp", Kind::Udp, 0, 1},
                                           DownloadCase{"pty_faults", Kind::Pty, 0.02, 3},
                                           DownloadCase{"tcp_faults", Kind::Tcp, 0.02, 5},
                                           DownloadCase{"udp_faults", Kind::Udp, 0.02, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatusFromSimulator, CountSilentAndGateway) {
  clocksim::Simulator sim;
  sim.generatePunches(12, 3);
  ClsMirsol m;
  m.SetTimeOut(1);
  ASSERT_EQ(m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, sim.listenTcp(), 3),
            kSuccess);
  std::string status = m.Status_Get();
  EXPECT_EQ(status.size(), 36u);
  EXPECT_EQ(statusCount(status), 12);
}

TEST(DownloadModel6, EveryRecordOverAPseudoTerminal) {
  clocksim::Options opt;
  opt.model = 6;
  clocksim::Simulator sim(opt);
  sim.generatePunches(200, 5);
  const std::vector<clocksim::Punch> stored = sim.punches();
  ::setenv("VELTA_COM62", sim.openPty().c_str(), 1);
  ClsMirsol m;
  m.SetTimeOut(1);
  ASSERT_EQ(m.SetTimeRecorder("1", 6, "COM62", "9600", "", 1, "", 0, 0, 0, 0), kSuccess);
  int32_t count = 0;
  ASSERT_EQ(m.Record_Process(1, 0, count), kSuccess);
  ASSERT_EQ(count, 200);
  CollectionStatus r = kSuccess;
  while (r == kSuccess && m.RegCount < 200) r = m.Record_Process(2);
  EXPECT_EQ(r, kSuccess);
  ASSERT_EQ(m.RegCount, 200);
  EXPECT_EQ(m.RegCountErr, 0);
  const Today now = today();
  for (int32_t i = 0; i < m.RegCount; ++i)
    ASSERT_EQ(m.Record_Get(i), expectedText(stored[static_cast<size_t>(i)], now)) << i;
  (void)m.Record_Process(3);
  EXPECT_EQ(m.Record_Process(4), kSuccess);
  EXPECT_TRUE(sim.punches().empty());
  m.fcommclosePort();
}

// Type-9 frames are records the clock counted but not punches: three of them in a row are
// no silent clock, and the steps taken still reach the announced count.
TEST(DownloadModel6, FramesDroppedForTheirTypeCountAsSteps) {
  clocksim::Options opt;
  opt.model = 6;
  clocksim::Simulator sim(opt);
  sim.generatePunches(10, 6);
  std::vector<clocksim::Punch> stored = sim.punches();
  for (size_t i : {2u, 3u, 4u, 9u}) stored[i].reader = 9;
  sim.setPunches(stored);
  ::setenv("VELTA_COM63", sim.openPty().c_str(), 1);
  ClsMirsol m;
  m.SetTimeOut(1);
  ASSERT_EQ(m.SetTimeRecorder("1", 6, "COM63", "9600", "", 1, "", 0, 0, 0, 0), kSuccess);
  int32_t count = 0;
  ASSERT_EQ(m.Record_Process(1, 0, count), kSuccess);
  ASSERT_EQ(count, 10);
  CollectionStatus r = kSuccess;
  while (r == kSuccess && m.fetchedSteps() < 10) r = m.Record_Process(2);
  EXPECT_EQ(r, kSuccess);
  EXPECT_EQ(m.fetchedSteps(), 10);
  EXPECT_EQ(m.RegCount, 6);
  (void)m.Record_Process(3);
  m.fcommclosePort();
}

// A clock behind a serial gateway answers only after the gateway's
// "connect" line, which the status read sends when the clock has an address.
TEST(SerialGateway, ConnectLineBeforeTheStatus) {
  struct Case {
    const char* ip;
    size_t statusSize;
  };
  const Case cases[] = {{"10.0.0.7", 36}, {"", 0}};
  for (const auto& c : cases) {
    clocksim::Options opt;
    opt.serialGateway = true;
    clocksim::Simulator sim(opt);
    sim.generatePunches(7, 2);
    ::setenv("VELTA_COM63", sim.openPty().c_str(), 1);
    ClsMirsol m;
    m.SetTimeOut(1);
    (void)m.SetTimeRecorder("1", 0, "COM63", "9600", "", 1, c.ip, 0, 0, 0, 0);
    std::string status = m.Status_Get();
    EXPECT_EQ(status.size(), c.statusSize) << c.ip;
    if (c.statusSize) {
      EXPECT_EQ(statusCount(status), 7);
    }
    m.fcommclosePort();
  }
}

}  // namespace

// Frame layer against a scripted clock on a pseudo-terminal.
#include "clocklink/ClsMirsol.h"
#include "clocklink/EventPump.h"
#include "peers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace clocklink;
using testpeers::clockFrame;
using testpeers::PtyClock;

namespace {

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int c : v) s.push_back(static_cast<char>(c));
  return s;
}

struct FrameCase {
  int model;
  std::string expected;  // frame to send, check byte included
};

class FrameVectors : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameVectors, CommandAFramedWithCheckByte) {
  ClsMirsol m;
  ASSERT_EQ(m.SetTimeRecorder("1", static_cast<int16_t>(GetParam().model), "COM9", "9600", "", 1,
                              "", 0, 0, 0, 0),
            kSuccess);
  EXPECT_EQ(m.BuildFrame("A"), static_cast<int16_t>(GetParam().expected.size()));
  EXPECT_EQ(m.frameToSend(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Models, FrameVectors,
    ::testing::Values(FrameCase{0, bytes({0x02, 0x52, 0x31, 0x41, 0x03, 0x23})},
                      FrameCase{1, bytes({0x02, 0x52, 0x31, 0x41, 0x03, 0x23})},
                      FrameCase{2, bytes({0x02, 0x45, 0x31, 0x41, 0x03, 0x34})},
                      FrameCase{5, bytes({0x02, 0x52, 0x31, 0x41, 0x03, 0x23})},
                      FrameCase{6, bytes({0x02, 0x05, 0x01, 0x41, 0x03, 0x44})}));

TEST(FrameBuild, Model6RefusesOverlongCommandAndBadAddress) {
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 6, "COM9", "9600", "", 1, "", 0, 0, 0, 0);
  EXPECT_EQ(m.BuildFrame(std::string(252, 'x')), 0);
  EXPECT_EQ(m.lastResult(), kFailure);
  (void)m.SetTimeRecorder("300", 6, "COM9", "9600", "", 1, "", 0, 0, 0, 0);
  EXPECT_EQ(m.BuildFrame("A"), 0);
}

// A protocol object on COM<port> with a short reply time-out.
struct PtyFixture : ::testing::Test {
  static constexpr int kPort = 41;
  PtyClock clock{kPort};
  ClsMirsol m;
  void SetUp() override {
    ASSERT_EQ(m.SetTimeRecorder("1", 0, "COM41", "9600", "", 1, "", 0, 0, 0, 0), kSuccess);
    m.SetTimeOut(1);
    ASSERT_EQ(m.link().PL_Open(), kSuccess);
    m.link().PL_SetInputLen(1);  // as a preceding SendFrame leaves it
  }
  void TearDown() override { setEventPump({}); }
};

TEST_F(PtyFixture, SendFrameIsSentTwiceWithoutAcknowledgement) {
  std::atomic<int> frames{0};
  std::thread peer([&] {
    while (!clock.readFrame(3000).empty()) ++frames;
  });
  EXPECT_EQ(m.SendFrame("A"), kFailure);
  peer.join();
  EXPECT_EQ(frames.load(), 2);
}

TEST_F(PtyFixture, StrayBytesDoNotEndTheAckWait) {
  std::thread peer([&] {
    clock.readFrame();
    clock.write("xyz");
    clock.write(std::string(1, ACK));
  });
  EXPECT_EQ(m.SendFrame("A"), kSuccess);
  peer.join();
}

// A link that never falls silent (noise without ACK or STX, sent faster than
// it is read, so input is always waiting) must not hold either wait beyond
// its time-out. A TCP peer can keep the input full without a gap.
struct NoiseCase {
  const char* name;
  std::function<std::string(ClsMirsol&)> call;
  std::string result;
  CollectionStatus last;
};

class NoisyLine : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(NoisyLine, WaitsStillEnd) {
  testpeers::TcpListener server;
  ClsMirsol m;
  ASSERT_EQ(m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, server.port(), 3),
            kSuccess);
  m.SetTimeOut(1);
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  int peer = server.accept(3000);
  ASSERT_GE(peer, 0);
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    const std::string noise(65536, '?');
    while (!stop) {
      if (::send(peer, noise.data(), noise.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0) {
        pollfd p{peer, POLLOUT, 0};
        ::poll(&p, 1, 10);
      }
    }
  });
  EXPECT_EQ(GetParam().call(m), GetParam().result);
  EXPECT_EQ(m.lastResult(), GetParam().last);
  stop = true;
  flood.join();
  ::close(peer);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, NoisyLine,
    ::testing::Values(
        NoiseCase{"ack_wait",
                  [](ClsMirsol& m) { return std::to_string(statusCode(m.SendFrame("A"))); },
                  std::to_string(statusCode(kFailure)), kFailure},
        NoiseCase{"stx_search", [](ClsMirsol& m) { return m.ReceiveFrame(); }, "", kCancelled}),
    [](const auto& info) { return std::string(info.param.name); });

// A line whose other side is gone reads as "ready" for ever; the waits must
// still sleep in slices. One second of waiting makes a few hundred event
// passes at most, where a spinning loop makes hundreds of thousands.
TEST_F(PtyFixture, HungUpLineWaitsWithoutSpinning) {
  long passes = 0;
  setEventPump([&] { ++passes; });
  clock.hangUp();
  EXPECT_EQ(m.ReceiveFrame(), "");
  EXPECT_EQ(m.lastResult(), kCancelled);
  EXPECT_LT(passes, 2000);
  passes = 0;
  EXPECT_EQ(m.SendFrame("A"), kFailure);  // two sendings, one second each
  EXPECT_LT(passes, 4000);
}

TEST_F(PtyFixture, Model6SendsWithoutAwaitingAcknowledgement) {
  (void)m.SetTimeRecorder("1", 6, "COM41", "9600", "", 1, "", 0, 0, 0, 0);
  EXPECT_EQ(m.SendFrame(std::string(1, '\x01')), kSuccess);
  EXPECT_EQ(clock.readFrame(), bytes({0x02, 0x05, 0x01, 0x01, 0x03, 0x04}));
}

struct ReceiveCase {
  const char* name;
  std::string wire;       // what the clock sends
  std::string expected;   // frame returned
  CollectionStatus last;  // last result
  std::string answers;    // control bytes the host sent back
};

class ReceiveCases : public PtyFixture, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiveCases, Reception) {
  const ReceiveCase& c = GetParam();
  std::string answers;
  std::thread peer([&] {
    clock.write(c.wire);
    int b;
    while ((b = clock.readByte(2500)) >= 0) {
      answers.push_back(static_cast<char>(b));
      if (b == NAK) clock.write(c.wire);  // the clock repeats what it sent
    }
  });
  EXPECT_EQ(m.ReceiveFrame(), c.expected);
  EXPECT_EQ(m.lastResult(), c.last);
  peer.join();
  EXPECT_EQ(answers, c.answers);
}

const std::string kGood = clockFrame("011231235900012345");
INSTANTIATE_TEST_SUITE_P(
    Frames, ReceiveCases,
    ::testing::Values(
        ReceiveCase{"good", kGood, kGood, kSuccess, std::string(1, ACK)},
        ReceiveCase{"noise_before_stx", "\x01zz" + kGood, kGood, kSuccess, std::string(1, ACK)},
        ReceiveCase{"bad_check_three_times", clockFrame("0112", false), "", kFailure,
                    std::string(3, NAK)},
        ReceiveCase{"over_50_bytes", clockFrame(std::string(48, '1')), "", kCancelled, ""},
        ReceiveCase{"exactly_50_bytes", clockFrame(std::string(47, '1')),
                    clockFrame(std::string(47, '1')), kSuccess, std::string(1, ACK)},
        ReceiveCase{"silent", "", "", kCancelled, ""},
        ReceiveCase{"no_check_byte",
                    "\x02"
                    "01\x03",
                    "", kCancelled, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PtyFixture, NakThenRepeatedFrameIsAccepted) {
  std::string answers;
  std::thread peer([&] {
    clock.write(clockFrame("0112", false));
    int b = clock.readByte(3000);
    answers.push_back(static_cast<char>(b));
    clock.write(clockFrame("0112"));
    answers.push_back(static_cast<char>(clock.readByte(3000)));
  });
  EXPECT_EQ(m.ReceiveFrame(), clockFrame("0112"));
  peer.join();
  EXPECT_EQ(answers, bytes({NAK, ACK}));
}

TEST_F(PtyFixture, Model6NakEndsReceptionAndEtxInsideBodyIsData) {
  (void)m.SetTimeRecorder("1", 6, "COM41", "9600", "", 1, "", 0, 0, 0, 0);
  clock.write(std::string(1, NAK));
  EXPECT_EQ(m.ReceiveFrame(), "");
  EXPECT_EQ(m.lastResult(), kCancelled);

  // LEN 9: an ETX at position 4 is data, the one at position 9 ends the body.
  std::string body = bytes({0x02, 0x09, 0x01, 0x03, 'a', 'b', 'c', 'd', 0x03});
  std::string frame = body + static_cast<char>(ClsMirsol::L_CheckORex(body));
  clock.write(frame);
  EXPECT_EQ(m.ReceiveFrame(), frame);
}

std::string model6Frame(char kind) {
  std::string body = bytes({0x02, 0x0a, 0x01, 'R', kind, '1', 'a', 'b', 'c', 0x03});
  return body + static_cast<char>(ClsMirsol::L_CheckORex(body));
}

TEST_F(PtyFixture, Model6SilentStepsFailButNonPunchFramesAreSteps) {
  (void)m.SetTimeRecorder("1", 6, "COM41", "9600", "", 1, "", 0, 0, 0, 0);
  m.SetTimeOut(1);
  const std::string next = bytes({0x02, 0x05, 0x01, 0x01, 0x03, 0x04});
  // Silent clock: the step reports the reception's failure, though the
  // next-record command still goes out.
  EXPECT_EQ(m.Record_Process(2), kCancelled);
  EXPECT_EQ(clock.readFrame(), next);

  std::vector<CollectionStatus> results;
  std::thread peer([&] {
    for (int i = 0; i < 3; ++i) {
      clock.write(model6Frame('9'));
      std::string got;
      while (got.size() < 7) {
        int b = clock.readByte(3000);
        if (b < 0) return;
        got.push_back(static_cast<char>(b));
      }
    }
  });
  for (int i = 0; i < 3; ++i) results.push_back(static_cast<CollectionStatus>(m.Record_Process(2)));
  peer.join();
  // Frames dropped for their type are records the clock counted, not a silent clock: three
  // in a row after a silent step still go on, and each is a step taken.
  EXPECT_EQ(results, (std::vector<CollectionStatus>{kSuccess, kSuccess, kSuccess}));
  EXPECT_EQ(m.RegCount, 0);
  EXPECT_EQ(m.fetchedSteps(), 3);
}

TEST_F(PtyFixture, CancelFromEventPumpEndsWaitsWithCancelled) {
  int calls = 0;
  setEventPump([&] {
    if (++calls == 30) m.SetCancel(1);
  });
  EXPECT_EQ(m.SendFrame("A"), kCancelled);
  EXPECT_EQ(m.lastResult(), kCancelled);
  // Once set, the flag refuses new work without sending.
  EXPECT_EQ(m.SendFrame("A"), kCancelled);
  EXPECT_EQ(m.Record_Process(2), kCancelled);
  m.SetCancel(0);
  calls = 0;
  setEventPump([&] {
    if (++calls == 30) m.SetCancel(1);
  });
  EXPECT_EQ(m.ReceiveFrame(), "");
  EXPECT_EQ(m.lastResult(), kCancelled);
}

TEST_F(PtyFixture, SerialGatewayConnectLineNeedsAnO) {
  std::string got;
  std::thread peer([&] {
    int b;
    while ((b = clock.readByte(1000)) > 0) got.push_back(static_cast<char>(b));
    clock.write("\r\nOK\r\n");
  });
  EXPECT_EQ(m.SendRaw(std::string("connect\t10.0.0.9\t23") + '\0'), kSuccess);
  peer.join();
  EXPECT_EQ(got, "connect\t10.0.0.9\t23");
}

}  // namespace

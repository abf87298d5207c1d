// The simulator against hand-written host-side bytes over real links: a pseudo-terminal,
// loopback TCP and the UDP unit's datagrams.
#include "clock_state.h"
#include "host_end.h"

namespace {

using namespace hosttest;

struct Case {
  Link link;
  int model;
};

std::string caseName(const testing::TestParamInfo<Case>& i) {
  static const char* const names[] = {"Pty", "Tcp", "Udp"};
  return std::string(names[static_cast<int>(i.param.link)]) + "Model" +
         std::to_string(i.param.model);
}

// The 36-character status as the host puts it together from the clock's replies.
std::string statusOf(HostEnd& host, int model) {
  if (model != 6) return exchange(host, model, "A") + exchange(host, model, "B");
  const std::string a = exchange(host, model, "\x04");
  const std::string b = exchange(host, model, "\x03");
  if (a.size() < 17 || b.size() < 8) return {};
  return a.substr(6, 11) + "AAAAAAAAA001010001" + "0" + b.substr(4, 4) + "00";
}

class StatusAndDownload : public testing::TestWithParam<Case> {};

TEST_P(StatusAndDownload, CountRecordsAndClearing) {
  const auto [link, model] = GetParam();
  Options o;
  o.model = model;
  Simulator sim(o);
  sim.generatePunches(12, 5);
  auto host = connectTo(sim, link);

  const std::string status = statusOf(*host, model);
  ASSERT_EQ(status.size(), 36u);
  EXPECT_EQ(status.substr(29, 5), "00012");
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(std::stoi(status.substr(3, 2)), tm.tm_mon + 1);
  if (model == 2) {
    EXPECT_EQ(status[15], '1');
  }

  const auto stored = sim.punches();
  host->send(hostFrame(model, model == 6 ? "\x01" : "0"));
  if (model != 6) {
    ASSERT_EQ(host->readByte(), ACK);
  }
  for (size_t i = 0; i < stored.size(); ++i) {
    const std::string f = host->readFrame(model);
    ASSERT_FALSE(f.empty()) << i;
    if (i == 3) {  // a NAK brings the same frame again
      host->send(std::string(1, NAK));
      EXPECT_EQ(host->readFrame(model), f);
    }
    host->send(std::string(1, ACK));
    if (model == 6) host->send(hostFrame(model, "\x01"));
    const std::string s = f.substr(model == 6 ? 4 : 1);
    char mmddhhmm[9];
    std::snprintf(mmddhhmm, sizeof mmddhhmm, "%02d%02d%02d%02d", stored[i].month, stored[i].day,
                  stored[i].hour, stored[i].minute);
    if (model == 6) {
      EXPECT_EQ(s[0] - '0' + 20, stored[i].reader);
      EXPECT_EQ(s.substr(6, 8), mmddhhmm);
      EXPECT_EQ(std::stoi(s.substr(19, 5)), std::stoi(stored[i].card));
    } else {
      EXPECT_EQ(std::stoi(s.substr(0, 2)), stored[i].reader);
      EXPECT_EQ(s.substr(2, 8), mmddhhmm);
      EXPECT_EQ(std::stoll(s.substr(10, s.size() - 12)), std::stoll(stored[i].card));
    }
  }

  sim.setClockTime(*clocksim::fromLocal(2026, 3, 4, 5, 6));
  if (model == 6) {
    EXPECT_FALSE(exchange(*host, model, "\x02").empty());
  } else {
    host->send(hostFrame(model, "2"));
    EXPECT_EQ(host->readByte(), ACK);
  }
  EXPECT_TRUE(sim.punches().empty());
  EXPECT_EQ(sim.clearCount(), 1u);
  EXPECT_GE(sim.receivedFrames().size(), 4u);
  if (model != 6) {  // model 6 reports no clearing: the host fills those positions itself
    // A clearing by the host's command is the operator's: "0" at position 21, then its month,
    // day, hour and minute, then the empty count.
    const std::string after = statusOf(*host, model);
    ASSERT_EQ(after.size(), 36u);
    EXPECT_EQ(after[20], '0');
    EXPECT_EQ(after.substr(21, 8), "03040506");
    EXPECT_EQ(after.substr(29, 5), "00000");
  }
}

INSTANTIATE_TEST_SUITE_P(Links, StatusAndDownload,
                         testing::Values(Case{Link::Tcp, 0}, Case{Link::Pty, 0}, Case{Link::Udp, 0},
                                         Case{Link::Tcp, 2}, Case{Link::Tcp, 6},
                                         Case{Link::Pty, 6}),
                         caseName);

TEST(Clock, DamagedOrForeignFramesAreNotAccepted) {
  Simulator sim;
  TcpHost host(sim.listenTcp());
  std::string bad = hostFrame(0, "A");
  bad.back() ^= 0x01;
  host.send(bad);
  EXPECT_EQ(host.readByte(), NAK);
  host.send(withCheck("\x02R2A\x03"));  // clock 2's frame: this clock keeps quiet
  host.send(hostFrame(0, "B"));
  EXPECT_EQ(host.readByte(), ACK);
  EXPECT_EQ(host.readFrame(0).size(), 18u);
  EXPECT_EQ(sim.receivedFrames(), std::vector<std::string>{"\x02R1B\x03"});
}

TEST(Clock, SerialGatewayAnswersConnectFirst) {
  Options o;
  o.serialGateway = true;
  Simulator sim(o);
  PtyHost host(sim.openPty());
  host.send(hostFrame(0, "A"));  // not passed before the connect line
  host.send(std::string("connect\t10.0.0.9\t23") + '\0');
  std::string reply;
  for (int i = 0; i < 4; ++i) reply += static_cast<char>(host.readByte());
  EXPECT_EQ(reply, "OK\r\n");
  EXPECT_EQ(exchange(host, 0, "A").size(), 18u);
  EXPECT_EQ(sim.receivedFrames().size(), 1u);
}

TEST(Clock, AnswersOnlyAtTheChosenLineSpeed) {
  Options o;
  o.answerOnlyAtBaud = 2400;
  Simulator sim(o);
  PtyHost host(sim.openPty());
  auto setSpeed = [&host](speed_t speed) {
    termios t{};
    ::tcgetattr(host.fd, &t);
    ::cfsetspeed(&t, speed);
    ::tcsetattr(host.fd, TCSANOW, &t);
  };
  setSpeed(B9600);
  host.send(hostFrame(0, "A"));
  EXPECT_EQ(host.readByte(1000), -1);  // noise at the wrong speed: no answer
  setSpeed(B2400);
  EXPECT_EQ(exchange(host, 0, "A").size(), 18u);
  EXPECT_EQ(sim.receivedFrames().size(), 1u);
}

TEST(Clock, PtyCanBeReopenedByTheNextHost) {
  Simulator sim;
  const std::string path = sim.openPty();
  for (int round = 0; round < 2; ++round) {
    PtyHost host(path);
    ASSERT_GE(host.fd, 0);
    EXPECT_EQ(exchange(host, 0, "A").size(), 18u) << round;
  }
}

// A host that starts a download and acknowledges blindly without reading fills the socket
// both ways; the clock's port must still take the next host.
TEST(Clock, StalledTcpClientDoesNotKeepTheNextHostOut) {
  Simulator sim;
  sim.generatePunches(200000, 4);
  const uint16_t port = sim.listenTcp();
  const int stalled = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(stalled, 0);
  const int small = 2048;  // a small window, so the clock's writes block early
  ::setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const sockaddr_in a = loopback(port);
  ASSERT_EQ(::connect(stalled, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
  ::fcntl(stalled, F_SETFL, ::fcntl(stalled, F_GETFL) | O_NONBLOCK);
  const std::string start = hostFrame(0, "0");
  ASSERT_EQ(::send(stalled, start.data(), start.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(start.size()));
  const std::string acks(4096, ACK);  // each one asks for the next record
  // Send until the clock has stopped taking input: its records can no longer leave.
  bool full = false;
  for (int round = 0; round < 100000 && !full; ++round) {
    if (::send(stalled, acks.data(), acks.size(), MSG_NOSIGNAL) > 0) continue;
    pollfd p{stalled, POLLOUT, 0};
    full = ::poll(&p, 1, 500) == 0;
  }
  ASSERT_TRUE(full);

  TcpHost next(port);
  next.send(hostFrame(0, "A"));
  EXPECT_EQ(next.readByte(20000), ACK);
  EXPECT_FALSE(next.readFrame(0).empty());  // and its status reply
  ::close(stalled);
}

TEST(UdpUnit, SequenceAndAcknowledgement) {
  for (bool acknowledge : {true, false}) {
    Options o;
    o.udpAcknowledge = acknowledge;
    Simulator sim(o);
    UdpHost host(sim.listenUdp());
    host.HostEnd::send(std::string(1, '\xff'));  // a lone sequence byte is never answered
    EXPECT_EQ(exchange(host, 0, "A").size(), 18u);
    // acknowledged: ack, ACK, frame; otherwise ACK, frame; each a new sequence byte
    ASSERT_EQ(host.datagrams.size(), acknowledge ? 3u : 2u);
    if (acknowledge) {
      EXPECT_EQ(host.datagrams[0].size(), 1u);
    }
    EXPECT_EQ(host.datagrams[acknowledge ? 1 : 0].substr(1), std::string(1, ACK));
    for (size_t i = 1; i < host.datagrams.size(); ++i)
      EXPECT_EQ(static_cast<unsigned char>(host.datagrams[i][0]),
                static_cast<unsigned char>(host.datagrams[i - 1][0] + 1));
  }
}

}  // namespace

namespace {

struct FaultCase {
  clocksim::Fault kind;
  const char* name;
};

class EveryByteFaulted : public testing::TestWithParam<FaultCase> {};

// At a rate of one, the first reply shows the fault; damaged frames still start with STX
// and fail their check byte, silence sends nothing, close ends the connection.
TEST_P(EveryByteFaulted, ReplyShowsTheFault) {
  const clocksim::Fault kind = GetParam().kind;
  Options o;
  o.faultRate = 1.0;
  o.faults = {kind};
  Simulator sim(o);
  const uint16_t port = sim.listenTcp();
  TcpHost host(port);
  host.send(hostFrame(0, "A"));
  switch (kind) {
    case clocksim::Fault::DropBodyByte:
    case clocksim::Fault::CorruptCheck: {
      EXPECT_EQ(host.readByte(), ACK);  // a lone byte has no body or check byte to damage
      const std::string f = host.readFrame(0);
      char x = 0;
      for (char c : f) x ^= c;
      EXPECT_NE(x, 0);
      EXPECT_EQ(f.size(), kind == clocksim::Fault::DropBodyByte ? 17u : 18u);
      break;
    }
    case clocksim::Fault::FlipByte:
      EXPECT_NE(host.readByte(), ACK);
      break;
    case clocksim::Fault::Silence:
      EXPECT_EQ(host.readByte(300), -1);
      break;
    case clocksim::Fault::Close: {
      auto closedByClock = [](int fd) {
        pollfd p{fd, POLLIN, 0};
        char c;
        return ::poll(&p, 1, kWaitMs) == 1 && ::recv(fd, &c, 1, 0) == 0;  // nothing sent first
      };
      EXPECT_TRUE(closedByClock(host.fd));
      TcpHost again(port);  // the same port serves the next connection
      again.send(hostFrame(0, "A"));
      EXPECT_TRUE(closedByClock(again.fd));
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryByteFaulted,
                         testing::Values(FaultCase{clocksim::Fault::FlipByte, "Flip"},
                                         FaultCase{clocksim::Fault::DropBodyByte, "Drop"},
                                         FaultCase{clocksim::Fault::CorruptCheck, "Check"},
                                         FaultCase{clocksim::Fault::Silence, "Silence"},
                                         FaultCase{clocksim::Fault::Close, "Close"}),
                         [](const testing::TestParamInfo<FaultCase>& i) {
                           return std::string(i.param.name);
                         });

}  // namespace

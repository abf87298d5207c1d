// The reactor's one-shot notifications and the TCP session's settings,
// refusals while connected, and sends to a peer that has gone.
#include "Peers.h"
#include "SocketBinding.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace remcmd;
using namespace remcmd::test;

namespace {

struct Recorder : SocketTarget {
  std::vector<uint16_t> events;
  void onSocketEvent(int, uint16_t event, uint16_t) override { events.push_back(event); }
};

// A connected loopback pair: `ours` is non-blocking and watched, `theirs` plain.
struct Pair {
  int ours = -1, theirs = -1;
  Pair() {
    const int l = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(l, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(l, 1);
    socklen_t len = sizeof sa;
    ::getsockname(l, reinterpret_cast<sockaddr*>(&sa), &len);
    theirs = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(theirs, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ours = ::accept4(l, nullptr, nullptr, SOCK_NONBLOCK);
    ::close(l);
  }
  ~Pair() {
    ::close(ours);
    if (theirs >= 0) ::close(theirs);
  }
};

TEST(Reactor, NotificationsAreOneShotUntilRearmed) {
  ASSERT_EQ(loadWinsock(), 1);
  {
    auto reactor = Reactor::create();
    auto target = std::make_shared<Recorder>();
    int changes = 0;
    reactor->setWatchChangedCallback([&] { ++changes; });
    Pair pair;
    reactor->watch(pair.ours, Reactor::Read | Reactor::Close, target);
    EXPECT_GT(changes, 0);
    ASSERT_EQ(::send(pair.theirs, "x", 1, 0), 1);

    ASSERT_TRUE(pumpUntil(*reactor, [&] { return !target->events.empty(); }));
    EXPECT_EQ(target->events, std::vector<uint16_t>{Reactor::Read});
    // Nobody received: the socket is not reported again, however often we poll.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(reactor->runOnePass(0), 0);
    ASSERT_EQ(reactor->watchStates().size(), 1u);
    EXPECT_FALSE(reactor->watchStates()[0].wantWrite);

    char c;
    ASSERT_EQ(::recv(pair.ours, &c, 1, 0), 1);
    reactor->rearm(pair.ours, Reactor::Read);
    EXPECT_EQ(reactor->runOnePass(0), 0);  // nothing left to read

    ::close(pair.theirs);
    pair.theirs = -1;
    ASSERT_TRUE(pumpUntil(*reactor, [&] { return target->events.size() == 2; }));
    // The end of stream is a Read (the receive sees it) ...
    EXPECT_EQ(target->events.back(), Reactor::Read);
    // ... and once read is disarmed, the hang-up comes as one Close.
    ASSERT_TRUE(pumpUntil(*reactor, [&] { return target->events.size() == 3; }));
    EXPECT_EQ(target->events.back(), Reactor::Close);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(reactor->runOnePass(0), 0);
    EXPECT_TRUE(reactor->watchStates().empty());

    // Posted notifications of an unwatched socket are dropped.
    reactor->post(pair.ours, Reactor::Read);
    reactor->unwatch(pair.ours);
    EXPECT_EQ(reactor->runOnePass(0), 0);
  }
  unloadWinsock();
}

class Session : public ::testing::Test {
 protected:
  std::shared_ptr<Reactor> reactor = Reactor::create();
  std::shared_ptr<RshSession> rsh = RshSession::create(reactor);
  RecordingSink sink;
  void SetUp() override { rsh->setSink(&sink); }
};

TEST_F(Session, SettingsAndAddresses) {
  EXPECT_EQ(rsh->setRemoteHost("localhost"), 0);
  EXPECT_EQ(rsh->remoteHost(), "127.0.0.1");
  EXPECT_EQ(rsh->setRemoteHost(""), 0);
  EXPECT_EQ(rsh->remoteHost(), "");
  rsh->firewall().setType(FirewallType::Tunnel);
  EXPECT_EQ(rsh->setRemoteHost("host.example"), 0);  // not resolved here
  EXPECT_EQ(rsh->remoteHost(), "host.example");
  rsh->firewall().setType(FirewallType::None);

  const std::vector<std::pair<uint32_t, uint32_t>> lengths = {
      {0, 1}, {100, 100}, {100000, 65536}, {uint32_t(-5), 65536}};
  for (const auto& [set, got] : lengths) {
    EXPECT_EQ(rsh->setMaxLineLength(set), 0);
    EXPECT_EQ(rsh->maxLineLength(), got) << set;
  }
  rsh->setTimeout(5);
  EXPECT_EQ(rsh->timeout(), 5);
  EXPECT_EQ(rsh->eol(), "\n");
  EXPECT_EQ(rsh->errEol(), "\n");
  EXPECT_TRUE(rsh->holdsWinsock());
  EXPECT_EQ(rsh->localHost().empty(), false);
  EXPECT_EQ(rsh->setLocalHost("127.0.0.1"), 0);
  EXPECT_EQ(rsh->localHost(), "127.0.0.1");
}

TEST_F(Session, TextsWithANulInsideAreRefused) {
  ASSERT_EQ(rsh->setLocalUser("a"), 0);
  ASSERT_EQ(rsh->setRemoteUser("b"), 0);
  const std::string nul = lit("a\0root");
  struct Case {
    const char* name;
    std::function<int32_t()> set;
  } cases[] = {
      {"LocalUser", [&] { return rsh->setLocalUser(nul); }},
      {"RemoteUser", [&] { return rsh->setRemoteUser(nul); }},
      {"RemoteHost", [&] { return rsh->setRemoteHost(lit("127.0.0.1\0x")); }},
      {"LocalHost", [&] { return rsh->setLocalHost(lit("127.0.0.1\0x")); }},
      {"FirewallHost", [&] { return rsh->firewall().setHost(lit("127.0.0.1\0x")); }},
      {"FirewallUser", [&] { return int32_t(rsh->firewall().setUser(nul)); }},
      {"FirewallPassword", [&] { return int32_t(rsh->firewall().setPassword(nul)); }},
      {"command", [&] { return rsh->execute(lit("ls\0rm")); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.set(), 10022) << c.name;
    EXPECT_STREQ(rsh->lastErrorText().c_str(), "[10022] Invalid argument") << c.name;
  }
  EXPECT_EQ(rsh->localUser().view(), "a");
  EXPECT_EQ(rsh->remoteUser().view(), "b");
  EXPECT_FALSE(rsh->connected());
}

TEST_F(Session, RefusedWhileConnectedAndBufferSizes) {
  StubRshd stub({{Step::Out, std::string(1, '\0')}, {Step::Sleep, "", 300}});
  rsh->setRemoteHost("127.0.0.1");
  rsh->setRemotePort(stub.port());
  rsh->setInBufferSize(1024);
  ASSERT_EQ(rsh->execute("x"), 0);

  struct Case {
    const char* name;
    std::function<int32_t()> change;
    int32_t result;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"remote port", [&] { return rsh->setRemotePort(1); }, 100,
       "You cannot change the RemotePort at this time. A connection is in progress."},
      {"remote host", [&] { return rsh->setRemoteHost("127.0.0.2"); }, 101,
       "You cannot change the RemoteHost at this time. A connection is in progress."},
      {"local port", [&] { return rsh->setLocalPort(1); }, 106,
       "You cannot change the LocalPort at this time. A connection is in progress."},
      {"line length", [&] { return rsh->setMaxLineLength(10); }, 112,
       "You cannot change MaxLineSize at this time. A connection is in progress."},
      {"connect again", [&] { return rsh->sessionConnect(true); }, 104,
       "Already connected. If you want to reconnect, close the current connection first."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.change(), c.result) << c.name;
    EXPECT_STREQ(rsh->lastErrorText().c_str(), c.text) << c.name;
  }
  EXPECT_EQ(rsh->remoteHost(), "127.0.0.1");

  int size = 0;
  socklen_t len = sizeof size;
  ::getsockopt(rsh->socketHandle(), SOL_SOCKET, SO_RCVBUF, &size, &len);
  const int before = size;
  EXPECT_EQ(rsh->inBufferSize(), 1024);  // stored, not applied
  EXPECT_EQ(rsh->setInBufferSize(8192), 0);
  ::getsockopt(rsh->socketHandle(), SOL_SOCKET, SO_RCVBUF, &size, &len);
  EXPECT_NE(size, before);

  const std::string data(100, 'd');
  EXPECT_EQ(rsh->sessionSendAll(data.data(), 100), 0);
  EXPECT_EQ(rsh->bytesSent(), 100);
  EXPECT_TRUE(pumpUntil(*reactor, [&] { return sink.has("Disconnected"); }));
}

TEST_F(Session, BytesSentIsTheWholeOfTheLastSend) {
  // A peer that reads everything until the end.
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
  std::size_t received = 0;
  std::thread peer([&] {
    const int fd = ::accept(listener, nullptr, nullptr);
    char buffer[65536];
    for (long n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
      received += static_cast<std::size_t>(n);
    ::close(fd);
  });

  auto session = TcpSession::create(reactor);
  session->setTimeout(30);
  ASSERT_EQ(session->setRemoteHost("127.0.0.1"), 0);
  ASSERT_EQ(session->setRemotePort(ntohs(sa.sin_port)), 0);
  ASSERT_EQ(session->connectAndWait(), 0);
  // A small send buffer: the system takes the big block in many pieces.
  ASSERT_EQ(session->setOutBufferSize(4096), 0);
  const std::string big(1 << 20, 'b');
  EXPECT_EQ(session->sessionSendAll(big.data(), static_cast<uint32_t>(big.size())), 0);
  EXPECT_EQ(session->bytesSent(), 1 << 20);
  EXPECT_EQ(session->sessionSendAll("tail", 4), 0);
  EXPECT_EQ(session->bytesSent(), 4);  // not a running total
  session->sessionConnect(false);
  peer.join();
  ::close(listener);
  EXPECT_EQ(received, big.size() + 4);
  EXPECT_EQ(session->sessionSendAll("x", 1), 10057);
  EXPECT_EQ(session->bytesSent(), 0);
}

TEST_F(Session, SendingToAPeerThatHasGoneRaisesNoSignal) {
  StubRshd stub({{Step::Reset, ""}}, false);
  rsh->setRemoteHost("127.0.0.1");
  rsh->setRemotePort(stub.port());
  ASSERT_EQ(rsh->execute("x"), 0);
  stub.join();
  // Wait until the reset has arrived, without delivering it.
  pollfd p{rsh->socketHandle(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  const std::string block(65536, 'b');
  int32_t rc = 0;
  for (int i = 0; i < 20 && rc == 0; ++i)
    rc = rsh->sessionSend(block.data(), static_cast<uint32_t>(block.size()));
  EXPECT_EQ(rc, 10054);
}

}  // namespace

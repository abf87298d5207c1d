// rsh exchanges against the tests' own stub rshd and stub firewalls on
// loopback: the request, output delivery, close orders, walks over the
// reserved ports, time-outs, interruption and firewall negotiation faults.
#include "Peers.h"
#include "SocketBinding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <unistd.h>

using namespace remcmd;
using namespace remcmd::test;

namespace {

class Exchange : public ::testing::Test {
 protected:
  std::shared_ptr<Reactor> reactor = Reactor::create();
  std::shared_ptr<RshSession> rsh = RshSession::create(reactor);
  RecordingSink sink;

  void SetUp() override {
    rsh->setSink(&sink);
    rsh->setLocalUser("a");
    rsh->setRemoteUser("b");
    rsh->setTimeout(10);
    ASSERT_EQ(rsh->setRemoteHost("127.0.0.1"), 0);
  }
  void target(uint16_t port) { ASSERT_EQ(rsh->setRemotePort(port), 0); }
  void viaFirewall(FirewallType type, uint16_t port, const std::string& remoteHost) {
    rsh->firewall().setType(type);
    rsh->firewall().setPort(port);
    ASSERT_EQ(rsh->firewall().setHost("127.0.0.1"), 0);
    ASSERT_EQ(rsh->setRemoteHost(remoteHost), 0);
    rsh->setRemotePort(514);
  }
  bool stderrClosed() const {
    for (const Event& e : sink.of("Stderr"))
      if (e.text == std::string(1, '\0') && e.eol) return true;
    return false;
  }
  bool finish() {
    return pumpUntil(*reactor, [&] { return sink.has("Disconnected") && stderrClosed(); });
  }
};

TEST_F(Exchange, RequestOutputAndBothCloseOrders) {
  for (bool stderrFirst : {true, false}) {
    SCOPED_TRACE(stderrFirst ? "stderr closes first" : "stdout closes first");
    sink.events.clear();
    std::vector<Step> steps = {
        {Step::Out, lit("\0out1\nout2\n")}, {Step::Err, "err1\n"}, {Step::Sleep, "", 50}};
    if (stderrFirst)
      steps.insert(steps.end(),
                   {{Step::CloseErr, ""}, {Step::Sleep, "", 50}, {Step::CloseOut, ""}});
    else
      steps.insert(steps.end(),
                   {{Step::CloseOut, ""}, {Step::Sleep, "", 50}, {Step::CloseErr, ""}});
    StubRshd stub(steps);
    target(stub.port());
    ASSERT_EQ(rsh->execute("ls"), 0) << rsh->lastErrorText().c_str();
    ASSERT_TRUE(finish());
    stub.join();
    // Port 515 unless an earlier exchange still holds it.
    const std::string request = stub.request();
    const int listenerPort = std::atoi(request.c_str());
    EXPECT_GE(listenerPort, 515);
    EXPECT_LE(listenerPort, 999);
    EXPECT_EQ(request, std::to_string(listenerPort) + lit("\0a\0b\0ls\0"));
    EXPECT_EQ(sink.texts("Stdout"), (std::vector<std::string>{"out1", "out2"}));
    EXPECT_EQ(sink.texts("Stderr"), (std::vector<std::string>{"err1", std::string(1, '\0')}));
    const auto disconnected = sink.of("Disconnected");
    ASSERT_EQ(disconnected.size(), 1u);
    EXPECT_EQ(disconnected[0].code, 0);
    EXPECT_EQ(disconnected[0].text, "OK");
    EXPECT_TRUE(rsh->errorMessage().empty());
    EXPECT_GE(stub.peerPort(), 525);
    EXPECT_LE(stub.peerPort(), 999);
  }
}

TEST_F(Exchange, FirstReplyByte) {
  struct Case {
    const char* name;
    std::string eol;
    std::string output;
    std::vector<std::pair<std::string, bool>> stdoutPieces;
    std::string errorMessage;
    bool refused;
  };
  // In this order: each exchange starts from the verdict of the one before.
  const std::vector<Case> cases = {
      {"refusal",
       "\n",
       lit("\1permission denied\n"),
       {{"permission denied", true}},
       "permission denied",
       true},
      {"zero byte alone", "\n", lit("\0"), {{"", false}}, "", false},
      {"refusal without a text", "\n", lit("\1\n"), {{"", true}}, "", true},
      {"zero byte and empty line", "\n", lit("\0\n"), {{"", true}}, "", false},
      {"no eol refusal", "", lit("\1no"), {{"no", true}}, "no", true},
      {"empty first line", "\n", "\nrest\n", {{"", true}, {"rest", true}}, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.events.clear();
    rsh->setEol(c.eol);
    StubRshd stub({{Step::Out, c.output}, {Step::Sleep, "", 30}});
    target(stub.port());
    ASSERT_EQ(rsh->execute("cmd"), 0);
    ASSERT_TRUE(finish());
    std::vector<std::pair<std::string, bool>> got;
    for (const Event& e : sink.of("Stdout")) got.emplace_back(e.text, e.eol);
    EXPECT_EQ(got, c.stdoutPieces);
    EXPECT_EQ(std::string(rsh->errorMessage().view()), c.errorMessage);
    EXPECT_EQ(rsh->refused(), c.refused);
    const auto disconnected = sink.of("Disconnected");
    ASSERT_EQ(disconnected.size(), 1u);
    EXPECT_EQ(disconnected[0].code, 0) << "a refusal closes like any exchange";
  }
}

TEST_F(Exchange, OutputSplitAtEveryByte) {
  rsh->setEol("\r\n");
  StubRshd stub({{Step::OutBytewise, lit("\0line one\r\nline two\r\ntail")}});
  target(stub.port());
  ASSERT_EQ(rsh->execute("cmd"), 0);
  ASSERT_TRUE(finish());
  std::vector<std::pair<std::string, bool>> got;
  for (const Event& e : sink.of("Stdout")) got.emplace_back(e.text, e.eol);
  EXPECT_EQ(got, (std::vector<std::pair<std::string, bool>>{
                     {"line one", true}, {"line two", true}, {"tail", false}}));
}

TEST_F(Exchange, SlowDripAgainstTheTimeout) {
  for (bool absolute : {false, true}) {
    SCOPED_TRACE(absolute ? "absolute" : "re-armed by traffic");
    sink.events.clear();
    std::vector<Step> steps = {{Step::Out, lit("\0")}};
    for (int i = 0; i < 6; ++i)
      steps.insert(steps.end(), {{Step::Sleep, "", 250}, {Step::Out, "x\n"}});
    StubRshd stub(steps);
    target(stub.port());
    rsh->setTimeout(1);
    rsh->setAbsoluteTimeout(absolute);
    ASSERT_EQ(rsh->execute("drip"), 0);
    bool ended = false;
    pumpUntil(*reactor, [&] {
      ended = rsh->waitLoop(20) == 0;
      return ended || (sink.has("Disconnected") && stderrClosed());
    });
    EXPECT_EQ(ended, absolute);
    if (absolute)
      EXPECT_STREQ(rsh->lastErrorText().c_str(), "Timeout.");
    else
      EXPECT_EQ(sink.texts("Stdout").size(), 6u);
    rsh->execute("");
    stub.join();
  }
}

TEST_F(Exchange, ResetByPeerEndsWithItsCode) {
  StubRshd stub({{Step::Out, lit("\0hi\n")}, {Step::Sleep, "", 100}, {Step::Reset, ""}});
  target(stub.port());
  ASSERT_EQ(rsh->execute("cmd"), 0);
  // A refusal in between must not lend its text to the close.
  EXPECT_EQ(rsh->execute("again"), 104);
  ASSERT_TRUE(pumpUntil(*reactor, [&] { return sink.has("Disconnected"); }));
  EXPECT_EQ(sink.of("Disconnected")[0].code, 10054);
  EXPECT_EQ(sink.of("Disconnected")[0].text, "[10054] Connection reset by peer");
}

TEST_F(Exchange, ListenerWalk) {
  struct Case {
    const char* name;
    std::function<int(uint16_t)> fault;
    int32_t result;
    std::string text;
    std::string requestStart;
  };
  const std::vector<Case> cases = {
      {"ports 515-519 in use", [](uint16_t p) { return p >= 515 && p <= 519 ? 10048 : 0; }, 0, "",
       "52"},
      {"every port in use", [](uint16_t p) { return p >= 515 && p <= 999 ? 10048 : 0; }, 10048,
       "[10048] Address already in use", ""},
      {"reserved port without privilege", [](uint16_t p) { return p > 0 && p < 1024 ? 10013 : 0; },
       10013, "[10013] Access denied", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.events.clear();
    StubRshd stub({});
    target(stub.port());
    {
      BindFault fault(c.fault);
      EXPECT_EQ(rsh->execute("ls"), c.result);
    }
    if (c.result != 0) {
      EXPECT_STREQ(rsh->lastErrorText().c_str(), c.text.c_str());
      EXPECT_EQ(rsh->socketHandle(), -1);
      EXPECT_EQ(rsh->stderrChannel().listenerHandle(), -1);
      // Let the stub go: it is waiting for a request that never comes.
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      sa.sin_port = htons(stub.port());
      ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
      ::close(fd);
    } else {
      ASSERT_TRUE(finish());
      EXPECT_EQ(stub.request().substr(0, 2), c.requestStart);
    }
    stub.join();
  }
}

TEST_F(Exchange, ConnectWalkFallsBackToAnyPort) {
  StubRshd stub({{Step::Out, lit("\0ok\n")}});
  target(stub.port());
  {
    BindFault fault([](uint16_t p) { return p >= 525 && p <= 999 ? 10048 : 0; });
    ASSERT_EQ(rsh->execute("ls"), 0);
  }
  ASSERT_TRUE(finish());
  const auto errors = sink.of("Error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].code, 10048);
  EXPECT_EQ(errors[0].text, "Could not connect through secure port. Trying alternate...");
  EXPECT_GT(stub.peerPort(), 1023);
  EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"ok"});
}

TEST_F(Exchange, EndedFromAConnectEventGoesNoFurther) {
  StubRshd stub({});
  const struct {
    const char* event;
    uint16_t port;
  } cases[] = {{"Error", freePort()},        // the fall-back after a refusal is not tried
               {"Connected", stub.port()}};  // the request is not sent
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event);
    sink.events.clear();
    target(c.port);
    sink.onEvent = [&](const Event& e) {
      if (e.kind == c.event) rsh->execute("");
    };
    EXPECT_EQ(rsh->execute("ls"), 301);
    EXPECT_STREQ(rsh->lastErrorText().c_str(), "Interrupted.");
    EXPECT_EQ(sink.of("Connected").size(), 1u);
    EXPECT_EQ(rsh->socketHandle(), -1);
  }
  sink.onEvent = nullptr;
  stub.join();
  EXPECT_EQ(stub.request(), "");
}

TEST_F(Exchange, RefusalsBeforeAnyExchange) {
  struct Case {
    const char* name;
    std::function<void(RshSession&)> setup;
    int32_t result;
    std::string text;
  };
  const uint16_t closedPort = freePort();
  const std::vector<Case> cases = {
      {"no host",
       [](RshSession& s) {
         s.setRemoteHost("");
         s.setRemotePort(514);
       },
       102, "The RemoteHost address is invalid (0.0.0.0)."},
      {"port zero", [](RshSession& s) { s.setRemotePort(0); }, 116,
       "RemotePort can't be zero. Please specify a valid service port number."},
      {"no firewall host",
       [](RshSession& s) {
         s.setRemotePort(514);
         s.firewall().setType(FirewallType::Socks5);
         s.firewall().setPort(1080);
       },
       102, "The FirewallHost address is invalid (0.0.0.0)."},
      {"nobody listening", [closedPort](RshSession& s) { s.setRemotePort(closedPort); }, 10061,
       "[10061] Connection refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto fresh = RshSession::create(reactor);
    RecordingSink rec;
    fresh->setSink(&rec);
    fresh->setRemoteHost("127.0.0.1");
    c.setup(*fresh);
    EXPECT_EQ(fresh->execute("ls"), c.result);
    EXPECT_STREQ(fresh->lastErrorText().c_str(), c.text.c_str());
    EXPECT_FALSE(rec.has("Disconnected"));
    if (c.result == 10061) {
      ASSERT_FALSE(rec.of("Connected").empty());
      EXPECT_EQ(rec.of("Connected")[0].text, "[10061] Connection refused");
    }
  }
  EXPECT_EQ(rsh->execute(""), 0);
}

TEST_F(Exchange, BusyWhileRunning) {
  StubRshd stub({{Step::Out, lit("\0")}, {Step::Sleep, "", 300}});
  target(stub.port());
  ASSERT_EQ(rsh->execute("sleep"), 0);
  EXPECT_EQ(rsh->execute("again"), 104);
  EXPECT_STREQ(rsh->lastErrorText().c_str(), "Busy executing current command.");
  ASSERT_TRUE(finish());
}

TEST_F(Exchange, NextCommandStartedWhenTheLastOneIsEnded) {
  StubRshd first({{Step::Out, lit("\0")}, {Step::Err, "e1\n"}, {Step::Sleep, "", 300}});
  StubRshd second({{Step::Out, lit("\0o2\n")}, {Step::Err, "e2\n"}, {Step::Sleep, "", 30}});
  target(first.port());
  ASSERT_EQ(rsh->execute("one"), 0);
  ASSERT_TRUE(pumpUntil(*reactor, [&] { return !sink.texts("Stderr").empty(); }));
  // A host that runs its next command as soon as the last one is over.
  int32_t started = -1;
  sink.onEvent = [&](const Event& e) {
    if (e.kind == "Disconnected" && started == -1) {
      rsh->setRemotePort(second.port());
      started = rsh->execute("two");
    }
  };
  EXPECT_EQ(rsh->execute(""), 0);
  EXPECT_EQ(started, 0);
  // The second command's server could connect back: its standard error arrives.
  auto seen = [&](const char* kind, const char* text) {
    const auto t = sink.texts(kind);
    return std::find(t.begin(), t.end(), text) != t.end();
  };
  EXPECT_TRUE(pumpUntil(*reactor, [&] {
    return sink.of("Disconnected").size() == 2 && seen("Stdout", "o2") && seen("Stderr", "e2");
  }));
}

TEST_F(Exchange, OwnerDroppedInsideAnEvent) {
  StubRshd stub({{Step::Out, lit("\0one\ntwo\nthree\n")}, {Step::Err, "e\n"}});
  target(stub.port());
  std::weak_ptr<RshSession> watch = rsh;
  sink.onEvent = [&](const Event& e) {
    if (e.kind == "Stdout" && rsh) {
      rsh->detach();
      rsh.reset();
    }
  };
  ASSERT_EQ(rsh->execute("cmd"), 0);
  ASSERT_TRUE(pumpUntil(*reactor, [&] { return watch.expired(); }));
  for (int i = 0; i < 10; ++i) reactor->runOnePass(10);
  EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"one"});
  stub.join();
}

// --- firewall negotiation against stub firewalls -----------------------------

TEST_F(Exchange, DisconnectDuringConnectEndsTheExchange) {
  StubFirewall fw({{"\r\n\r\n", ""}}, StubFirewall::Silent, 2);
  viaFirewall(FirewallType::Tunnel, fw.port(), "127.0.0.1");
  int32_t again = -1;
  sink.onEvent = [&](const Event& e) {
    if (e.kind == "Status" && e.text == "Firewall connection complete.") {
      rsh->execute("");
      // Refused, and the end asked for just before still holds.
      again = rsh->execute("again");
    }
  };
  EXPECT_EQ(rsh->execute("ls"), 301);
  EXPECT_EQ(again, 104);
  EXPECT_STREQ(rsh->lastErrorText().c_str(), "Interrupted.");
  EXPECT_EQ(fw.stopAndCountConnections(), 1);
  EXPECT_FALSE(sink.has("Error"));
}

TEST_F(Exchange, TimedOutConnectEndsTheExchange) {
  StubFirewall fw({{"\r\n\r\n", ""}}, StubFirewall::Silent, 2);
  viaFirewall(FirewallType::Tunnel, fw.port(), "127.0.0.1");
  rsh->setTimeout(1);
  EXPECT_EQ(rsh->execute("ls"), 301);
  EXPECT_STREQ(rsh->lastErrorText().c_str(), "Timeout.");
  EXPECT_EQ(fw.stopAndCountConnections(), 1);
}

TEST_F(Exchange, OwnerDroppedWhileExecuteWaits) {
  StubFirewall fw({{"\r\n\r\n", ""}}, StubFirewall::Silent, 1);
  viaFirewall(FirewallType::Tunnel, fw.port(), "127.0.0.1");
  RshSession* raw = rsh.get();
  auto holder = rsh;
  rsh.reset();
  sink.onEvent = [&](const Event& e) {
    if (e.kind == "Status" && holder) {
      holder->detach();
      holder.reset();
    }
  };
  EXPECT_EQ(raw->execute("ls"), 301);
}

TEST_F(Exchange, TunnelRefusalClosesTheSession) {
  StubFirewall fw({{"\r\n\r\n", "HTTP/1.0 403 Forbidden\r\n\r\n"}}, StubFirewall::Silent, 2);
  viaFirewall(FirewallType::Tunnel, fw.port(), "127.0.0.1");
  EXPECT_EQ(rsh->execute("ls"), 118);
  EXPECT_EQ(rsh->socketHandle(), -1);
  const auto errors = sink.of("Error");
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors[0].code, 118);
  EXPECT_EQ(errors[0].text, "HTTP/1.0 403 Forbidden\r\n\r\n");
  fw.join();
  for (const std::string& r : fw.received())
    EXPECT_EQ(r.find(std::string("\0a\0b", 4)), std::string::npos) << "an rsh request went through";
}

TEST_F(Exchange, FirewallHangingUpEndsTheConnectAtOnce) {
  StubFirewall fw({{"", ""}}, StubFirewall::CloseAfter, 2);
  viaFirewall(FirewallType::Socks5, fw.port(), "127.0.0.1");
  rsh->setTimeout(60);
  EXPECT_EQ(rsh->execute("ls"), 10054);
  EXPECT_EQ(fw.accepted(), 2);
}

TEST_F(Exchange, BytesAfterTheTunnelHeaderAreOutput) {
  StubFirewall fw({{"\r\n\r\n", lit("HTTP/1.0 200 Connection established\r\n\r\n\0hello\n")}},
                  StubFirewall::ServeRsh, 1);
  viaFirewall(FirewallType::Tunnel, fw.port(), "rsh.example:514");
  ASSERT_EQ(rsh->execute("ls"), 0) << rsh->lastErrorText().c_str();
  ASSERT_TRUE(finish());
  EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"hello"});
  fw.join();
  EXPECT_EQ(fw.received()[0], "CONNECT rsh.example:514:514 HTTP/1.0\r\n\r\n");
}

TEST_F(Exchange, Socks5ReplySizedByAddressType) {
  const std::string port2("\x02\x02", 2);
  const std::vector<std::pair<const char*, std::string>> replies = {
      {"ipv4", lit("\5\0\0\1\x7f\0\0\1") + port2},
      {"name", lit("\5\0\0\3\x09localhost") + port2},
      {"ipv6", lit("\5\0\0\4") + std::string(16, '\0') + port2},
  };
  for (const auto& [name, reply] : replies) {
    SCOPED_TRACE(name);
    sink.events.clear();
    StubFirewall fw({{lit("\5\1\0"), lit("\5\0")}, {"", reply + lit("\0out\n")}},
                    StubFirewall::ServeRsh, 1);
    viaFirewall(FirewallType::Socks5, fw.port(), "*localhost");
    ASSERT_EQ(rsh->execute("ls"), 0) << rsh->lastErrorText().c_str();
    ASSERT_TRUE(finish());
    EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"out"});
    fw.join();
    EXPECT_EQ(fw.received()[0], lit("\5\1\0\5\1\0\3\x09localhost\2\2"));
  }
}

TEST_F(Exchange, Socks5NameLongerThan255IsRefusedBeforeSending) {
  StubFirewall fw({{"", ""}}, StubFirewall::CloseAfter, 2);
  viaFirewall(FirewallType::Socks5, fw.port(), "*" + std::string(256, 'a'));
  EXPECT_EQ(rsh->execute("ls"), 118);
  fw.join();
  for (const std::string& r : fw.received()) EXPECT_EQ(r, "");
}

}  // namespace

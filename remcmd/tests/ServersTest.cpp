// rsh exchanges against real servers on loopback, started by the tests:
// in.rshd under tcpserver, dante (SOCKS4, SOCKS5) and tinyproxy (HTTP CONNECT)
// in front of the stub rshd.
#include "Peers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <unistd.h>

using namespace remcmd;
using namespace remcmd::test;

namespace {

class Servers : public ::testing::Test {
 protected:
  std::shared_ptr<Reactor> reactor = Reactor::create();
  std::shared_ptr<RshSession> rsh = RshSession::create(reactor);
  RecordingSink sink;
  std::string dir = tempDir();

  void SetUp() override {
    rsh->setSink(&sink);
    rsh->setTimeout(15);
    rsh->setLocalUser("root");
    rsh->setRemoteUser("veltatest");
    ASSERT_EQ(rsh->setRemoteHost("127.0.0.1"), 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  bool finished() {
    return pumpUntil(*reactor, [&] {
      if (!sink.has("Disconnected")) return false;
      for (const Event& e : sink.of("Stderr"))
        if (e.text == std::string(1, '\0')) return true;
      return false;
    });
  }
  // Starts a server on a free port, trying again should the port be taken meanwhile.
  std::unique_ptr<Process> start(const std::function<std::vector<std::string>(uint16_t)>& argv,
                                 uint16_t& port) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      port = freePort();
      auto p = std::make_unique<Process>(argv(port));
      if (waitListening(port, 5000)) return p;
    }
    return nullptr;
  }
};

TEST_F(Servers, RealRshdRunsACommand) {
  uint16_t port = 0;
  auto rshd = start(
      [](uint16_t p) {
        return std::vector<std::string>{
            "/usr/bin/tcpserver", "-R", "-H", "127.0.0.1", std::to_string(p), "/usr/sbin/in.rshd"};
      },
      port);
  ASSERT_TRUE(rshd) << "tcpserver did not start";
  ASSERT_EQ(rsh->setRemotePort(port), 0);

  ASSERT_EQ(rsh->execute("echo out1; echo err1 >&2; echo out2"), 0) << rsh->lastErrorText().c_str();
  ASSERT_TRUE(finished());
  EXPECT_EQ(sink.texts("Stdout"), (std::vector<std::string>{"out1", "out2"}));
  EXPECT_EQ(sink.texts("Stderr"), (std::vector<std::string>{"err1", std::string(1, '\0')}));
  ASSERT_EQ(sink.of("Disconnected").size(), 1u);
  EXPECT_EQ(sink.of("Disconnected")[0].code, 0);
  EXPECT_TRUE(rsh->errorMessage().empty());

  // This server accepts the connection first (zero byte) and then refuses
  // the user with a text on standard output.
  sink.events.clear();
  rsh->setRemoteUser("nosuchuser");
  ASSERT_EQ(rsh->execute("echo never"), 0);
  ASSERT_TRUE(pumpUntil(*reactor, [&] { return sink.has("Disconnected"); }));
  EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"Authentication failure"});
}

struct SocksCase {
  const char* name;
  FirewallType type;
  bool usernameMethod;
  std::string user, password;
  bool blockedTarget;
  int32_t result;
  std::string errorText;
};

TEST_F(Servers, DanteSocks) {
  const std::vector<SocksCase> cases = {
      {"socks4", FirewallType::Socks4, false, "veltatest", "", false, 0, ""},
      {"socks5 no auth", FirewallType::Socks5, false, "", "", false, 0, ""},
      {"socks5 username", FirewallType::Socks5, true, "veltatest", "veltatest", false, 0, ""},
      {"socks5 wrong password", FirewallType::Socks5, true, "veltatest", "wrong", false, 118,
       "firewall authentication failed: 1"},
      {"socks5 refused target", FirewallType::Socks5, false, "", "", true, 118,
       "connection not allowed by ruleset"},
      {"socks4 refused target", FirewallType::Socks4, false, "", "", true, 118,
       "firewall request rejected or failed"},
  };
  for (const SocksCase& c : cases) {
    SCOPED_TRACE(c.name);
    sink.events.clear();
    const uint16_t blocked = freePort();
    std::optional<StubRshd> stub;
    if (c.result == 0)
      stub.emplace(std::vector<Step>{{Step::Out, lit("\0out\n")}, {Step::Err, "err\n"}});
    const std::string conf = dir + "/danted.conf";
    uint16_t port = 0;
    auto dante = start(
        [&](uint16_t p) {
          writeFile(conf, "logoutput: " + dir +
                              "/danted.log\n"
                              "internal: 127.0.0.1 port = " +
                              std::to_string(p) +
                              "\n"
                              "external: 127.0.0.1\n"
                              // Username and password go to the test-only PAM service
                              // that scripts/testaccount writes, never to the system
                              // password: the test account stays locked.
                              "socksmethod: " +
                              std::string(c.usernameMethod ? "pam.username" : "none") +
                              "\n"
                              "clientmethod: none\n"
                              "user.privileged: root\n"
                              "user.unprivileged: nobody\n"
                              "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                              "socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = " +
                              std::to_string(blocked) +
                              " pam.servicename: velta-socks-test }\n"
                              "socks pass { from: 127.0.0.0/8 to: 127.0.0.1/32 "
                              "pam.servicename: velta-socks-test }\n");
          return std::vector<std::string>{"/usr/sbin/danted", "-f", conf, "-N", "1", "-p",
                                          dir + "/danted.pid"};
        },
        port);
    ASSERT_TRUE(dante) << "danted did not start";

    rsh->firewall().setType(c.type);
    rsh->firewall().setPort(port);
    ASSERT_EQ(rsh->firewall().setHost("127.0.0.1"), 0);
    rsh->firewall().setUser(c.user);
    rsh->firewall().setPassword(c.password);
    rsh->setRemoteHost("127.0.0.1");
    rsh->setRemotePort(stub ? stub->port() : blocked);

    EXPECT_EQ(rsh->execute("ls"), c.result) << rsh->lastErrorText().c_str();
    if (c.result == 0) {
      ASSERT_TRUE(finished());
      EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"out"});
      EXPECT_EQ(sink.texts("Stderr"), (std::vector<std::string>{"err", std::string(1, '\0')}));
    } else {
      EXPECT_STREQ(rsh->lastErrorText().c_str(), c.errorText.c_str());
      ASSERT_FALSE(sink.of("Error").empty());
      EXPECT_EQ(sink.of("Error")[0].code, 118);
      EXPECT_EQ(rsh->socketHandle(), -1);
    }
    rsh->execute("");
  }
}

TEST_F(Servers, TinyproxyTunnel) {
  struct Case {
    const char* name;
    bool basicAuth;
    std::string user, password;
    bool allowedPort;
    int32_t result;
    std::string replyStart;
  };
  const std::vector<Case> cases = {
      {"allowed port", false, "", "", true, 0, ""},
      {"port not allowed", false, "", "", false, 118, "HTTP/1.0 403"},
      {"credentials missing", true, "", "", true, 118, "HTTP/1.0 407"},
      {"credentials given", true, "veltatest", "veltatest", true, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.events.clear();
    std::optional<StubRshd> stub;
    if (c.result == 0) stub.emplace(std::vector<Step>{{Step::Out, lit("\0out\n")}});
    const uint16_t target = stub ? stub->port() : freePort();
    const std::string conf = dir + "/tinyproxy.conf";
    uint16_t port = 0;
    auto proxy = start(
        [&](uint16_t p) {
          writeFile(conf, "Port " + std::to_string(p) +
                              "\nListen 127.0.0.1\nTimeout 30\n"
                              "LogFile \"" +
                              dir +
                              "/tinyproxy.log\"\nLogLevel Info\nMaxClients 10\n"
                              "PidFile \"" +
                              dir +
                              "/tinyproxy.pid\"\nAllow 127.0.0.1\nDisableViaHeader Yes\n"
                              "ConnectPort " +
                              std::to_string(c.allowedPort ? target : target + 1) + "\n" +
                              (c.basicAuth ? "BasicAuth veltatest veltatest\n" : ""));
          return std::vector<std::string>{"/usr/bin/tinyproxy", "-d", "-c", conf};
        },
        port);
    ASSERT_TRUE(proxy) << "tinyproxy did not start";

    rsh->firewall().setType(FirewallType::Tunnel);
    rsh->firewall().setPort(port);
    ASSERT_EQ(rsh->firewall().setHost("127.0.0.1"), 0);
    rsh->firewall().setUser(c.user);
    rsh->firewall().setPassword(c.password);
    rsh->setRemoteHost("127.0.0.1");
    rsh->setRemotePort(target);

    EXPECT_EQ(rsh->execute("ls"), c.result) << rsh->lastErrorText().c_str();
    if (c.result == 0) {
      ASSERT_TRUE(finished());
      EXPECT_EQ(sink.texts("Stdout"), std::vector<std::string>{"out"});
    } else {
      EXPECT_EQ(std::string(rsh->lastErrorText().view()).substr(0, 12), c.replyStart);
      EXPECT_EQ(rsh->socketHandle(), -1);
    }
    rsh->execute("");
  }
}

}  // namespace

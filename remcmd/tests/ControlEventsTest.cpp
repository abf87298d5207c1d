// The remote-shell control against real peers, through its public surface
// only: the events of a successful exchange, a refused connection and each
// firewall path, the sinks' order and by-reference arguments, the chunk
// bytes inside an event, and the window's use against the real rshd.
#include "Peers.h"
#include "remcmd/Remcmd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace remcmd;
using namespace remcmd::test;

namespace {

class Recorder : public RemcmdEvents {
 public:
  std::vector<std::string> log;
  std::function<void(const std::string&)> onStdout;
  HRESULT result = 0;
  bool vandal = false;  // changes every by-reference argument

  HRESULT Connected(int16_t& c, std::string& d) override {
    return add("Connected " + std::to_string(c) + " " + d, c, d);
  }
  HRESULT ConnectionStatus(std::string& e, int16_t& c, std::string& d) override {
    return add("Status " + e + " " + std::to_string(c) + " " + d, c, d, &e);
  }
  HRESULT Disconnected(int16_t& c, std::string& d) override {
    return add("Disconnected " + std::to_string(c) + " " + d, c, d);
  }
  HRESULT Error(int16_t& c, std::string& d) override {
    return add("Error " + std::to_string(c) + " " + d, c, d);
  }
  HRESULT Stderr(std::string& t, bool& eol) override { return chunk("Stderr ", t, eol); }
  HRESULT Stdout(std::string& t, bool& eol) override {
    if (onStdout) onStdout(t);
    return chunk("Stdout ", t, eol);
  }
  bool has(const std::string& prefix) const {
    for (const std::string& l : log)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }

 private:
  HRESULT add(std::string line, int16_t& c, std::string& d, std::string* e = nullptr) {
    log.push_back(std::move(line));
    if (vandal) {
      c = 999;
      d = "changed";
      if (e) *e = "changed";
    }
    return result;
  }
  HRESULT chunk(const char* kind, std::string& t, bool& eol) {
    log.push_back(kind + (t == std::string(1, '\0') ? std::string("<end>") : t) +
                  (eol ? " eol" : ""));
    if (vandal) {
      t = "changed";
      eol = !eol;
    }
    return result;
  }
};

class ControlEvents : public ::testing::Test {
 protected:
  Remcmd ctl;
  std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
  std::string dir = tempDir();

  void SetUp() override {
    uint32_t cookie = 0;
    ASSERT_EQ(ctl.Advise(rec, cookie), 0);
    ASSERT_EQ(ctl.put_RemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(ctl.put_LocalUser("root"), 0);
    ASSERT_EQ(ctl.put_RemoteUser("veltatest"), 0);
    ASSERT_EQ(ctl.put_Timeout(15), 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  bool finished(Recorder& r) {
    return pumpUntil(*ctl.reactor(),
                     [&] { return r.has("Disconnected") && r.has("Stderr <end>"); });
  }
  std::unique_ptr<Process> start(const std::function<std::vector<std::string>(uint16_t)>& argv,
                                 uint16_t& port) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      port = freePort();
      auto p = std::make_unique<Process>(argv(port));
      if (waitListening(port, 5000)) return p;
    }
    return nullptr;
  }
  void viaFirewall(int32_t type, uint16_t firewallPort, uint16_t targetPort) {
    ASSERT_EQ(ctl.put_FirewallType(type), 0);
    ASSERT_EQ(ctl.put_FirewallPort(firewallPort), 0);
    ASSERT_EQ(ctl.put_FirewallHost("127.0.0.1"), 0);
    ASSERT_EQ(ctl.put_RemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(ctl.put_RemotePort(targetPort), 0);
  }
};

const std::vector<std::string> kDirectOpen = {"Status Remote host connection complete. 0 OK",
                                              "Connected 0 OK"};

TEST_F(ControlEvents, SuccessfulExchangeInOrder) {
  StubRshd stub({{Step::Out, lit("\0out1\nout2\n")},
                 {Step::Sleep, "", 50},
                 {Step::Err, "err1\n"},
                 {Step::Sleep, "", 50},
                 {Step::CloseErr, ""},
                 {Step::Sleep, "", 50},
                 {Step::CloseOut, ""}});
  ASSERT_EQ(ctl.put_RemotePort(stub.port()), 0);
  ASSERT_EQ(ctl.Execute("ls"), 0);
  ASSERT_TRUE(finished(*rec));
  stub.join();
  std::vector<std::string> want = kDirectOpen;
  want.insert(want.end(),
              {"Stdout out1 eol", "Stdout out2 eol", "Stderr err1 eol", "Stderr <end> eol",
               "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"});
  EXPECT_EQ(rec->log, want);
  std::string command;
  ASSERT_EQ(ctl.get_Command(command), 0);
  EXPECT_EQ(command, "ls");
}

TEST_F(ControlEvents, RefusedConnectionTriesTheOrdinaryPortThenFails) {
  const uint16_t closed = freePort();
  ASSERT_EQ(ctl.put_RemotePort(closed), 0);
  const HRESULT r = ctl.Execute("ls");
  EXPECT_EQ(static_cast<uint32_t>(r), 0x800A61E6u);
  const auto info = takeErrorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description, "[10061] Connection refused");
  EXPECT_EQ(info->helpContext, 42104u);
  EXPECT_EQ(rec->log, (std::vector<std::string>{
                          "Connected 10061 [10061] Connection refused",
                          "Error 10061 Could not connect through secure port. Trying alternate...",
                          "Connected 10061 [10061] Connection refused"}));
}

TEST_F(ControlEvents, TwoSinksInOrderArgumentsAreCopiesAndChunkBytesLiveInTheirEvent) {
  auto second = std::make_shared<Recorder>();
  uint32_t cookie = 0;
  ASSERT_EQ(ctl.Advise(second, cookie), 0);
  rec->result = hr::kFail;  // a failing sink does not stop the next
  rec->vandal = true;
  std::vector<std::string> order;
  std::vector<ByteArray> inside;
  rec->onStdout = [&](const std::string&) {
    order.push_back("first");
    ByteArray b;
    EXPECT_EQ(ctl.get_StdoutTextB(b), 0);
    inside.push_back(b);
  };
  second->onStdout = [&](const std::string&) { order.push_back("second"); };
  StubRshd stub({{Step::Out, lit("\0a\0b\n")},
                 {Step::Sleep, "", 50},
                 {Step::Err, "e\n"},
                 {Step::Sleep, "", 50},
                 {Step::CloseErr, ""},
                 {Step::Sleep, "", 50},
                 {Step::CloseOut, ""}});
  ASSERT_EQ(ctl.put_RemotePort(stub.port()), 0);
  ASSERT_EQ(ctl.Execute("cmd"), 0);
  ASSERT_TRUE(finished(*second));
  stub.join();
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(inside, (std::vector<ByteArray>{{'a', 0, 'b'}}));
  ByteArray after{1};
  EXPECT_EQ(ctl.get_StdoutTextB(after), 0);
  EXPECT_TRUE(after.empty());
  // The second sink saw the untouched arguments, the NUL inside the text too.
  std::vector<std::string> want = kDirectOpen;
  want.insert(want.end(), {"Stdout " + lit("a\0b") + " eol", "Stderr e eol", "Stderr <end> eol",
                           "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"});
  EXPECT_EQ(second->log, want);
  EXPECT_EQ(rec->log, want);

  // Unadvised sinks hear nothing more.
  ASSERT_EQ(ctl.Unadvise(cookie), 0);
  EXPECT_NE(ctl.Unadvise(cookie), 0);
  second->log.clear();
  int32_t closed = freePort();
  ASSERT_EQ(ctl.put_RemotePort(closed), 0);
  EXPECT_NE(ctl.Execute("x"), 0);
  EXPECT_TRUE(second->log.empty());
}

TEST_F(ControlEvents, WindowUseAgainstTheRealRshd) {
  uint16_t port = 0;
  auto rshd = start(
      [](uint16_t p) {
        return std::vector<std::string>{
            "/usr/bin/tcpserver", "-R", "-H", "127.0.0.1", std::to_string(p), "/usr/sbin/in.rshd"};
      },
      port);
  ASSERT_TRUE(rshd) << "tcpserver did not start";
  // What the remote-command window does: host, user, Execute, then listen.
  // The test user's .rhosts trusts root, so the local user is root.
  Remcmd window;
  auto r = std::make_shared<Recorder>();
  uint32_t cookie = 0;
  std::string answer;
  ASSERT_EQ(window.Advise(r, cookie), 0);
  ASSERT_EQ(window.put_LocalUser("root"), 0);
  ASSERT_EQ(window.put_RemoteHost("localhost"), 0);
  ASSERT_EQ(window.put_RemoteUser("veltatest"), 0);
  ASSERT_EQ(window.put_RemotePort(port), 0);
  ASSERT_EQ(window.Config("CodePage=65001", answer), 0);
  ASSERT_EQ(window.Execute("echo out1; echo \xC3\xA9rr >&2; echo out2"), 0);
  ASSERT_TRUE(pumpUntil(*window.reactor(),
                        [&] { return r->has("Disconnected") && r->has("Stderr <end>"); }));
  std::vector<std::string> out, err;
  for (const std::string& l : r->log) {
    if (l.rfind("Stdout ", 0) == 0) out.push_back(l);
    if (l.rfind("Stderr ", 0) == 0) err.push_back(l);
  }
  EXPECT_EQ(out, (std::vector<std::string>{"Stdout out1 eol", "Stdout out2 eol"}));
  EXPECT_EQ(err, (std::vector<std::string>{"Stderr \xC3\xA9rr eol", "Stderr <end> eol"}));
  EXPECT_EQ(std::count(r->log.begin(), r->log.end(), "Disconnected 0 OK"), 1);
  std::string message = "unset";
  ASSERT_EQ(window.get_ErrorMessage(message), 0);
  EXPECT_EQ(message, "");
}

TEST_F(ControlEvents, FirewallPaths) {
  struct Case {
    const char* name;
    int32_t type;
    StubFirewall::Rounds rounds;
    bool ok;
    std::vector<std::string> opening;  // events up to the first output or failure
  };
  const std::string socks4Ok = lit("\0\x5a\0\0\0\0\0\0");
  const std::vector<Case> cases = {
      {"tunnel",
       fwTunnel,
       {{"\r\n\r\n", "HTTP/1.0 200 Connection established\r\n\r\n"}},
       true,
       {"Status Firewall connection complete. 0 OK", "Status Remote host connection complete. 0 OK",
        "Connected 0 OK"}},
      {"tunnel refused",
       fwTunnel,
       {{"\r\n\r\n", "HTTP/1.0 403 Forbidden\r\n\r\n"}},
       false,
       {"Status Firewall connection complete. 0 OK", "Error 118 HTTP/1.0 403 Forbidden\r\n\r\n",
        "Connected 118 HTTP/1.0 403 Forbidden\r\n\r\n"}},
      {"socks4",
       fwSOCKS4,
       {{"", socks4Ok}},
       true,
       {"Status Firewall connection complete. 0 OK", "Status Remote host connection complete. 0 OK",
        "Connected 0 OK"}},
      {"socks4 refused",
       fwSOCKS4,
       {{"", lit("\0\x5b\0\0\0\0\0\0")}},
       false,
       {"Status Firewall connection complete. 0 OK",
        "Error 118 firewall request rejected or failed",
        "Connected 118 firewall request rejected or failed"}},
      {"socks5",
       fwSOCKS5,
       {{"", lit("\x05\0")}, {"", lit("\x05\0\0\x01\x7f\0\0\x01\0\0")}},
       true,
       {"Status Firewall connection complete. 0 OK", "Status Remote host connection complete. 0 OK",
        "Connected 0 OK"}},
      {"socks5 refused",
       fwSOCKS5,
       {{"", lit("\x05\0")}, {"", lit("\x05\x02\0\x01\x7f\0\0\x01\0\0")}},
       false,
       {"Status Firewall connection complete. 0 OK", "Error 118 connection not allowed by ruleset",
        "Connected 118 connection not allowed by ruleset"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rec->log.clear();
    // Refusals are met twice: the exchange tries again from an ordinary port.
    StubFirewall fw(c.rounds, c.ok ? StubFirewall::ServeRsh : StubFirewall::Silent, c.ok ? 1 : 2,
                    {{Step::Out, lit("\0out\n")},
                     {Step::Sleep, "", 50},
                     {Step::Err, "err\n"},
                     {Step::Sleep, "", 50},
                     {Step::CloseErr, ""},
                     {Step::Sleep, "", 50},
                     {Step::CloseOut, ""}});
    viaFirewall(c.type, fw.port(), 514);
    const HRESULT r = ctl.Execute("ls");
    if (c.ok) {
      ASSERT_EQ(r, 0);
      ASSERT_TRUE(finished(*rec));
      std::vector<std::string> want = c.opening;
      want.insert(want.end(), {"Stdout out eol", "Stderr err eol", "Stderr <end> eol",
                               "Status Firewall host disconnected. 0 OK",
                               "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"});
      EXPECT_EQ(rec->log, want);
    } else {
      EXPECT_EQ(static_cast<uint32_t>(r), 0x800A4E97u);
      std::vector<std::string> want = c.opening;
      want.insert(want.end(),
                  {"Status Firewall host disconnected. 0 OK",
                   "Status Remote host disconnected. 0 OK", "Disconnected 0 OK",
                   "Error 118 Could not connect through secure port. Trying alternate..."});
      want.insert(want.end(), c.opening.begin(), c.opening.end());
      want.insert(want.end(), {"Status Firewall host disconnected. 0 OK",
                               "Status Remote host disconnected. 0 OK", "Disconnected 0 OK"});
      EXPECT_EQ(rec->log, want);
      bool connected = true;
      ASSERT_EQ(ctl.get_Connected(connected), 0);
      EXPECT_FALSE(connected);
    }
    ctl.Disconnect();
    fw.join();
  }
}

TEST_F(ControlEvents, RealFirewallsCarryTheExchange) {
  StubRshd stub({{Step::Out, lit("\0out\n")}, {Step::Err, "err\n"}});
  const std::string conf = dir + "/danted.conf";
  uint16_t port = 0;
  auto dante = start(
      [&](uint16_t p) {
        writeFile(conf, "logoutput: " + dir +
                            "/danted.log\ninternal: 127.0.0.1 port = " + std::to_string(p) +
                            "\nexternal: 127.0.0.1\nsocksmethod: none\nclientmethod: none\n"
                            "user.privileged: root\nuser.unprivileged: nobody\n"
                            "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                            "socks pass { from: 127.0.0.0/8 to: 127.0.0.1/32 }\n");
        return std::vector<std::string>{"/usr/sbin/danted", "-f", conf, "-N", "1", "-p",
                                        dir + "/danted.pid"};
      },
      port);
  ASSERT_TRUE(dante) << "danted did not start";
  viaFirewall(fwSOCKS5, port, stub.port());
  ASSERT_EQ(ctl.Execute("ls"), 0);
  ASSERT_TRUE(finished(*rec));
  EXPECT_TRUE(rec->has("Stdout out eol"));
  EXPECT_EQ(rec->log.front(), "Status Firewall connection complete. 0 OK");
  EXPECT_EQ(std::count(rec->log.begin(), rec->log.end(), "Disconnected 0 OK"), 1);

  rec->log.clear();
  StubRshd stub2({{Step::Out, lit("\0out2\n")}});
  const std::string tconf = dir + "/tinyproxy.conf";
  uint16_t tport = 0;
  auto proxy = start(
      [&](uint16_t p) {
        writeFile(tconf, "Port " + std::to_string(p) +
                             "\nListen 127.0.0.1\nTimeout 30\nLogFile \"" + dir +
                             "/tinyproxy.log\"\nMaxClients 10\nPidFile \"" + dir +
                             "/tinyproxy.pid\"\nAllow 127.0.0.1\nConnectPort " +
                             std::to_string(stub2.port()) + "\n");
        return std::vector<std::string>{"/usr/bin/tinyproxy", "-d", "-c", tconf};
      },
      tport);
  ASSERT_TRUE(proxy) << "tinyproxy did not start";
  viaFirewall(fwTunnel, tport, stub2.port());
  ASSERT_EQ(ctl.Execute("ls"), 0);
  ASSERT_TRUE(finished(*rec));
  EXPECT_TRUE(rec->has("Stdout out2 eol"));
  EXPECT_EQ(std::count(rec->log.begin(), rec->log.end(), "Disconnected 0 OK"), 1);
}

TEST_F(ControlEvents, BusyHostChangeAndPortChangeDuringAConnection) {
  StubRshd stub({{Step::Out, lit("\0")}, {Step::Sleep, "", 300}});
  ASSERT_EQ(ctl.put_RemotePort(stub.port()), 0);
  ASSERT_EQ(ctl.Execute("sleep"), 0);
  const struct {
    const char* name;
    std::function<HRESULT()> call;
    uint32_t hr;
    const char* text;
    uint32_t help;
  } cases[] = {
      {"RemotePort", [&] { return ctl.put_RemotePort(1); }, 0x800A4E85,
       "You cannot change the RemotePort at this time. A connection is in progress.", 22116},
      {"RemoteHost", [&] { return ctl.put_RemoteHost("127.0.0.2"); }, 0x800A4E86,
       "You cannot change the RemoteHost at this time. A connection is in progress.", 22115},
      {"LocalPort", [&] { return ctl.put_LocalPort(1); }, 0x800A4E8B,
       "You cannot change the LocalPort at this time. A connection is in progress.", 22113},
      {"Execute", [&] { return ctl.Execute("again"); }, 0x800A4E89,
       "Busy executing current command.", 42104},
      {"MaxLineLength",
       [&] {
         std::string a;
         return ctl.Config("MaxLineLength=10", a);
       },
       0x800A4E91, "You cannot change MaxLineSize at this time. A connection is in progress.",
       42101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<uint32_t>(c.call()), c.hr);
    const auto info = takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, c.text);
    EXPECT_EQ(info->helpContext, c.help);
  }
  std::string host;
  ASSERT_EQ(ctl.get_RemoteHost(host), 0);
  EXPECT_EQ(host, "127.0.0.1");
  bool connected = false;
  ASSERT_EQ(ctl.get_Connected(connected), 0);
  EXPECT_TRUE(connected);
  int32_t sent = 0;
  ASSERT_EQ(ctl.Send("abc"), 0);
  ASSERT_EQ(ctl.get_BytesSent(sent), 0);
  EXPECT_EQ(sent, 3);
  ASSERT_EQ(ctl.put_Connected(false), 0);
  EXPECT_EQ(std::count(rec->log.begin(), rec->log.end(), "Disconnected 0 OK"), 1);
  ASSERT_EQ(ctl.get_Connected(connected), 0);
  EXPECT_FALSE(connected);
  ASSERT_EQ(ctl.Disconnect(), 0);
  ASSERT_EQ(ctl.DoEvents(), 0);
  stub.join();
}

}  // namespace

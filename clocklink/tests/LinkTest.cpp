// Link switch, serial layer and the TCP/UDP back ends against real peers.
#include "FComm.h"
#include "NetSocket.h"
#include "SerialPort.h"
#include "clocklink/ClsMirsol.h"
#include "clocklink/testing/Hooks.h"
#include "peers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>

using namespace clocklink;
using testpeers::PtyClock;
using testpeers::TcpListener;

namespace {

TEST(LineSettings, ParsesAndRefuses) {
  struct Case {
    const char* text;
    bool ok;
    int baud;
  };
  const Case cases[] = {{"9600,n,8,1", true, 9600},
                        {"19200,N,8,1", true, 19200},
                        {" 115200 , e , 7 , 2", true, 115200},
                        {"14400,n,8,1", true, 14400},
                        {"50,n,8,1", true, 50},
                        {"49,n,8,1", false, 0},
                        {"0,n,8,1", false, 0},
                        {"4000001,n,8,1", false, 0},
                        {"9600,x,8,1", false, 0},
                        {"9600,n,8", false, 0},
                        {",n,8,1", false, 0},
                        {"9600,n,9,1", false, 0}};
  for (const auto& c : cases) {
    LineSettings ls;
    EXPECT_EQ(parseLineSettings(c.text, ls), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(ls.baud, c.baud) << c.text;
    }
  }
}

TEST(SerialPortLayer, PortNamesAndMissingModemLines) {
  ::unsetenv("VELTA_COM3");
  EXPECT_EQ(devicePathForPort(3), "/dev/ttyS2");
  EXPECT_EQ(devicePathForPort(0), "");
  PtyClock clock(3);
  EXPECT_EQ(devicePathForPort(3), clock.path());
  SerialPort p;
  ASSERT_TRUE(p.open(3, "9600,n,8,1")) << p.lastError();
  bool supported = true;
  EXPECT_FALSE(p.ctsHolding(&supported));
  EXPECT_FALSE(supported);
  // A speed outside the termios table opens too; malformed settings and a missing device say
  // why by kind, with the device and the system's errno.
  EXPECT_TRUE(p.open(3, "14400,n,8,1")) << p.lastError();
  EXPECT_EQ(p.lastFailure().kind, SerialFailure::None);
  EXPECT_FALSE(p.open(3, "14400,n,9,1"));
  EXPECT_EQ(p.lastFailure().kind, SerialFailure::Settings);
  EXPECT_EQ(p.lastFailure().settings, "14400,n,9,1");
  ::setenv("VELTA_COM3", "/nonexistent/velta-tty", 1);
  EXPECT_FALSE(p.open(3, "9600,n,8,1"));
  EXPECT_EQ(p.lastFailure().kind, SerialFailure::System);
  EXPECT_EQ(p.lastFailure().device, "/nonexistent/velta-tty");
  EXPECT_EQ(p.lastFailure().error, ENOENT);
  EXPECT_FALSE(p.open(0, "9600,n,8,1"));
  EXPECT_EQ(p.lastFailure().kind, SerialFailure::NoPort);
}

TEST(SerialOpen, PortHeldByAnotherProcessFails) {
  PtyClock clock(44);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    int fd = ::open(clock.path().c_str(), O_RDWR | O_NOCTTY);
    ::flock(fd, LOCK_EX);
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 0, "COM44", "9600", "", 1, "", 0, 0, 0, 0);
  EXPECT_EQ(m.link().PL_Open(), kFailure);
  EXPECT_EQ(m.Record_Process(1), kFailure);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(m.link().PL_Open(), kSuccess);
}

TEST(SerialOpen, ReopensWhenPortOrSpeedChangesAndClosesOnce) {
  PtyClock a(45), b(46);
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 0, "COM45", "9600", "", 1, "", 0, 0, 0, 0);
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  EXPECT_EQ(m.link().PL_Open(), kSuccess);
  (void)m.SetTimeRecorder("1", 0, "COM46", " 19200 ", "", 1, "", 0, 0, 0, 0);
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  EXPECT_EQ(FComm::instance().xComm.port(), 46);
  EXPECT_EQ(FComm::instance().xComm.settings(), "19200,n,8,1");
  EXPECT_EQ(m.link().PL_Close(), kSuccess);
  EXPECT_EQ(m.link().PL_Close(), kFailure);  // already closed
}

TEST(SerialOpen, ModemLineNeedsClearToSend) {
  PtyClock clock(47);
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 0, "COM47", "9600", "5551234", 1, "", 0, 0, 0, 0);
  ASSERT_TRUE(FComm::instance().xComm.open(47, "9600,n,8,1"));
  EXPECT_EQ(m.link().PL_Open(), kModemNoCarrier);  // a pty has no CTS line
  EXPECT_EQ(m.link().PL_Close(), kFailure);        // a modem line stays open
  EXPECT_TRUE(FComm::instance().xComm.isOpen());
}

TEST(SetTimeRecorder, ReportsBadInterfaceAndSocketFailure) {
  ClsMirsol m;
  EXPECT_EQ(m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "", 3, 0, 0, 0), kFailure);
  EXPECT_EQ(m.link().PL_Open(), kPortNotOpen);  // no link: the port would not open
  EXPECT_EQ(m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 70000, 9, 0),
            kFailure);
  EXPECT_EQ(m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, 9, 0), kSuccess);
  EXPECT_EQ(m.link().PL_Close(), kSuccess);
}

// A damaged clock record's interface (anything but 0, 1, 2) leaves no link: every command
// fails, the model-6 ones too, which send without waiting for an acknowledgement and would
// otherwise answer success. The serial port the record names has a clock that must hear
// nothing (256 must not wrap round to the serial interface).
TEST(LinkSwitch, AnInterfaceOutOfRangeLeavesNoLinkAndEveryCommandFails) {
  PtyClock clock(48);
  struct Command {
    const char* name;
    std::function<CollectionStatus(ClsMirsol&)> call;
    CollectionStatus result;
  };
  const Command commands[] = {
      {"SetCache", [](ClsMirsol& m) { return m.SetCache(50); }, kPortNotOpen},
      {"SetDateTime", [](ClsMirsol& m) { return m.SetDateTime("20261208", "3", "1430"); },
       kPortNotOpen},
      {"SetClockNumber", [](ClsMirsol& m) { return m.SetClockNumber("2"); }, kPortNotOpen},
      {"SetLocked 0", [](ClsMirsol& m) { return m.SetLocked(0); }, kFailure},
      {"SetLocked 1", [](ClsMirsol& m) { return m.SetLocked(1); }, kFailure},
      {"SetLocked 2", [](ClsMirsol& m) { return m.SetLocked(2); }, kFailure},
      {"ResetPexel", [](ClsMirsol& m) { return m.ResetPexel(); }, kFailure},
      {"ResetSolvar", [](ClsMirsol& m) { return m.ResetSolvar(); }, kFailure},
      {"card enabled", [](ClsMirsol& m) { return m.Card_Process(7, "00123"); }, kPortNotOpen},
      {"card suspended", [](ClsMirsol& m) { return m.Card_Process(8, "00123"); }, kPortNotOpen},
      {"siren list", [](ClsMirsol& m) { return m.Alarm_Process(1, ""); }, kPortNotOpen},
      {"siren added", [](ClsMirsol& m) { return m.Alarm_Process(4, "11070505"); }, kPortNotOpen},
      {"siren deleted", [](ClsMirsol& m) { return m.Alarm_Process(6, "11070505"); }, kPortNotOpen},
      {"all sirens deleted", [](ClsMirsol& m) { return m.Alarm_Process(5, ""); }, kPortNotOpen},
      {"download", [](ClsMirsol& m) { return m.Record_Process(1); }, kFailure},
      {"clear", [](ClsMirsol& m) { return m.Record_Process(4); }, kPortNotOpen},
  };
  for (int16_t interface : {int16_t{3}, int16_t{7}, int16_t{-1}, int16_t{256}}) {
    for (int16_t model : {int16_t{6}, int16_t{0}, int16_t{4}}) {
      for (const Command& c : commands) {
        SCOPED_TRACE(std::string(c.name) + ", interface " + std::to_string(interface) + ", model " +
                     std::to_string(model));
        ClsMirsol m;
        m.SetTimeOut(1);
        EXPECT_EQ(m.SetTimeRecorder("1", model, "COM48", "9600", "", 1, "", interface, 0, 0, 0),
                  kFailure);
        EXPECT_EQ(c.call(m), c.result);
        EXPECT_EQ(m.Status_Get(), "");
        EXPECT_FALSE(FComm::instance().xComm.isOpen());
      }
    }
  }
  EXPECT_EQ(clock.readByte(50), -1) << "the clock on the record's port heard a frame";
}

TEST(TcpLink, RefusedAndSilentClocksFailWithinTimeouts) {
  ClsMirsol m;
  m.SetTimeOut(1);
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0,
                          testpeers::closedTcpPort(), 2);
  EXPECT_EQ(m.link().PL_Open(), kFailure);
  EXPECT_EQ(m.Record_Process(1), kFailure);

  TcpListener silent;  // accepts (backlog) but never answers
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, silent.port(), 2);
  EXPECT_EQ(m.Status_Get(), "");
  EXPECT_EQ(m.Record_Process(1), kFailure);
}

TEST(TcpLink, ChunkReadModelAndReconnects) {
  TcpListener first, second;
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 1034, first.port(), 2);
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  int peer = first.accept(3000);
  ASSERT_GE(peer, 0);
  EXPECT_EQ(m.link().PL_GetBuff(), "");  // nothing read yet
  ASSERT_EQ(::send(peer, "ABCDE", 5, 0), 5);
  while (m.link().PL_IsData() == 0) m.link().PL_WaitInput(std::chrono::milliseconds(20));
  std::string got;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(m.link().PL_IsData(), 5);  // the chunk's length, not what is left
    got += m.link().PL_GetBuff();
  }
  EXPECT_EQ(got, "ABCDE");
  EXPECT_EQ(m.link().PL_IsData(), 0);
  EXPECT_EQ(m.link().PL_Close(), kSuccess);  // the connection stays up
  EXPECT_EQ(m.link().PL_Open(), kSuccess);
  EXPECT_LT(first.accept(200), 0);  // no second connection

  // Same host, another port: a different server, so it reconnects.
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 1034, second.port(), 2);
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  int peer2 = second.accept(3000);
  EXPECT_GE(peer2, 0);

  // A peer that closes is seen as closed: the next open connects again.
  ::close(peer2);
  while (m.link().PL_IsData() == 0 && FComm::instance().WsTCP.fd() >= 0)
    m.link().PL_WaitInput(std::chrono::milliseconds(20));
  ASSERT_EQ(m.link().PL_Open(), kSuccess);
  int peer3 = second.accept(3000);
  EXPECT_GE(peer3, 0);
  ::close(peer);
  ::close(peer3);
}

// Sends wait for room like receives wait for input: in slices that let the host's events run
// and end on the cancel flag, over a serial line and a TCP connection whose far end never
// reads.
TEST(LinkSend, StalledPeerLetsEventsRunAndCancelEndsTheSend) {
  PtyClock line(49);  // nobody reads its master side
  TcpListener server;
  const std::string big(32 << 20, 'x');  // more than any socket buffer takes unread
  struct Case {
    const char* name;
    int16_t interface;
  };
  for (const Case& c : {Case{"serial", 0}, Case{"tcp", 2}}) {
    ClsMirsol m;
    ASSERT_EQ(m.SetTimeRecorder("1", 0, "COM49", "9600", "", 1, "127.0.0.1", c.interface, 0,
                                server.port(), 5),
              kSuccess);
    ASSERT_EQ(m.link().PL_Open(), kSuccess) << c.name;
    const int peer = c.interface == 2 ? server.accept(3000) : -1;
    int pumps = 0;
    setEventPump([&] {
      if (++pumps == 20) m.SetCancel(1);
    });
    m.link().PL_SendBuffer(big);
    setEventPump({});
    EXPECT_GE(pumps, 20) << c.name;  // it waited in slices, and the cancel ended it
    m.SetCancel(0);
    (void)m.link().PL_Close();
    if (peer >= 0) ::close(peer);
  }
}

// A numeric address is never looked up; a host name's look-up ends at the connect time-out
// or on a cancel, however long the resolver takes.
TEST(TcpLink, HostLookUpIsBoundedAndCancellable) {
  // Shared with the look-up threads, which may outlive a look-up given up on.
  struct NameServer {
    std::mutex mutex;
    std::condition_variable change;
    bool answering = false;
    int lookUps = 0;
    int hanging = 0;
  };
  auto ns = std::make_shared<NameServer>();
  clocklink::testing::setHostResolver([ns](const std::string& host, in_addr& out) {
    std::unique_lock<std::mutex> lock(ns->mutex);
    ++ns->lookUps;
    if (host == "clock.example") return ::inet_pton(AF_INET, "127.0.0.1", &out) == 1;
    ++ns->hanging;  // a name server that does not answer until the test ends
    ns->change.wait(lock, [&] { return ns->answering; });
    --ns->hanging;
    ns->change.notify_all();
    return false;
  });
  auto lookUps = [ns] {
    std::lock_guard<std::mutex> lock(ns->mutex);
    return ns->lookUps;
  };
  TcpListener server;
  ClsMirsol m;
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, server.port(), 5);
  EXPECT_EQ(m.link().PL_Open(), kSuccess);
  EXPECT_EQ(lookUps(), 0);

  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "clock.example", 2, 0, server.port(), 5);
  EXPECT_EQ(m.link().PL_Open(), kSuccess);
  EXPECT_EQ(lookUps(), 1);

  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "silent.example", 2, 0, server.port(), 2);
  EXPECT_EQ(m.link().PL_Open(), kFailure);  // ends with the 2 s connect time-out
  EXPECT_EQ(lookUps(), 2);

  // A connect time-out of hours: only the cancel can end this look-up.
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "other.example", 2, 0, server.port(),
                          30000);
  int pumps = 0;
  setEventPump([&] {
    if (++pumps == 60) m.SetCancel(1);
  });
  EXPECT_EQ(m.link().PL_Open(), kFailure);
  setEventPump({});
  EXPECT_EQ(lookUps(), 3);
  clocklink::testing::setHostResolver(nullptr);
  std::unique_lock<std::mutex> lock(ns->mutex);
  ns->answering = true;
  ns->change.notify_all();
  ns->change.wait(lock, [&] { return ns->hanging == 0; });
}

TEST(UdpLink, SequenceByteAdoptedAndAcknowledged) {
  int unit = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(unit, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  ::getsockname(unit, reinterpret_cast<sockaddr*>(&a), &len);

  ClsMirsol m;
  ASSERT_EQ(
      m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, ntohs(a.sin_port), 0),
      kSuccess);
  auto recvFromHost = [&](sockaddr_in* from) {
    char buf[512];
    socklen_t fl = sizeof *from;
    pollfd p{unit, POLLIN, 0};
    if (::poll(&p, 1, 3000) <= 0) return std::string("<timeout>");
    ssize_t n = ::recvfrom(unit, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(from), &fl);
    return std::string(buf, static_cast<size_t>(n));
  };
  sockaddr_in host{};
  m.link().PL_SendBuffer("Q");
  EXPECT_EQ(recvFromHost(&host), "\xffQ");

  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(::sendto(unit, "\x07hi", 3, 0, reinterpret_cast<sockaddr*>(&host), sizeof host), 3);
    while (m.link().PL_IsData() == 0) m.link().PL_WaitInput(std::chrono::milliseconds(20));
    EXPECT_EQ(recvFromHost(&host), "\x07");  // the acknowledgement
    EXPECT_EQ(m.link().PL_GetBuff(), "h");
    EXPECT_EQ(m.link().PL_GetBuff(), "i");
    EXPECT_EQ(m.link().PL_GetBuff(), "");
  }
  m.link().PL_SendBuffer("R");
  EXPECT_EQ(recvFromHost(&host), "\x07R");

  // A new configuration restarts the sequence.
  (void)m.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 1, 0, ntohs(a.sin_port), 0);
  m.link().PL_SendBuffer("S");
  EXPECT_EQ(recvFromHost(&host), "\xffS");
  ::close(unit);
}

// The port test's direct access to the shared serial port.
TEST(SerialPassThrough, OpenSendReceiveClear) {
  PtyClock peer(48);
  ClsMirsol m;
  m.FCommCommPort(48);
  m.FCommSettings("19200,N,8,1");
  m.FCommPortOpen(true);
  ASSERT_TRUE(m.FCommPortOpen());
  EXPECT_EQ(FComm::instance().xComm.settings(), "19200,N,8,1");
  m.FCommSend("ATI\r");
  std::string got;
  for (int c; got.size() < 4 && (c = peer.readByte(3000)) >= 0;)
    got.push_back(static_cast<char>(c));
  EXPECT_EQ(got, "ATI\r");
  peer.write("XYZ");
  pollfd p{FComm::instance().xComm.fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 3000), 1);
  for (int i = 0; i < 300 && FComm::instance().xComm.inBufferCount() < 3; ++i)
    ::poll(nullptr, 0, 10);
  m.FCommInputLen(2);
  EXPECT_EQ(m.FCommReceive(), "XY");
  m.FCommRxBufferCount(false);  // empties what is left
  m.FCommInputLen(0);
  EXPECT_EQ(m.FCommReceive(), "");
  m.FCommPortOpen(false);
  EXPECT_FALSE(m.FCommPortOpen());
}

}  // namespace

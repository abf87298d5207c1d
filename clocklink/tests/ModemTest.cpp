// The modem object against a hand-driven modem on a pseudo-terminal, the
// reply rules, MODEM.MAU items and the modem-definitions provider.
#include "FComm.h"
#include "clocklink/ClsModem.h"
#include "clocklink/Tornikel.h"
#include "peers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace clocklink;
namespace fs = std::filesystem;

namespace {

TEST(IsComando, ExpectedAnswers) {
  struct Case {
    const char* want;
    const char* reply;
    bool ok;
  };
  const Case cases[] = {
      {"OK", "AT&F\r\r\nOK\r\n", true},
      {"ok", "at&f\r\nok\r\n", true},  // both sides upper-cased
      {"OK", "0\r", true},             // numeric result code 0
      {"0", "AT&F\r0\r", true},
      {"OK", "AT&F0\r\r\nERROR\r\n", false},  // the 0 of the echo is no answer
      {"OK", "ATS0=0\r4\r", false},
      {"OK", "10\r", false},
      {"OK", "", false},
      {"", "OK", false},
      {"CONNECT", "\r\nCONNECT 9600\r\n", true},
      {"CONNECT", "\r\nNO CARRIER\r\n", false},
  };
  ClsModem m;
  for (const auto& c : cases) EXPECT_EQ(m.IsComando(c.want, c.reply), c.ok) << c.reply;
  (void)m.SetCancel(1);
  EXPECT_FALSE(m.IsComando("OK", "OK"));
}

TEST(ModemItems, SplitAtCommasAndLineEnds) {
  struct Case {
    const char* text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"&F,E0\r\nS0=0\n", {"&F", "E0", "S0=0"}},
      {"  X4 ,  \"&C1,&D2\" \r\n\r\n", {"X4", "&C1,&D2"}},
      {"\"open quote\nM1", {"open quote", "M1"}},
      {",,\n", {}},
      {"L0", {"L0"}},
  };
  for (const auto& c : cases) EXPECT_EQ(splitModemItems(c.text), c.items) << c.text;
}

// A definitions file in a temp folder, named by VELTA_MODEMS for the test.
class ModemFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("clocklink_modem_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    ::setenv("VELTA_MODEMS", (dir_ / "MODEMS.INI").c_str(), 1);
    ::setenv("VELTA_ASSUME_CTS", "1", 1);
    ClsModem().cortarModem(false);
  }
  void TearDown() override {
    FComm::unload();
    ::unsetenv("VELTA_MODEMS");
    ::unsetenv("VELTA_ASSUME_CTS");
    ClsModem().cortarModem(false);
    fs::remove_all(dir_);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::string folder() const { return dir_.string() + "/"; }
  fs::path dir_;
};

TEST_F(ModemFiles, ProviderCallsAndBufferConvention) {
  ClsModem m;
  EXPECT_EQ(m.xGetModemCount(), -1);  // no definitions file
  EXPECT_EQ(tornikel::GetModemCom("ANY"), 0);
  write("MODEMS.INI",
        "; site modems\r\n[Hayes Generic]\r\nCom = 3\r\nInit= &FE0V1 \r\nCommand1=ATZ\r\n"
        "[USR 56k]\ncom=12\nCOMMAND7=ATI7\n[hayes generic]\nCom=9\n");
  EXPECT_EQ(m.xGetModemCount(), 2);  // the repeated name does not count
  EXPECT_EQ(m.xGetModemName(0), "Hayes Generic");
  EXPECT_EQ(m.xGetModemName(1), "USR 56k");
  EXPECT_EQ(m.xGetModemName(2), "");
  EXPECT_EQ(m.xGetModemName(-1), "");
  EXPECT_EQ(m.xGetModemCommand("hayes generic", 3), "&FE0V1");
  EXPECT_EQ(m.xGetModemCommand("HAYES GENERIC", 1), "ATZ");
  EXPECT_EQ(m.xGetModemCommand("USR 56K", 7), "ATI7");
  EXPECT_EQ(m.xGetModemCommand("USR 56K", 3), "");  // no initialisation string
  EXPECT_EQ(m.xGetModemCommand("NONE", 1), "");
  EXPECT_EQ(tornikel::GetModemCom("HAYES GENERIC"), 3);  // first definition wins
  EXPECT_EQ(tornikel::GetModemCom("USR 56K"), 12);

  std::string buffer(255, ' ');
  ASSERT_GE(tornikel::GetModemInitString(buffer, "HAYES GENERIC", 3), 0);
  EXPECT_EQ(buffer.size(), 255u);
  EXPECT_EQ(buffer.substr(0, 7), std::string("&FE0V1") + '\0');
  EXPECT_EQ(buffer.find_first_not_of(' ', 7), std::string::npos);
  EXPECT_LT(tornikel::GetModemInitString(buffer, "USR 56K", 3), 0);
}

// The modem side of a pseudo-terminal: collects command lines (ended by CR)
// and answers each through `answer`, which may write in pieces.
class PtyModem {
 public:
  using Answer = std::function<void(const std::string& line, PtyModem& self)>;
  PtyModem(int port, Answer answer) : pty_(port), answer_(std::move(answer)) {
    thread_ = std::thread([this] { run(); });
  }
  ~PtyModem() {
    stop_ = true;
    thread_.join();
  }
  void write(const std::string& s) { pty_.write(s); }
  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  void run() {
    std::string line;
    while (!stop_) {
      int c = pty_.readByte(20);
      if (c < 0) continue;
      if (c != '\r') {
        line.push_back(static_cast<char>(c));
        continue;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
      }
      answer_(line, *this);
      line.clear();
    }
  }
  testpeers::PtyClock pty_;
  Answer answer_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread thread_;
};

void answerOk(const std::string&, PtyModem& m) { m.write("\r\nOK\r\n"); }

TEST_F(ModemFiles, DialCommandFromTheNumber) {
  write("MODEMS.INI", "[Bare]\nCom=71\n");  // no initialisation string: nothing is sent
  testpeers::PtyClock modem(71);
  struct Case {
    const char* phone;
    const char* dial;
  };
  const Case cases[] = {{" P5551234 ", "ATDP5551234\r"},
                        {"p42", "ATDp42\r"},
                        {"5551234", "ATDT5551234\r"},
                        {"9,555 12#*W", "ATDT9,555 12#*W\r"}};
  for (const auto& c : cases) {
    ClsModem m;
    m.SetModem(1, "9600", c.phone);
    ASSERT_EQ(m.InitModem(folder(), "bare"), kSuccess) << c.phone;
    EXPECT_EQ(m.port(), 71);
    EXPECT_EQ(m.commandList(), (std::vector<std::string>{c.dial, "", ""}));
    FComm::instance().xComm.close();
  }
}

TEST_F(ModemFiles, InitSendsInitStringAndModemMauItems) {
  write("MODEMS.INI", "[Test]\nCom=78\nInit=&FE0\n");
  write("MODEM.MAU", "S7=45, X4\r\n\"&C1\"\n");
  PtyModem modem(78, answerOk);
  ClsModem m;
  m.SetModem(1, "9600", "555");
  ASSERT_EQ(m.InitModem(folder(), "test"), kSuccess);
  EXPECT_EQ(m.commandList(), (std::vector<std::string>{"ATDT555\r", "AT&FE0\r", "ATS7=45\r",
                                                       "ATX4\r", "AT&C1\r", ""}));
  EXPECT_TRUE(FComm::instance().xComm.isOpen());  // left open for dialling
  EXPECT_EQ(FComm::instance().xComm.settings(), "9600,n,8,1");
  // Every entry once, the dial command not yet.
  EXPECT_EQ(modem.lines(), (std::vector<std::string>{"AT&FE0", "ATS7=45", "ATX4", "AT&C1"}));
}

TEST_F(ModemFiles, InitWithoutInitStringSendsNothing) {
  write("MODEMS.INI", "[Bare]\nCom=72\n");
  write("MODEM.MAU", "X4\n");
  PtyModem modem(72, answerOk);
  ClsModem m;
  m.SetModem(1, " 19200 ", "123");
  ASSERT_EQ(m.InitModem(folder(), "BARE"), kSuccess);
  EXPECT_EQ(m.commandList(), (std::vector<std::string>{"ATDT123\r", "", "ATX4\r", ""}));
  EXPECT_EQ(FComm::instance().xComm.settings(), "19200,n,8,1");
  EXPECT_TRUE(FComm::instance().xComm.isOpen());
  FComm::instance().xComm.close();
  EXPECT_TRUE(modem.lines().empty());
}

// MODEM.MAU and the definitions file hold a few lines: one far larger is not read, and a dial
// that needs it fails before anything goes to the modem.
TEST_F(ModemFiles, OversizedFilesAreNotRead) {
  const std::string definitions = "[Test]\nCom=74\nInit=E0\n";
  write("MODEMS.INI", definitions);
  std::string extra = "X4\n";
  extra.resize(64 * 1024 + 1, ' ');
  write("MODEM.MAU", extra);
  PtyModem modem(74, answerOk);
  ClsModem m;
  m.SetModem(1, "9600", "555");
  EXPECT_EQ(m.InitModem(folder(), "TEST"), kFailure);
  EXPECT_FALSE(FComm::instance().xComm.isOpen());
  EXPECT_TRUE(modem.lines().empty());

  EXPECT_EQ(tornikel::GetModemCount(), 1);
  std::string huge = definitions;
  huge.resize(1024 * 1024 + 1, ';');
  write("MODEMS.INI", huge);
  EXPECT_EQ(tornikel::GetModemCount(), -1);
}

// A symbolic link in place of MODEM.MAU or the definitions file is not read through: the dial
// that needs it fails before anything goes to the modem.
TEST_F(ModemFiles, LinkedFilesAreNotRead) {
  write("elsewhere.ini", "[Test]\nCom=75\nInit=E0\n");
  write("elsewhere.mau", "X4\n");
  write("MODEMS.INI", "[Test]\nCom=75\nInit=E0\n");
  fs::create_symlink(dir_ / "elsewhere.mau", dir_ / "MODEM.MAU");
  PtyModem modem(75, answerOk);
  ClsModem m;
  m.SetModem(1, "9600", "555");
  EXPECT_EQ(m.InitModem(folder(), "TEST"), kFailure);
  EXPECT_TRUE(modem.lines().empty());

  EXPECT_EQ(tornikel::GetModemCount(), 1);
  fs::remove(dir_ / "MODEMS.INI");
  fs::create_symlink(dir_ / "elsewhere.ini", dir_ / "MODEMS.INI");
  EXPECT_EQ(tornikel::GetModemCount(), -1);
}

TEST_F(ModemFiles, InitRefusals) {
  write("MODEMS.INI", "[Test]\nCom=73\nInit=E0\n[Gone]\nCom=79\nInit=E0\n[Held]\nCom=80\n");
  PtyModem modem(73, [](const std::string& line, PtyModem& self) {
    self.write(line == "ATE0" ? "\r\nERROR\r\n" : "\r\nOK\r\n");
  });
  ::setenv("VELTA_COM79", (dir_ / "no-such-tty").c_str(), 1);
  testpeers::PtyClock heldLine(80);
  const int holder = ::open(heldLine.path().c_str(), O_RDWR | O_NOCTTY);  // another program
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  struct Case {
    const char* name;
    const char* phone;
    const char* driver;
    CollectionStatus want;
  };
  const Case cases[] = {
      {"control character in the number", "555\r1234", "TEST", kFailure},
      {"DEL in the number", "555\x7F", "TEST", kFailure},
      {"empty driver", "555", "", kFailure},
      {"unknown driver", "555", "OTHER", kFailure},
      {"no OK in three tries", "555", "TEST", kModemNoCarrier},
      {"no such device", "555", "GONE", kFailure},
      {"port held by another program", "555", "HELD", kFailure},
  };
  for (const auto& c : cases) {
    ClsModem m;
    m.SetModem(1, "9600", c.phone);
    EXPECT_EQ(m.InitModem(folder(), c.driver), c.want) << c.name;
    EXPECT_FALSE(FComm::instance().xComm.isOpen()) << c.name;  // closed again on failure
  }
  EXPECT_EQ(modem.lines(), (std::vector<std::string>{"ATE0", "ATE0", "ATE0"}));

  ClsModem other, m;
  m.SetModem(1, "9600", "555");
  other.cortarModem(true);  // one flag for the whole library
  EXPECT_TRUE(m.cortarModem());
  EXPECT_EQ(m.InitModem(folder(), "TEST"), kPortInUse);
  EXPECT_EQ(m.ConfigModem("E0"), kPortInUse);
  m.cortarModem(false);

  for (int port : {79, 80}) {  // the settings line goes to a port that cannot be opened either
    m.SetModem(static_cast<int16_t>(port), "9600", "");
    EXPECT_EQ(m.ConfigModem("E0"), kFailure) << port;
  }
  ::close(holder);
  ::unsetenv("VELTA_COM79");
}

TEST_F(ModemFiles, CancelDuringInitClosesThePort) {
  write("MODEMS.INI", "[Test]\nCom=74\nInit=E0\n");
  ClsModem m;
  PtyModem modem(74, [&m](const std::string&, PtyModem& self) {
    (void)m.SetCancel(1);  // the operator cancels while the modem answers
    self.write("\r\nERROR\r\n");
  });
  m.SetModem(1, "9600", "555");
  EXPECT_EQ(m.InitModem(folder(), "TEST"), kCancelled);
  EXPECT_FALSE(FComm::instance().xComm.isOpen());
}

TEST_F(ModemFiles, ConfigModemTriesAndCloses) {
  PtyModem modem(75, [](const std::string& line, PtyModem& self) {
    self.write(line == "AT&W" ? "\r\nOK\r\n" : "4\r");  // numeric ERROR
  });
  ClsModem m;
  m.SetModem(75, "9600", "");
  EXPECT_EQ(m.ConfigModem("&W"), kSuccess);
  EXPECT_FALSE(FComm::instance().xComm.isOpen());
  EXPECT_EQ(m.ConfigModem("S0=0"), kModemNoCarrier);
  EXPECT_FALSE(FComm::instance().xComm.isOpen());
  EXPECT_EQ(modem.lines(), (std::vector<std::string>{"AT&W", "ATS0=0", "ATS0=0", "ATS0=0"}));
}

// A dialling modem whose result comes in two writes, far enough apart to
// land in two reads of the dialler.
TEST_F(ModemFiles, SplitAnswersAreJoined) {
  write("MODEMS.INI", "[Test]\nCom=76\nInit=E0\n");
  struct Case {
    const char* first;
    const char* second;
    const char* want;
  };
  const Case cases[] = {{"\r\nCON", "NECT 9600\r\n", "\r\nCONNECT 9600\r\n"},
                        {"\r\nNO CAR", "RIER\r\n", "NO CARRIER"}};
  for (const auto& c : cases) {
    PtyModem modem(76, [&c](const std::string& line, PtyModem& self) {
      if (line.rfind("ATD", 0) != 0) return self.write("\r\nOK\r\n");
      self.write(c.first);
      std::this_thread::sleep_for(std::chrono::milliseconds(1300));
      self.write(c.second);
    });
    ClsModem m;
    m.SetModem(76, "9600", "5551234");
    FComm::instance().SetPort("5551234", 76, "9600");
    ASSERT_EQ(m.InitModem(folder(), "TEST"), kSuccess);
    EXPECT_EQ(m.Discar(10), c.want);
    FComm::instance().xComm.close();
  }
}

TEST_F(ModemFiles, DialNeedsClearToSendAndHangUpAlwaysCloses) {
  write("MODEMS.INI", "[Test]\nCom=77\n");
  PtyModem modem(77, answerOk);
  ClsModem m;
  m.SetModem(77, "9600", "555");
  FComm::instance().SetPort("555", 77, "9600");
  ASSERT_EQ(m.InitModem(folder(), "TEST"), kSuccess);
  ::unsetenv("VELTA_ASSUME_CTS");  // a pty then reads CTS low, as the real rule says
  EXPECT_EQ(m.Discar(5), "");
  EXPECT_FALSE(m.Colgar());
  EXPECT_FALSE(FComm::instance().xComm.isOpen());  // closed although CTS is low
  EXPECT_TRUE(modem.lines().empty());              // neither dialled nor escaped
}

}  // namespace

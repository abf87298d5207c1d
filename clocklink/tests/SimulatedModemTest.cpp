// The modem object against the simulated Hayes modem, and a whole download
// from a simulated clock reached through it: set-up, dialling, download,
// hang-up.
#include "FComm.h"
#include "RecordParser.h"
#include "clocklink/ClsMirsol.h"
#include "clocklink/ClsModem.h"

#include <clocksim/modem.h>
#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <unistd.h>

using namespace clocklink;
using clocksim::DialOutcome;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = 91;

// A data folder with MODEMS.INI (modem "SIM" on COM91) and, when given, MODEM.MAU.
class SimModem : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("clocklink_simmodem_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    ::setenv("VELTA_MODEMS", (dir_ / "MODEMS.INI").c_str(), 1);
    ::setenv("VELTA_ASSUME_CTS", "1", 1);
    setUp("&FE1V1", "");
  }
  void TearDown() override {
    FComm::unload();
    ClsModem().cortarModem(false);
    ::unsetenv("VELTA_MODEMS");
    ::unsetenv("VELTA_ASSUME_CTS");
    fs::remove_all(dir_);
  }
  void setUp(const std::string& init, const std::string& mau) {
    std::ofstream(dir_ / "MODEMS.INI") << "[Sim]\nCom=" << kPort << "\nInit=" << init << "\n";
    fs::remove(dir_ / "MODEM.MAU");
    if (!mau.empty()) std::ofstream(dir_ / "MODEM.MAU") << mau;
  }
  // Serves the modem on COM91 and prepares the modem object for the number.
  void serve(clocksim::Modem& modem, ClsModem& m, const std::string& phone) {
    ::setenv(("VELTA_COM" + std::to_string(kPort)).c_str(), modem.openPty().c_str(), 1);
    m.SetModem(kPort, "9600", phone);
    FComm::instance().SetPort(phone, kPort, "9600");  // as the protocol object's set-up does
  }
  std::string folder() const { return dir_.string() + "/"; }
  fs::path dir_;
};

struct DialCase {
  const char* name;
  std::vector<DialOutcome> script;
  size_t splitAt;
  std::vector<std::string> answers;  // Discar per attempt; "CONNECT" = a reply holding it
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DialCase& c, std::ostream* os) { *os << c.name; }

class Dialling : public SimModem, public ::testing::WithParamInterface<DialCase> {};

TEST_P(Dialling, AnswersPerAttempt) {
  const DialCase& c = GetParam();
  clocksim::Simulator clock;
  clocksim::ModemOptions mo;
  mo.script = c.script;
  mo.splitAt = c.splitAt;
  mo.splitPause = std::chrono::milliseconds(1300);  // past one read of the dialler
  clocksim::Modem modem(clock, mo);
  ClsModem m;
  serve(modem, m, "P5551234");
  ASSERT_EQ(m.InitModem(folder(), "sim"), kSuccess);
  for (size_t i = 0; i < c.answers.size(); ++i) {
    std::string got = m.Discar(3);
    if (c.answers[i] == "CONNECT")
      EXPECT_NE(got.find("CONNECT 9600"), std::string::npos) << i << ": " << got;
    else
      EXPECT_EQ(got, c.answers[i]) << i;
  }
  EXPECT_EQ(modem.dialledNumbers(), std::vector<std::string>(c.answers.size(), "5551234"));
  EXPECT_EQ(modem.commands().front(), "AT&FE1V1");
  FComm::instance().xComm.close();
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, Dialling,
    ::testing::Values(DialCase{"busy", {DialOutcome::Busy}, 0, {"BUSY"}},
                      DialCase{"no_carrier_then_connect",
                               {DialOutcome::NoCarrier, DialOutcome::Connect},
                               0,
                               {"NO CARRIER", "CONNECT"}},
                      DialCase{"no_answer", {DialOutcome::NoAnswer}, 0, {"NO ANSWER"}},
                      DialCase{"no_dial_tone", {DialOutcome::NoDialTone}, 0, {"NO DIAL TONE"}},
                      DialCase{"split_connect", {DialOutcome::Connect}, 3, {"CONNECT"}},
                      DialCase{"split_busy", {DialOutcome::Busy}, 2, {"BUSY"}},
                      DialCase{"silence", {DialOutcome::Silence}, 0, {""}}),
    [](const auto& info) { return std::string(info.param.name); });

// Numeric result codes: "0" on its own line is OK; the echo's zeros are not.
TEST_F(SimModem, NumericReplies) {
  struct Case {
    const char* mau;
    CollectionStatus want;
  };
  const Case cases[] = {{"S0=0,&C1\n", kSuccess}, {"&Z0\n", kModemNoCarrier}};
  for (const auto& c : cases) {
    setUp("E1V0", c.mau);
    clocksim::Simulator clock;
    clocksim::Modem modem(clock);
    ClsModem m;
    serve(modem, m, "555");
    EXPECT_EQ(m.InitModem(folder(), "SIM"), c.want) << c.mau;
    EXPECT_EQ(FComm::instance().xComm.isOpen(), c.want == kSuccess) << c.mau;
    FComm::instance().xComm.close();
  }
}

std::string expectedText(const clocksim::Punch& p, Today now) {
  char buf[64];
  int year = p.month > now.month ? now.year - 1 : now.year;
  std::snprintf(buf, sizeof buf, "0%04d%02d%02d%02d%02d01%02d", year, p.month, p.day, p.hour,
                p.minute, p.reader);
  return buf + shortenCard(p.card);
}

TEST_F(SimModem, DownloadThroughTheModemAndHangUp) {
  setUp("&FE0V1", "X4,&C1\n");
  clocksim::Simulator clock;
  clock.generatePunches(60, 9);
  const std::vector<clocksim::Punch> stored = clock.punches();
  clocksim::ModemOptions mo;
  mo.script = {DialOutcome::Busy, DialOutcome::Connect};
  clocksim::Modem modem(clock, mo);

  ClsMirsol mirsol;
  ClsModem m;
  mirsol.SetTimeOut(2);
  ::setenv(("VELTA_COM" + std::to_string(kPort)).c_str(), modem.openPty().c_str(), 1);
  ASSERT_EQ(mirsol.SetTimeRecorder("1", 0, "COM91", "9600", "5551234", 1, "", 0, 0, 0, 0),
            kSuccess);
  m.SetModem(kPort, "9600", "5551234");
  ASSERT_EQ(m.InitModem(folder(), "SIM"), kSuccess);
  EXPECT_EQ(m.Discar(5), "BUSY");
  ASSERT_NE(m.Discar(5).find("CONNECT"), std::string::npos);
  m.cortarModem(true);
  EXPECT_TRUE(modem.online());

  int32_t count = 0;
  ASSERT_EQ(mirsol.Record_Process(1, 0, count), kSuccess);
  ASSERT_EQ(count, 60);
  CollectionStatus r = kSuccess;
  while (r == kSuccess && mirsol.RegCount < 60) r = mirsol.Record_Process(2);
  ASSERT_EQ(mirsol.RegCount, 60);
  const Today now = today();
  for (int32_t i = 0; i < 60; ++i)
    EXPECT_EQ(mirsol.Record_Get(i), expectedText(stored[static_cast<size_t>(i)], now)) << i;
  (void)mirsol.Record_Process(3);
  mirsol.fcommclosePort();  // a modem line stays open for the hang-up
  EXPECT_TRUE(FComm::instance().xComm.isOpen());

  EXPECT_FALSE(m.Colgar());
  m.cortarModem(false);
  EXPECT_FALSE(FComm::instance().xComm.isOpen());
  EXPECT_FALSE(modem.online());
  EXPECT_GE(modem.hangUps(), 1u);
  const auto cmds = modem.commands();
  EXPECT_EQ(std::vector<std::string>(cmds.begin(), cmds.begin() + 5),
            (std::vector<std::string>{"AT&FE0V1", "ATX4", "AT&C1", "ATDT5551234", "ATDT5551234"}));
  EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATH0"), cmds.end());
}

}  // namespace

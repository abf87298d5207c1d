// The shared clock result routines, over the program's clock object talking to the clock
// simulator on TCP, and the siren-field padding.
#include "collect/FGrales.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "testsupport/AppTestSupport.h"

#include <clocklink/ClsMirsol.h>
#include <clocksim/simulator.h>
#include <gtest/gtest.h>

#include <ctime>
#include <memory>

TEST(FGrales, PadAndReplaceRightAlignsCutsAndReplaces) {
  EXPECT_EQ(collect::PadAndReplace(5, 2, ' ', "0"), "05");
  EXPECT_EQ(collect::PadAndReplace(123, 2, ' ', "0"), "23");
  EXPECT_EQ(collect::PadAndReplace(7, 3, ' ', "ab"), "abab7");
  EXPECT_EQ(collect::PadAndReplace(45, 2, ' ', "0"), "45");
}

TEST(FGrales, ClearResultLinesByCode) {
  const std::vector<std::pair<int16_t, std::string>> cases = {
      {-100, ">Las registraciones han sido borradas"},
      {-500, ">La comunicación con el modem no se ha establecido"},
      {-400, ">El puerto está siendo utilizado por otro dispositivo"},
      {-300, ">No se pudo abrir el puerto de comunicaciones"},
      {-200, ">No se pudo borrar la información del Reloj"},
      {-101, ">No se pudo borrar la información del Reloj"}};
  apptest::TempDataFolder folder;
  apptest::objects().createSettings();
  for (const auto& [code, text] : cases) {
    VectorProgressList list;
    EXPECT_EQ(statusCode(collect::ShowClearResult(list, clocklink::CollectionStatus{code})), code);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.text(1), text);
    EXPECT_EQ(list.style(1), code == -100 ? kBlueLine : kRedLine);
  }
}

namespace {

class FGralesClock : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    gListaRelojes->m_TipoNumero = 1;
    apptest::objects().createMirsol();
    gMirsol->SetTimeOut(3);
    ASSERT_EQ(gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0,
                                       sim.listenTcp(), 5),
              clocklink::kSuccess);
  }
  void TearDown() override { apptest::resetProgramObjects(); }

  apptest::TempDataFolder folder;
  clocksim::Simulator sim;
  VectorProgressList list;
};

}  // namespace

TEST_F(FGralesClock, DateAndTimeReachTheClockUnlessCancelled) {
  ASSERT_EQ(collect::ConsoleDateTimeResult(*gMirsol, list, "20250314", "6", "0915"),
            clocklink::kSuccess);
  const std::time_t t = std::chrono::system_clock::to_time_t(sim.clockTime());
  std::tm tm{};
  localtime_r(&t, &tm);
  EXPECT_EQ(tm.tm_year + 1900, 2025);
  EXPECT_EQ(tm.tm_mon + 1, 3);
  EXPECT_EQ(tm.tm_mday, 14);
  EXPECT_EQ(tm.tm_hour, 9);
  EXPECT_EQ(list.text(1), ">Fecha y Hora actualizada");
  EXPECT_EQ(list.style(1), kBlueLine);

  gMirsol->SetCancel(1);
  EXPECT_EQ(collect::ConsoleDateTimeResult(*gMirsol, list, "20250314", "6", "0915"),
            clocklink::kFailure);
  EXPECT_EQ(list.text(2), "No se pudo grabar la fecha y hora");
  EXPECT_EQ(list.style(2), kRedLine);
}

TEST_F(FGralesClock, ConsoleClearResultClearsTheClock) {
  sim.generatePunches(3, 1);
  EXPECT_EQ(collect::ConsoleClearResult(*gMirsol, list), clocklink::kSuccess);
  EXPECT_TRUE(sim.punches().empty());
  EXPECT_EQ(list.text(1), ">Las registraciones han sido borradas");
}

TEST_F(FGralesClock, SendCardFileSendsEachCardItemInOrder) {
  struct Case {
    const char* name;
    int16_t kind, mode;
    std::string file;
    int16_t result;
    std::vector<std::string> enabled, disabled;
  };
  const std::vector<Case> cases = {
      {"short and blank items", 1, 1, "12\r\n\r\n  \r\n", -100, {}, {}},
      {"decimal", 1, 1, "123\r\n4567\r\n", -100, {"00123", "04567"}, {}},
      {"touch", 2, 1, "01A\r\n1A\r\nFFFF\n", -100, {"00026", "65535"}, {}},
      {"quotes and commas", 1, 1, "\"1,234\",555, 666 \r\n\"777\"\r\n", -200, {}, {}},
      {"quoted numbers", 1, 1, "555, 666 ,\"777\"\r\n", -100, {"00555", "00666", "00777"}, {}},
      {"not a number stops", 1, 1, "123\r\n12X\r\n456\r\n", -200, {"00123"}, {}},
      {"touch beyond 8 digits", 2, 1, "123456789\r\n", -200, {}, {}},
      {"mode 0 suspends", 1, 0, "321\r\n", -100, {}, {"00321"}},
  };
  for (const Case& c : cases) {
    clocksim::Simulator fresh;
    ASSERT_EQ(gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0,
                                       fresh.listenTcp(), 5),
              clocklink::kSuccess);
    gListaRelojes->m_TipoNumero = c.kind;
    folder.write("cards.txt", c.file);
    EXPECT_EQ(statusCode(collect::SendCardFile(*gMirsol, gListaRelojes->m_TipoNumero, c.mode,
                                               "  " + folder.file("cards.txt") + " ")),
              c.result)
        << c.name;
    EXPECT_EQ(fresh.enabledCards(), c.enabled) << c.name;
    EXPECT_EQ(fresh.disabledCards(), c.disabled) << c.name;
  }
  EXPECT_EQ(collect::SendCardFile(*gMirsol, 1, 1, folder.file("none.txt")), clocklink::kFailure);
}

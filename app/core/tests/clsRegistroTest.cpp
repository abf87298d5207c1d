// Punch lines: the three line forms, card fitting for both card kinds, the error line.
#include "core/clsRegistro.h"

#include "core/ClsCfgFile.h"

#include <gtest/gtest.h>

namespace {

const std::string kPunch = "0202403050807010212345";

clsRegistro parsed(const ClsCfgFile& cfg, const std::string& punch, int16_t kind = 1) {
  clsRegistro r(&cfg);
  r.parseTarjeta(punch, kind);
  r.parseFecha(punch);
  r.parseHora(punch);
  r.parseReloj(punch);
  r.parseLector(punch);
  return r;
}

ClsCfgFile settings(int16_t longTarjeta = 8, int16_t longTouch = 8) {
  ClsCfgFile c;
  c.LongTarjeta = longTarjeta;
  c.LongTouch = longTouch;
  c.formatoFecha = "dd\\/mm\\/YYYY";
  c.ModoLegajo = 0;
  c.SAPEnabled = 0;
  return c;
}

}  // namespace

TEST(PunchLines, WorkedExample) {
  ClsCfgFile cfg = settings();
  clsRegistro r = parsed(cfg, kPunch);
  EXPECT_EQ(r.getTarjeta(), "00012345");
  EXPECT_EQ(r.getTarjetaAsDouble(), 12345.0);
  EXPECT_EQ(r.getFileRecord(), "00012345 05/03/2024 08:07 01 02");
  r.parseDescripcion("VISITA");
  EXPECT_EQ(r.getFileRecord(), "00012345 05/03/2024 08:07 01 02 VISITA");
  r.parseDescripcion("   ");
  EXPECT_EQ(r.getFileRecord(), "00012345 05/03/2024 08:07 01 02");
  r.parseDescripcion(" Ana ");
  EXPECT_EQ(r.getFileRecord(), "00012345 05/03/2024 08:07 01 02  Ana ");

  cfg.ModoLegajo = 1;
  r.parseDescripcion("");
  r.parseLegajo("000777");
  EXPECT_EQ(r.getFileRecord(), "000777 05/03/2024 08:07 01 02 00012345");
  r.parseDescripcion("VISITA");
  EXPECT_EQ(r.getFileRecord(), "000777 05/03/2024 08:07 01 02 00012345 VISITA");

  cfg.SAPEnabled = 1;  // neither the employee number nor the description counts then
  const std::string sap = "00012345000123452024030508070020240305080700P20 001    ";
  EXPECT_EQ(r.getFileRecord(), sap);
  EXPECT_EQ(sap.size(), 55u);
  cfg.ModoLegajo = 0;
  EXPECT_EQ(r.getFileRecord(), sap);

  EXPECT_EQ(r.getFileRecordWithError(), "00012345 2024/03/05 08:07 01 02");
  cfg.formatoFecha = "YYYYmmdd";
  cfg.SAPEnabled = 0;
  r.parseDescripcion("");
  EXPECT_EQ(r.getFileRecord(), "00012345 20240305 08:07 01 02");
  cfg.formatoFecha = "";  // an empty pattern still dates the line
  EXPECT_EQ(r.getFileRecord(), "00012345 05/03/2024 08:07 01 02");
  EXPECT_EQ(r.getFileRecordWithError(), "00012345 2024/03/05 08:07 01 02");
}

TEST(PunchLines, CardFitting) {
  struct Case {
    std::string digits;
    int16_t kind, longTarjeta, longTouch;
    std::string card;
    double number;
  } cases[] = {
      {"123456789", 1, 8, 4, "23456789", 123456789},
      {"12345678", 1, 8, 4, "12345678", 12345678},
      {"7", 1, 8, 4, "00000007", 7},
      {"00000000000042", 1, 8, 4, "00000042", 42},
      {"255", 2, 8, 8, " 000000FF", 255},
      {"43981", 2, 8, 4, " ABCD", 43981},      // exactly LongTouch digits: still the blank
      {"1193046", 2, 8, 4, " 3456", 1193046},  // 0x123456: the rightmost four
      {"2147483647", 2, 8, 8, " 7FFFFFFF", 2147483647.0},
      {"4294967296", 2, 8, 8, "4294967296", 4294967296.0},  // no 32-bit form: raw, own number
  };
  for (const Case& c : cases) {
    ClsCfgFile cfg = settings(c.longTarjeta, c.longTouch);
    clsRegistro r = parsed(cfg,
                           "020240305080701"
                           "02" +
                               c.digits,
                           c.kind);
    EXPECT_EQ(r.getTarjeta(), c.card) << c.digits;
    EXPECT_EQ(r.getTarjetaAsDouble(), c.number) << c.digits;
  }
  ClsCfgFile cfg = settings(8, 8);
  clsRegistro r = parsed(cfg,
                         "020240305080701"
                         "02"
                         "255",
                         2);
  EXPECT_EQ(r.getFileRecord(),
            " 000000FF 05/03/2024 08:07 01 02");  // the line starts with the blank
}

TEST(PunchLines, RawCardsKeepThePreviousNumber) {
  ClsCfgFile cfg = settings();
  clsRegistro r = parsed(cfg, kPunch);
  struct Case {
    std::string punch;
    int16_t kind;
    std::string card;
  } cases[] = {
      {"0202403050807010212AB", 1, "12AB"}, {"020240305080701025", 3, "5"}, {"02024030508", 1, ""}};
  for (const Case& c : cases) {
    r.parseTarjeta(c.punch, c.kind);
    EXPECT_EQ(r.getTarjeta(), c.card) << c.punch;
    EXPECT_EQ(r.getTarjetaAsDouble(), 12345.0) << c.punch;
  }
  r.parseFecha("02024");
  r.parseHora("0");
  r.parseReloj("");
  r.parseLector("");
  EXPECT_EQ(r.getFileRecordWithError(), " 2024// :  ");  // a short record still gives a line
}

TEST(PunchLines, SapReaderCode) {
  ClsCfgFile cfg = settings();
  cfg.SAPEnabled = 1;
  struct Case {
    std::string reader, code;
  } cases[] = {{"01", "P10"}, {"02", "P20"}, {"1 ", "P20"}};
  for (const Case& c : cases) {
    clsRegistro r = parsed(cfg, "020240305080701" + c.reader + "12345");
    EXPECT_EQ(r.getFileRecord().substr(44, 3), c.code) << c.reader;
  }
}

TEST(PunchLines, DateCarriesOver) {
  ClsCfgFile cfg = settings();
  clsRegistro r = parsed(cfg, "0202413320807010212345");  // month 13, day 32
  const basic::DateTime d = r.getFecha();
  EXPECT_EQ(d.year, 2025);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.day, 1);
  r.parseFecha("0202400000");  // month 0, day 0: the last day of November of the year before
  EXPECT_EQ(r.getFecha().year, 2023);
  EXPECT_EQ(r.getFecha().month, 11);
  EXPECT_EQ(r.getFecha().day, 30);
  r.parseFecha("0202402300");
  EXPECT_EQ(r.getFecha().month, 3);  // 30 February 2024 is 1 March
  EXPECT_EQ(r.getFecha().day, 1);
}

// Message table: lookup edges and the completeness of the three language blocks.
#include "core/Messages.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

struct LookupCase {
  int id;
  int lenguaje;
  const char* expected;
};

class LookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupTest, GivesTextOrEmpty) {
  const LookupCase& c = GetParam();
  EXPECT_EQ(GetMsgIn(c.id, c.lenguaje), c.expected) << c.id << " + " << c.lenguaje;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, LookupTest,
    ::testing::Values(
        LookupCase{316, 0, "CLAVE DE ACCESO ERRONEA. Verifique Mayúsculas y Minúsculas"},
        LookupCase{316, 1000, "WRONG PASSWORD. Check Upper and Lower Case"},
        LookupCase{316, 2000, "SENHA DE ACESSO ERRADA. Verifique Maiúsculas e Minúsculas"},
        LookupCase{101, 0, "Guardar..."}, LookupCase{415, 0, "&Base de Touchs"},
        LookupCase{371, 0, "Sab "},                                   // trailing blank kept
        LookupCase{318, 0, "La descripción  no puede quedar vacía"},  // doubled blank kept
        LookupCase{0, 0, ""}, LookupCase{-1, 0, ""}, LookupCase{-32768, 1000, ""},
        LookupCase{100, 0, ""}, LookupCase{416, 0, ""}, LookupCase{416, 1000, ""},
        LookupCase{101, 500, ""},  // 601 does not exist
        // Only 0, 1000 and 2000 are languages: 1200 + 1 must not give message 1201.
        LookupCase{1200, 1, ""}, LookupCase{101, -1000, ""}, LookupCase{101, 3000, ""},
        // The sum is a 16-bit number: past 32767 there is nothing.
        LookupCase{32767, 1000, ""}, LookupCase{31316, 2000, ""}, LookupCase{40000, 0, ""}));

int countOf(const std::string& s, char c) {
  return static_cast<int>(std::count(s.begin(), s.end(), c));
}

TEST(MessageBlocks, EveryNumberHasMatchingTextInAllThreeLanguages) {
  for (int id = 101; id <= 415; ++id) {
    const std::string es = GetMsgIn(id, 0);
    ASSERT_FALSE(es.empty()) << id;
    for (int offset : {1000, 2000}) {
      const std::string text = GetMsgIn(id, offset);
      ASSERT_FALSE(text.empty()) << id + offset;
      // Same access keys and the same literal or placeholder markers as the Spanish.
      EXPECT_EQ(countOf(text, '&'), countOf(es, '&')) << id + offset << " " << text;
      EXPECT_EQ(countOf(text, '%'), countOf(es, '%')) << id + offset << " " << text;
      EXPECT_EQ(text == ">", es == ">") << id + offset;
    }
    for (int offset : {0, 1000, 2000}) {
      const std::string text = GetMsgIn(id, offset);
      EXPECT_EQ(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString(),
                text)
          << "not valid UTF-8: " << id + offset;
    }
  }
}

// The lookup through the settings: the language is read afresh at each call.
TEST(GetMsg, FollowsTheLanguageSetting) {
  ProgramObjects objects;
  ClsCfgFile& cfg = objects.createSettings();
  const struct {
    int16_t lenguaje;
    int id;
    const char* expected;
  } cases[] = {
      {0, 316, "CLAVE DE ACCESO ERRONEA. Verifique Mayúsculas y Minúsculas"},
      {1000, 316, "WRONG PASSWORD. Check Upper and Lower Case"},
      {2000, 380, "Selecione um Diretório..."},
      {0, 0, ""},
      {0, -5, ""},
      {500, 101, ""},
      {1000, 32000, ""},
  };
  for (const auto& c : cases) {
    cfg.LENGUAJE = c.lenguaje;
    EXPECT_EQ(GetMsg(c.id), c.expected) << c.id << " + " << c.lenguaje;
  }
  objects.release();
  EXPECT_EQ(GetMsg(316), "");
}

// The texts added beside the table: each present in all three languages, each language its own
// text, with the same parts to fill as the Spanish.
TEST(ExtraMessages, EveryTextInAllThreeLanguagesWithTheSameParts) {
  const auto parts = [](const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
      if (s[i] == '%' && s[i + 1] >= '1' && s[i + 1] <= '9') out += s[i + 1];
    std::sort(out.begin(), out.end());
    return out;
  };
  for (int k = 0; k < static_cast<int>(ExtraMsg::Count); ++k) {
    const auto id = static_cast<ExtraMsg>(k);
    const std::string es = GetExtraMsgIn(id, 0);
    const std::string en = GetExtraMsgIn(id, 1000);
    const std::string pt = GetExtraMsgIn(id, 2000);
    ASSERT_FALSE(es.empty()) << k;
    ASSERT_FALSE(en.empty()) << k;
    ASSERT_FALSE(pt.empty()) << k;
    EXPECT_NE(es, en) << k;
    EXPECT_NE(es, pt) << k;
    EXPECT_NE(en, pt) << k;
    EXPECT_EQ(parts(en), parts(es)) << en;
    EXPECT_EQ(parts(pt), parts(es)) << pt;
  }
  EXPECT_EQ(GetExtraMsgIn(ExtraMsg::Count, 0), "");
}

// The start-up failure's words, followed by the reason, as the main window shows them.
TEST(ExtraMessages, StartFailedInEachLanguage) {
  EXPECT_EQ(GetExtraMsgIn(ExtraMsg::StartFailed, 0), "ERROR AL INICIALIZAR: ");
  EXPECT_EQ(GetExtraMsgIn(ExtraMsg::StartFailed, 1000), "ERROR WHILE STARTING: ");
  EXPECT_EQ(GetExtraMsgIn(ExtraMsg::StartFailed, 2000), "ERRO AO INICIALIZAR: ");
}

TEST(ExtraMessages, PartsFilledOnceAndLanguageFollowsTheSettings) {
  struct Case {
    int lenguaje;
    std::initializer_list<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {0,
       {"/d/velta002.dat", "Permission denied"},
       "No se pudo grabar /d/velta002.dat: Permission denied"},
      {1000,
       {"/d/velta002.dat", "Permission denied"},
       "Could not save /d/velta002.dat: Permission denied"},
      {2000,
       {"/d/velta002.dat", "Permission denied"},
       "Não foi possível gravar /d/velta002.dat: Permission denied"},
      // A part that itself holds "%2" stays as it is; a missing part leaves its marker.
      {0, {"/d/100%2.dat", "x"}, "No se pudo grabar /d/100%2.dat: x"},
      {0, {"/d/a"}, "No se pudo grabar /d/a: %2"},
      // No language: Spanish, never an empty report.
      {500, {"a", "b"}, "No se pudo grabar a: b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetExtraMsgIn(ExtraMsg::SaveFailed, c.lenguaje, c.args), c.expected) << c.lenguaje;
  ProgramObjects objects;
  objects.createSettings().LENGUAJE = 1000;
  EXPECT_EQ(GetExtraMsg(ExtraMsg::PrinterFailed), "The printer failed while printing the document");
  objects.release();
  EXPECT_EQ(GetExtraMsg(ExtraMsg::PrinterFailed), "La impresora falló al imprimir el documento");
}

// A failure is worded by its kind: the file layer's own refusals have texts of their own, and a
// system error number is worded as what the system said, never as a refusal it happens to
// share a number with (ESTALE from a data folder on NFS is no file replaced while read).
TEST(ExtraMessages, AFileFailureIsWordedByItsKindApartFromTheSystemsNumber) {
  using basekit::FileError;
  using basekit::FileFault;
  struct Case {
    const char* what;
    FileError error;
    ExtraMsg reason;
  };
  const Case cases[] = {
      {"a link", FileError::refusal(FileFault::SymbolicLink, "f"), ExtraMsg::NotPlainFile},
      {"a second name", FileError::refusal(FileFault::SecondName, "f"), ExtraMsg::ReasonSecondName},
      {"no plain file", FileError::refusal(FileFault::NotPlainFile, "f"), ExtraMsg::ReasonNotPlain},
      {"too large", FileError::refusal(FileFault::TooLarge, "f"), ExtraMsg::ReasonFileTooBig},
      {"replaced while read", FileError::refusal(FileFault::ReplacedWhileRead, "f"),
       ExtraMsg::ReasonReplacedWhileRead},
      {"denied", FileError::system(EACCES, "f"), ExtraMsg::ReasonAccess},
      {"missing", FileError::system(ENOENT, "f"), ExtraMsg::ReasonMissing},
  };
  for (const int lenguaje : {0, 1000, 2000})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(lenguaje));
      EXPECT_EQ(fileReasonIn(c.error, lenguaje), GetExtraMsgIn(c.reason, lenguaje));
    }
  // The system's own numbers that a refusal once borrowed: worded as the system's.
  for (const int err : {ESTALE, EMLINK, EMEDIUMTYPE}) {
    SCOPED_TRACE(err);
    const std::string said = fileReasonIn(FileError::system(err, "f"), 0);
    EXPECT_EQ(said, systemReasonIn(err, 0));
    EXPECT_EQ(said, GetExtraMsgIn(ExtraMsg::ReasonSystem, 0, {strerrorname_np(err)}));
  }
  // Missing is the system's ENOENT or ENOTDIR, and nothing else.
  EXPECT_TRUE(FileError::system(ENOENT, "f").missing());
  EXPECT_TRUE(FileError::system(ENOTDIR, "f").missing());
  EXPECT_FALSE(FileError::system(EISDIR, "f").missing());
  EXPECT_FALSE(FileError::refusal(FileFault::NotPlainFile, "f").missing());
}

}  // namespace

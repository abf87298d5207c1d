// Qt's own texts follow the language of the settings: the buttons of the program's message
// boxes and the file and print dialogs, at start-up and after the language changes; and a box
// is wide enough for its title.
#include "core/QtTranslations.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/StoreWriters.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/ReleaseBoxes.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <clocklink/testing/PeerPath.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>

#include <algorithm>
#include <ctime>
#include <sys/time.h>
#include <vector>

namespace {

QStringList buttonTexts(const QWidget& w) {
  QStringList out;
  for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
    if (!b->text().isEmpty()) out << b->text();
  std::sort(out.begin(), out.end());
  return out;
}

class QtTranslationsTest : public ::testing::Test {
 protected:
  QtTranslationsTest() {
    apptest::ensureApplication();
    apptest::objects().createSettings();
  }
  // The fixture's owner takes the translators off at its end.
  ~QtTranslationsTest() override { dialogs::testing::setBoxInspector({}); }
  // The buttons of a real box of `style`, built as it would be shown.
  QStringList boxButtons(int style) {
    QStringList out;
    dialogs::testing::setBoxInspector([&out](QMessageBox& box) { out = buttonTexts(box); });
    MsgBox(194, style);
    dialogs::testing::setBoxInspector({});
    return out;
  }
  apptest::TempDataFolder folder;
};

TEST_F(QtTranslationsTest, BoxesAndDialogsInEachLanguage) {
  struct Case {
    int lenguaje;
    QStringList yesNo, okCancel, saveDialog;
    QString lookIn;
    QString folder;
    QString december;  // the date box's calendar heading
  };
  std::vector<Case> cases = {
      {0,
       {"&No", "&Sí"},
       {"Aceptar", "Cancelar"},
       {"&Guardar", "Cancelar"},
       "Ver en:",
       "Carpeta",
       "diciembre"},
      {1000,
       {"&No", "&Yes"},
       {"Cancel", "OK"},
       {"&Save", "Cancel"},
       "Look in:",
       "Folder",
       "december"},
      {2000,
       {"&Não", "&Sim"},
       {"Cancelar", "OK"},
       {"&Salvar", "Cancelar"},
       "Procurar em:",
       "Pasta",
       "dezembro"},
  };
  // Any other value reads as Spanish, as the settings read it.
  cases.push_back(cases.front());
  cases.back().lenguaje = 500;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lenguaje);
    ASSERT_TRUE(applyQtTranslations(c.lenguaje));
    EXPECT_EQ(boxButtons(msgbox::YesNo | msgbox::Question), c.yesNo);
    EXPECT_EQ(boxButtons(msgbox::OkCancel), c.okCancel);
    // The file dialogs are Qt's own (not the desktop's), as the file-dialog seam opens them.
    QFileDialog save;
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(buttonTexts(*save.findChild<QDialogButtonBox*>()), c.saveDialog);
    EXPECT_EQ(save.findChild<QLabel*>("lookInLabel")->text(), c.lookIn);
    // The file list's "Folder", which Qt's translations lack, comes from our own few texts.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), c.folder);
    // The calendar of a date box made now names its months in the language too.
    QDateEdit date(QDate(2026, 12, 10));
    date.setCalendarPopup(true);
    const QLocale calendar = date.calendarWidget()->locale();
    EXPECT_EQ(calendar.standaloneMonthName(12).toLower(), c.december);
  }
}

TEST_F(QtTranslationsTest, PrintDialogInSpanish) {
  ASSERT_TRUE(applyQtTranslations(0));
  QPrinter printer;
  QPrintDialog dialog(&printer);
  const QStringList texts = buttonTexts(dialog);
  EXPECT_TRUE(texts.contains("Im&primir")) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains("Cancelar")) << texts.join('|').toStdString();
  EXPECT_FALSE(texts.contains("&Print"));
  EXPECT_FALSE(texts.contains("Cancel"));
  // Texts Qt's Spanish translation lacks, from our own.
  EXPECT_TRUE(texts.contains("Encuadernación por el lado largo")) << texts.join('|').toStdString();
  EXPECT_FALSE(texts.contains("Long side binding"));
}

// A box sizes itself to its text: "Hora Incorrecta" made one whose title bar cut "Velta 2000"
// to "Vel…000". Every box is at least as wide as its title needs, whatever its text.
TEST_F(QtTranslationsTest, BoxIsWideEnoughForItsTitle) {
  struct Case {
    int number;
    std::string title;
  };
  const Case cases[] = {{327, ""},
                        {327, "Prueba de Puertos de Comunicación"},
                        {376, "Atención"},
                        {283, "Configuración del Reloj"}};
  for (const Case& c : cases) {
    int width = 0;
    QString shownTitle;
    QFont font;
    dialogs::testing::setBoxInspector([&](QMessageBox& box) {
      box.show();
      width = box.width();
      shownTitle = box.windowTitle();
      font = box.font();
      box.hide();
    });
    MsgBox(c.number, msgbox::OkOnly | msgbox::Exclamation, c.title);
    dialogs::testing::setBoxInspector({});
    EXPECT_EQ(shownTitle.toStdString(), c.title.empty() ? "Velta 2000" : c.title);
    QFont bold = font;
    bold.setBold(true);
    // Room for the title in the title bar's bold face and the frame's icon and buttons.
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(shownTitle) + 100) << c.title;
  }
}

TEST_F(QtTranslationsTest, ClickedButtonIsTheAnswerOfARealBox) {
  ASSERT_TRUE(applyQtTranslations(0));
  dialogs::testing::setBoxInspector([](QMessageBox& box) {
    for (QAbstractButton* b : box.buttons())
      if (b->text() == "&No") b->click();
  });
  EXPECT_EQ(MsgBox(194, msgbox::YesNo), msgbox::No);
  dialogs::testing::setBoxInspector([](QMessageBox&) {});
  EXPECT_EQ(MsgBox(194, msgbox::YesNo), msgbox::No);  // closed without a choice
  EXPECT_EQ(MsgBox(194, msgbox::OkCancel), msgbox::Cancel);
}

// Qt's file dialog takes a file's size and date from the system locale, not from the default
// one: the program makes the language's locale the process's own before its application
// starts, so "1,03 KiB" and "10/12/26 14:03" in Spanish, not "1.03 KiB" and "12/10/26 2:03 PM".
TEST_F(QtTranslationsTest, FileDialogSizesAndDatesFollowTheLanguageFromTheStart) {
  folder.write("CARDS.TXT", std::string(1055, '1'));
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 10;
  t.tm_hour = 14;
  t.tm_min = 3;
  t.tm_isdst = -1;
  const timeval times[2] = {{std::mktime(&t), 0}, {std::mktime(&t), 0}};
  ASSERT_EQ(::utimes(folder.file("CARDS.TXT").c_str(), times), 0);
  const QDateTime modified(QDate(2026, 12, 10), QTime(14, 3));
  struct Case {
    const char* ini;  // nullptr: no settings file
    const char* locale;
  };
  const Case cases[] = {{nullptr, "es_ES"},
                        {"[COMMON]\r\nLENGUAJE=0\r\n", "es_ES"},
                        {"[COMMON]\r\nLENGUAJE=1000\r\n", "en_US"},
                        {"[COMMON]\r\nLENGUAJE=2000\r\n", "pt_BR"},
                        {"[COMMON]\r\nLENGUAJE=500\r\n", "es_ES"}};
  const QString program = QString::fromStdString(clocklink::testing::peerPath(VELTA_LOCALE_PROBE));
  QStringList spanish;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini ? c.ini : "no settings file");
    std::remove(folder.file("VELTA.INI").c_str());
    if (c.ini) folder.write("VELTA.INI", c.ini);
    QProcess probe;
    probe.setWorkingDirectory(QString::fromStdString(folder.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "en_US.UTF-8");  // whatever the desktop says, the setting decides
    probe.setProcessEnvironment(env);
    probe.start(program, {QString::fromStdString(folder.file("CARDS.TXT"))});
    ASSERT_TRUE(probe.waitForFinished(120000));
    ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split('\n');
    ASSERT_GE(lines.size(), 3);
    const QLocale language(c.locale);
    EXPECT_EQ(lines[0], language.formattedDataSize(1055));
    EXPECT_EQ(lines[1], language.toString(modified, QLocale::ShortFormat));
    EXPECT_EQ(lines[2], "7.5");  // the C library's numbers keep their point
    if (std::string(c.locale) == "es_ES") spanish = lines.mid(0, 2);
  }
  EXPECT_EQ(spanish, (QStringList{"1,03 KiB", "10/12/26 14:03"}));
}

}  // namespace

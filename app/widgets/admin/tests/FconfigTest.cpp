// The configuration dialog on the offscreen platform, driven as an operator would: the file it
// saves byte for byte, Cancel writing nothing, a failed save reported with the dialog left
// open, the enabling rules at load, the lists and the SAP dialog; every tab grabbed to PNG.
#include "widgets/admin/Fconfig.h"

#include "admin/tests/ConfigTestData.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/QtTranslations.h"
#include "testsupport/PlantedLink.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FCfgSAP.h"
#include "widgets/admin/FODBCLogon.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <basekit/atomicfile.h>
#include <basekit/testing/Hooks.h>
#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace {

// Every key the settings object owns, in place, plus lines it does not own.
const char* const kIni =
    "; kept by hand\r\n"
    "[COMMON]\r\n"
    "VERSION=1\r\n"
    "AUTO=0\r\n"
    "FFECHA=dd\\/mm\\/YYYY\r\n"
    "PORPROGRAMA=0\r\n"
    "HORA=6\r\n"
    "MINUTOS=30\r\n"
    "RELOJACTIVO=7\r\n"
    "LONGTARJETA=5\r\n"
    "LONGTOUCH=4\r\n"
    "TIMEOUT=1\r\n"
    "TIMEOUTMODEM=45\r\n"
    "LENGUAJE=0\r\n"
    "AUTODIAS=10000001\r\n"
    "BACKUP=1\r\n"
    "MULTIEMPRESA=0\r\n"
    "MODEMDRIVER=usr sportster\r\n"
    "MODOVIRTUAL=0\r\n"
    "MODOLEGAJO=0\r\n"
    "CONVERTIR=0\r\n"
    "FRECONLINE=5\r\n"
    "FRECAUTO=135\r\n"
    "ELIMINARDUPLICADOS=1\r\n"
    "MAXCONSOLE=200\r\n"
    "OPERATORNOTE=left alone\r\n"
    "[ODBC]\r\n"
    "cboDSNList=2\r\n"
    "txtUID=sa\r\n"
    "txtpwd=secret\r\n"
    "txtDatabase=velta\r\n"
    "cboDrivers=1\r\n"
    "txtServer=dbhost\r\n"
    "ODBCString=DSN=velta\r\n"
    "[SAP]\r\n"
    "SAPEnabled=0\r\n"
    "SAPUsername=hr\r\n"
    "SAPPassword=pw\r\n"
    "SAPUrl=old.example\r\n"
    "SAPpath=/in\r\n"
    "SAPProxy=\r\n"
    "SAPRemotePort=21\r\n"
    "SAPTransferBinary=1\r\n"
    "SAPModoPasivo=0\r\n"
    "[SKIN]\r\n"
    "skinBorderColor=8388608\r\n"
    "[RSH]\r\n"
    "RSHENABLED=1\r\n"
    "RSHSERVER=saphost\r\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

template <typename W>
W* child(QWidget& parent, const char* name) {
  W* w = parent.findChild<W*>(name);
  EXPECT_TRUE(w) << name;
  return w;
}

void typeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Clicks a check box on its box, as a hand would (its label may end before its middle).
void tick(QCheckBox* box) {
  ASSERT_TRUE(box);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

// Runs `drive` on the modal dialog that the next exec() shows (found when it is active).
void whenModal(std::function<void(QWidget*)> drive) {
  QTimer::singleShot(0, [drive] {
    QWidget* modal = QApplication::activeModalWidget();
    EXPECT_TRUE(modal);
    if (modal) drive(modal);
  });
}

class FconfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.write("VELTA.INI", kIni);
    folder.write("MODEMS.INI", "[Hayes]\nCom=1\n[USR Sportster]\nCom=2\n");
    ::setenv("VELTA_MODEMS", folder.file("MODEMS.INI").c_str(), 1);
    configtest::createStores(folder);
    configtest::addClock(*gListaRelojes, 3);
    configtest::addClock(*gListaRelojes, 7);
    configtest::addUser(*gUsers, 1, "ADMIN", 2);
    configtest::addUser(*gUsers, 2, "CLERK", 0);
    ASSERT_TRUE(gListaRelojes->GrabarRelojes().ok);
    ASSERT_TRUE(gUsers->GrabarUsers().ok);
    clocksFile = folder.read("velta002.dat");
    usersFile = folder.read("VELTA.DAT");
    apptest::objects().createMirsol();
    apptest::objects().createModem();
  }
  void TearDown() override { ::unsetenv("VELTA_MODEMS"); }

  std::unique_ptr<Fconfig> open() {
    auto dialog =
        std::make_unique<Fconfig>([this] { ++loadTexts; }, nullptr, apptest::windowContext());
    dialog->show();
    QApplication::processEvents();
    return dialog;
  }

  bool filesAsTheyWere() const {
    return folder.read("VELTA.INI") == kIni && folder.read("velta002.dat") == clocksFile &&
           folder.read("VELTA.DAT") == usersFile;
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  std::string clocksFile;
  std::string usersFile;
  int loadTexts = 0;
};

TEST_F(FconfigTest, OkSavesTheSettingsFileExactlyAndTheNewLanguageShows) {
  ASSERT_TRUE(applyQtTranslations(0));  // as the start-up leaves it for LENGUAJE=0
  const auto qtYes = [] { return QMessageBox().addButton(QMessageBox::Yes)->text(); };
  EXPECT_EQ(qtYes(), "&Sí");
  auto dialog = open();
  EXPECT_TRUE(boxes.boxes().empty());
  auto* tabs = child<QTabWidget>(*dialog, "Carpeta");
  EXPECT_EQ(child<QComboBox>(*dialog, "Modem")->currentText(), "USR Sportster");

  tabs->setCurrentIndex(2);
  typeInto(child<QLineEdit>(*dialog, "TimeOut"), "30");
  typeInto(child<QLineEdit>(*dialog, "TXTTimeOutModem"), "120");
  whenModal([](QWidget* sap) {
    EXPECT_EQ(sap->objectName(), "FCfgSAP");
    typeInto(sap->findChild<QLineEdit*>("txtURL"), "ftp.example");
    typeInto(sap->findChild<QLineEdit*>("txtRemotePort"), "2121");
    tick(sap->findChild<QCheckBox*>("chkSAP"));
    QTest::mouseClick(sap->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  QTest::mouseClick(child<QPushButton>(*dialog, "cmdSAP"), Qt::LeftButton);

  tabs->setCurrentIndex(3);
  tick(child<QCheckBox>(*dialog, "ChkAuto0"));
  tick(child<QCheckBox>(*dialog, "Semana3"));
  tabs->setCurrentIndex(0);
  child<QComboBox>(*dialog, "CmbLenguaje")->setCurrentIndex(1);

  child<QAction>(*dialog, "mnuOk")->trigger();
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(loadTexts, 1);
  EXPECT_EQ(GetMsg(192), "Settings");
  EXPECT_EQ(qtYes(), "&Yes");  // Qt's own texts follow the new language
  EXPECT_EQ(gMirsol->TimeOutModem, 120);

  std::string expected = kIni;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"VERSION=1", "VERSION=2"},
           {"AUTO=0", "AUTO=1"},
           {"TIMEOUT=1\r", "TIMEOUT=30\r"},
           {"TIMEOUTMODEM=45", "TIMEOUTMODEM=120"},
           {"LENGUAJE=0", "LENGUAJE=1000"},
           {"AUTODIAS=10000001", "AUTODIAS=10010001"},
           {"MODEMDRIVER=usr sportster", "MODEMDRIVER=USR Sportster"},
           {"SAPEnabled=0", "SAPEnabled=1"},
           {"SAPUrl=old.example", "SAPUrl=ftp.example"},
           {"SAPRemotePort=21", "SAPRemotePort=2121"}})
    expected = replaced(expected, from, to);
  EXPECT_EQ(folder.read("VELTA.INI"), expected);
  EXPECT_EQ(folder.read("velta002.dat"), clocksFile);
  EXPECT_EQ(folder.read("VELTA.DAT"), usersFile);
}

// The dialog shows and saves the settings and users it is handed, not the program's.
TEST_F(FconfigTest, WorksOverTheHandedSettingsAndUsers) {
  const std::string other = folder.file("other/");
  ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
  folder.write("other/VELTA.INI", kIni);
  ClsCfgFile cfg;
  cfg.Init(other + "VELTA.INI");
  cfg.LoadCfg();
  ClsUsers users;
  users.Iniciar(other + "VELTA.DAT");
  (void)users.CargarUsers();
  configtest::addUser(users, 1, "OTRO", 2);
  AdminObjects handed = AdminObjects::of(apptest::objects());
  handed.cfg = &cfg;
  handed.users = &users;
  Fconfig dialog([] {}, nullptr, apptest::windowContext(handed));
  dialog.show();
  QApplication::processEvents();
  auto* list = child<QTreeWidget>(dialog, "LvUsr");
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "OTRO");
  child<QTabWidget>(dialog, "Carpeta")->setCurrentIndex(2);
  typeInto(child<QLineEdit>(dialog, "TimeOut"), "30");
  child<QAction>(dialog, "mnuOk")->trigger();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_NE(folder.read("other/VELTA.INI").find("TIMEOUT=30\r\n"), std::string::npos);
  EXPECT_TRUE(folder.exists("other/VELTA.DAT"));
  EXPECT_EQ(gCfgFile->TimeOut, 1);
  EXPECT_EQ(folder.read("VELTA.INI"), kIni);
  EXPECT_EQ(folder.read("VELTA.DAT"), usersFile);
}

TEST_F(FconfigTest, CancelWritesNothingAndDropsTypedSettings) {
  auto dialog = open();
  typeInto(child<QLineEdit>(*dialog, "TimeOut"), "30");
  child<QComboBox>(*dialog, "CmbLenguaje")->setCurrentIndex(2);
  child<QAction>(*dialog, "mnuCancel")->trigger();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(gCfgFile->TimeOut, 1);
  EXPECT_EQ(gCfgFile->LENGUAJE, 0);
  EXPECT_EQ(loadTexts, 0);
  EXPECT_TRUE(filesAsTheyWere());
}

TEST_F(FconfigTest, SapAndListChangesStayInMemoryAfterCancel) {
  auto dialog = open();
  whenModal([](QWidget* sap) {
    typeInto(sap->findChild<QLineEdit*>("txtURL"), "new.example");
    QTest::mouseClick(sap->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  QTest::mouseClick(child<QPushButton>(*dialog, "cmdSAP"), Qt::LeftButton);
  auto* users = child<QTreeWidget>(*dialog, "LvUsr");
  users->setCurrentItem(users->topLevelItem(1));
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd5"), Qt::LeftButton);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{194});
  EXPECT_EQ(users->topLevelItemCount(), 1);
  child<QAction>(*dialog, "mnuCancel")->trigger();
  EXPECT_EQ(gCfgFile->SAPUrl, "new.example");
  EXPECT_TRUE(gUsers->Deleted(2));
  EXPECT_TRUE(filesAsTheyWere());
}

TEST_F(FconfigTest, SapCancelAndABadPortKeepThePreviousSettings) {
  FCfgSAP sap(*gCfgFile);
  sap.show();
  typeInto(child<QLineEdit>(sap, "txtRemotePort"), "70000");
  QTest::mouseClick(child<QPushButton>(sap, "cmdOK"), Qt::LeftButton);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{344});
  EXPECT_TRUE(sap.isVisible());
  typeInto(child<QLineEdit>(sap, "txtURL"), "other.example");
  QTest::mouseClick(child<QPushButton>(sap, "cmdCancel"), Qt::LeftButton);
  EXPECT_FALSE(sap.isVisible());
  EXPECT_EQ(gCfgFile->SAPUrl, "old.example");
  EXPECT_EQ(gCfgFile->SAPRemotePort, 21);
  EXPECT_EQ(child<QLineEdit>(sap, "txtPWD")->echoMode(), QLineEdit::Password);
}

TEST_F(FconfigTest, AFailedSaveIsReportedAndOkTriesAgain) {
  auto dialog = open();
  typeInto(child<QLineEdit>(*dialog, "TimeOut"), "30");
  basekit::testing::failNextReplace(ENOSPC);
  child<QAction>(*dialog, "mnuOk")->trigger();
  ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  EXPECT_NE(boxes.boxes()[0].text.find(folder.file("VELTA.INI")), std::string::npos);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(folder.read("VELTA.INI"), kIni);

  child<QAction>(*dialog, "mnuOk")->trigger();
  EXPECT_EQ(boxes.numbers().size(), 1u);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_NE(folder.read("VELTA.INI").find("TIMEOUT=30\r\n"), std::string::npos);
}

TEST_F(FconfigTest, ASettingsOrStoreFileThatIsALinkIsReportedAsAFailedSave) {
  for (const char* name : {"VELTA.INI", "velta002.dat"}) {
    SCOPED_TRACE(name);
    boxes.clear();
    auto dialog = open();
    apptest::PlantedLink link(folder.file(name));
    child<QAction>(*dialog, "mnuOk")->trigger();
    ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
    const std::string& text = boxes.boxes()[0].text;
    EXPECT_NE(text.find(folder.file(name) + ": " + GetExtraMsg(ExtraMsg::NotPlainFile)),
              std::string::npos)
        << text;
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(link.unchanged());
  }
}

TEST_F(FconfigTest, AFailedCheckKeepsTheDialogOpenOnTheControl) {
  auto dialog = open();
  auto* tabs = child<QTabWidget>(*dialog, "Carpeta");
  auto* hour = child<QLineEdit>(*dialog, "TxtHora0");
  hour->setText("24");
  child<QAction>(*dialog, "mnuOk")->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{327});
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(tabs->currentIndex(), 3);
  EXPECT_EQ(gCfgFile->Hora, 6);
  EXPECT_TRUE(filesAsTheyWere());
}

TEST_F(FconfigTest, EnablingRulesAtLoadAndOnClicks) {
  gCfgFile->ModoLegajo = 1;
  gCfgFile->ModoVirtual = 1;
  auto dialog = open();
  auto* autoRun = child<QCheckBox>(*dialog, "ChkAuto0");
  auto* byTime = child<QCheckBox>(*dialog, "ChkAuto1");
  auto* virtualDescription = child<QCheckBox>(*dialog, "ChkModoVirtual");
  EXPECT_FALSE(virtualDescription->isChecked());
  EXPECT_FALSE(virtualDescription->isEnabled());
  EXPECT_FALSE(byTime->isEnabled());
  EXPECT_FALSE(child<QCheckBox>(*dialog, "Semana0")->isEnabled());
  EXPECT_FALSE(child<QCheckBox>(*dialog, "ChkCerrar")->isEnabled());
  EXPECT_FALSE(child<QLineEdit>(*dialog, "TxtHora0")->isEnabled());

  child<QTabWidget>(*dialog, "Carpeta")->setCurrentIndex(3);
  tick(autoRun);
  EXPECT_TRUE(byTime->isEnabled());
  EXPECT_TRUE(child<QCheckBox>(*dialog, "Semana6")->isEnabled());
  tick(byTime);
  EXPECT_TRUE(child<QLineEdit>(*dialog, "TxtHora1")->isEnabled());
  tick(autoRun);
  EXPECT_FALSE(byTime->isEnabled());
  EXPECT_TRUE(child<QLineEdit>(*dialog, "TxtHora1")->isEnabled());  // not this box's rule

  child<QTabWidget>(*dialog, "Carpeta")->setCurrentIndex(0);
  tick(child<QCheckBox>(*dialog, "ChkModoLegajo"));
  EXPECT_TRUE(virtualDescription->isEnabled());
  EXPECT_FALSE(child<QWidget>(*dialog, "Fr3")->isEnabled());  // the tab left behind
}

TEST_F(FconfigTest, NoModemDefinitions) {
  ::setenv("VELTA_MODEMS", folder.file("NONE.INI").c_str(), 1);
  auto dialog = open();
  ASSERT_EQ(boxes.numbers(), std::vector<int>{317});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  EXPECT_EQ(child<QComboBox>(*dialog, "Modem")->count(), 0);
  child<QAction>(*dialog, "mnuOk")->trigger();
  EXPECT_EQ(gCfgFile->ModemDriver, "");
  EXPECT_NE(folder.read("VELTA.INI").find("MODEMDRIVER=\r\n"), std::string::npos);
}

TEST_F(FconfigTest, ClockAndUserListsAndTheirCommands) {
  std::vector<int> edited;
  apptest::objects().editorHooks().clockList = [&](ClsListaRelojes& c) {
    edited.push_back(c.Operation);
    if (c.Operation == 0) c.Operation = -1;  // New cancelled
  };
  auto dialog = open();
  auto* clocks = child<QTreeWidget>(*dialog, "Lst");
  ASSERT_EQ(clocks->columnCount(), 13);
  ASSERT_EQ(clocks->topLevelItemCount(), 2);
  EXPECT_EQ(clocks->topLevelItem(0)->text(0), "003");
  EXPECT_EQ(clocks->topLevelItem(1)->text(0), "007");
  EXPECT_EQ(clocks->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 7);
  EXPECT_EQ(clocks->headerItem()->text(12), "Procesar en Automático");
  const int unit = clocks->columnWidth(1) / 2;
  EXPECT_GT(unit, 0);
  EXPECT_EQ(clocks->columnWidth(6), 6 * unit);

  child<QTabWidget>(*dialog, "Carpeta")->setCurrentIndex(1);
  QTreeWidgetItem* before = clocks->topLevelItem(0);
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd0"), Qt::LeftButton);
  EXPECT_EQ(clocks->topLevelItem(0), before);  // not refilled
  clocks->setCurrentItem(clocks->topLevelItem(1));
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd1"), Qt::LeftButton);
  EXPECT_EQ(edited, (std::vector<int>{0, 7}));
  clocks->clearSelection();
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd1"), Qt::LeftButton);
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd2"), Qt::LeftButton);
  EXPECT_EQ(edited.size(), 2u);
  EXPECT_TRUE(boxes.boxes().empty());

  clocks->setCurrentItem(clocks->topLevelItem(0));
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd2"), Qt::LeftButton);
  ASSERT_EQ(clocks->topLevelItemCount(), 1);
  EXPECT_EQ(clocks->topLevelItem(0)->text(0), "007");

  auto* users = child<QTreeWidget>(*dialog, "LvUsr");
  ASSERT_EQ(users->topLevelItemCount(), 2);
  EXPECT_EQ(users->topLevelItem(0)->text(0), "ADMIN");
  child<QTabWidget>(*dialog, "Carpeta")->setCurrentIndex(4);
  users->setCurrentItem(users->topLevelItem(0));
  boxes.clear();
  QTest::mouseClick(child<QPushButton>(*dialog, "Cmd5"), Qt::LeftButton);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{338});
  EXPECT_EQ(users->topLevelItemCount(), 2);
}

TEST_F(FconfigTest, ModemProgramFilesListedAndTheDialogBackAfterARun) {
  folder.write("b.cfx", "");
  folder.write("A.CFX", "");
  auto dialog = open();
  auto* files = child<QComboBox>(*dialog, "CmbModemPrg");
  ASSERT_EQ(files->count(), 2);
  EXPECT_EQ(files->itemText(0), "A.CFX");
  EXPECT_EQ(files->currentIndex(), -1);
  child<QTabWidget>(*dialog, "Carpeta")->setCurrentIndex(2);
  QTest::mouseClick(child<QPushButton>(*dialog, "CmdCfgModem"), Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes().empty());  // nothing chosen
  files->setCurrentIndex(1);
  QTest::mouseClick(child<QPushButton>(*dialog, "CmdCfgModem"), Qt::LeftButton);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{266});
  auto* lines = child<QListWidget>(*dialog, "LstPrg");
  ASSERT_EQ(lines->count(), 1);
  EXPECT_EQ(lines->item(0)->text(), "Inicializando el Modem...");
  EXPECT_TRUE(dialog->isEnabled());
}

TEST_F(FconfigTest, OpenedModallyByTheMainWindowsCommand) {
  gCfgFile->LENGUAJE = 1000;
  QWidget mainWindow;
  mainWindow.show();
  bool seen = false;
  whenModal([&seen](QWidget* modal) {
    seen = modal->objectName() == "Fconfig" && modal->windowTitle() == "Settings" &&
           !modal->findChild<QPushButton*>("cmdODBC")->isVisible();
    modal->findChild<QAction*>("mnuCancel")->trigger();
  });
  int reloads = 0;
  openFconfig(
      &mainWindow, [&reloads] { ++reloads; }, apptest::windowContext());
  EXPECT_TRUE(seen);
  EXPECT_EQ(reloads, 0);
  EXPECT_TRUE(filesAsTheyWere());
}

// The clock list's "No Hay registros para borrar" opens over the dialog, not in the middle of
// the screen, also when no window of the program has the focus.
TEST_F(FconfigTest, TheListsBoxesOpenOverTheDialog) {
  for (int16_t slot : {3, 7}) gListaRelojes->Borrar(slot);
  QWidget mainWindow;
  mainWindow.show();
  std::vector<std::pair<int, QWidget*>> shown;  // message, the window the box opened over
  whenModal([&shown](QWidget* modal) {
    dialogs::testing::setBoxHook({});  // the real box, built and handed over instead of being run
    dialogs::testing::setBoxInspector([&shown](QMessageBox& box) {
      shown.emplace_back(box.text().toStdString() == GetMsg(336) ? 336 : 0, box.parentWidget());
    });
    modal->findChild<QTabWidget*>("Carpeta")->setCurrentIndex(1);
    QApplication::setActiveWindow(nullptr);
    QTest::mouseClick(modal->findChild<QPushButton*>("Cmd2"), Qt::LeftButton);
    dialogs::testing::setBoxInspector({});
    dialogs::testing::setBoxHook([](const dialogs::BoxRequest&) { return msgbox::Ok; });
    EXPECT_EQ(shown, (std::vector<std::pair<int, QWidget*>>{{336, modal}}));
    modal->findChild<QAction*>("mnuCancel")->trigger();
  });
  openFconfig(
      &mainWindow, [] {}, apptest::windowContext());
  EXPECT_EQ(shown.size(), 1u);
}

// Tab on the first tab goes down the left column's fields, then down the right one's.
TEST_F(FconfigTest, TabGoesDownEachColumnOfTheFirstTab) {
  auto dialog = open();
  dialog->show();
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  child<QLineEdit>(*dialog, "MaxConsole")->setFocus();
  std::vector<std::string> visited{QApplication::focusWidget()->objectName().toStdString()};
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"MaxConsole", "CmbFofe", "ChkModoLegajo",
                                               "CmbLenguaje", "Modem", "ChkDuplicados", "ChkBackup",
                                               "ChkMultiEmpresa", "ChkModoVirtual"}));
}

TEST_F(FconfigTest, EveryTabAndTheSubDialogsOnScreen) {
  folder.write("MODEM1.cfx", "");
  auto dialog = open();
  auto* tabs = child<QTabWidget>(*dialog, "Carpeta");
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    EXPECT_TRUE(apptest::grabNonBlank(dialog.get(), QString("Fconfig_tab%1.png").arg(i)));
  }
  FCfgSAP sap(*gCfgFile);
  EXPECT_TRUE(apptest::grabNonBlank(&sap, "FCfgSAP.png"));
  FODBCLogon logon;
  EXPECT_TRUE(apptest::grabNonBlank(&logon, "FODBCLogon.png"));
}

}  // namespace

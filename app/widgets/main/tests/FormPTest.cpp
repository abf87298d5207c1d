// The main window offscreen, over stores the test writes, with recording stubs for the
// windows it opens and the clock simulator as the clocks.
#include "widgets/main/FormP.h"

#include "FComm.h"
#include "collect/ConverterLink.h"
#include "collect/RunContext.h"
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "peers.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/testing/Hooks.h"
#include "widgets/main/ProgramShutdown.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

// Clocks are written as designated initialisers naming only what differs from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using stores::ClockSpec;

class FormPTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program does: the clock objects' waits let the window's events run.
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    stores::writeUsers({{"BASICO", 1, 0}, {"AVANZADO", 2, 1}, {"ADMIN", 3, 2}});
    // Every window the main window opens is a recording stub here.
    auto stub = [this](const char* name) {
      return [this, name](QWidget*) { opened.push_back(name); };
    };
    openers.FIniModemConectar = stub("FIniModem");
    openers.FLeer = stub("FLeer");
    openers.FTime = stub("FTime");
    openers.fAuto = stub("fAuto");
    openers.FCbioReloj = stub("FCbioReloj");
    openers.FConsole = stub("FConsole");
    openers.FCacheo = stub("FCacheo");
    openers.FTjtas = stub("FTjtas");
    openers.FSirenas = stub("FSirenas");
    openers.FBases = stub("FBases");
    openers.FEmpr = stub("FEmpr");
    openers.FrmTest = stub("FrmTest");
    openers.Fconfig = stub("Fconfig");
    openers.FVerArch = stub("FVerArch");
    openers.FAud = stub("FAud");
    openers.frmAbout = stub("frmAbout");
  }
  void TearDown() override {
    form.reset();
    clocklink::setEventPump({});
    clocklink::FComm::unload();
    clocklink::ClsModem().cortarModem(false);
  }

  // Settings from VELTA.INI (written first when given), the objects, the log-in, the window.
  FormP& open(const std::string& user = "ADMIN", const std::string& ini = {},
              const std::function<std::optional<RunContext>()>& context = {}) {
    if (!ini.empty()) data.write("VELTA.INI", ini);
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
    gCfgFile->LoadCfg();
    (void)apptest::objects().createStartupObjects();
    const std::map<std::string, std::string> psw = {
        {"BASICO", "1"}, {"AVANZADO", "2"}, {"ADMIN", "3"}};
    if (!user.empty()) {
      EXPECT_TRUE(gUsers->FindUser(user, psw.at(user)));
    }
    form = std::make_unique<FormP>(openers, context ? context() : apptest::runContext(),
                                   &apptest::objects());
    // No event loop to end here: the granted close runs the program's shutdown at once.
    QObject::connect(form.get(), &FormP::shutdownDue, form.get(),
                     [this] { shutdownProgram(*form, apptest::objects()); });
    form->show();
    return *form;
  }

  std::vector<std::string> audited() {
    StoreRowVector rows;
    ClsAuditoria reader;
    reader.Iniciar(data.file("VELTA.AUD"));
    reader.GetRecords(rows);
    std::vector<std::string> out;
    for (const StoreRow& r : rows.rows) out.push_back(basic::Trim(r.sub(1)));
    return out;
  }

  QString text(const char* name) { return form->findChild<QLineEdit*>(name)->text(); }
  QComboBox* selector() { return form->findChild<QComboBox*>("CmbPrg"); }
  QAction* act(FormP::Menu m, int i) { return form->item(m, i); }

  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes;
  WindowOpeners openers;
  std::vector<std::string> opened;
  std::unique_ptr<FormP> form;
};

TEST_F(FormPTest, LevelGatingPerUserLevel) {
  stores::writeClocks({ClockSpec{}});
  struct Case {
    const char* user;
    std::vector<std::pair<FormP::Menu, int>> off;
  };
  using M = FormP::Menu;
  const Case cases[] = {
      {"ADMIN", {}},
      {"AVANZADO", {{M::Op, 0}, {M::Ve, 1}}},
      {"BASICO", {{M::Co, 3}, {M::Co, 4}, {M::He, 3}, {M::Op, 0}, {M::Ve, 1}}},
  };
  // Commands the clock (no phone, model 0) and the settings turn off whatever the level.
  const std::set<std::pair<M, int>> clockOff = {{M::Co, 1}, {M::Co, 6}, {M::He, 5}};
  for (const Case& c : cases) {
    form.reset();
    apptest::resetProgramObjects();
    open(c.user);
    for (auto [menu, count] : {std::pair{M::Op, 3}, {M::Co, 8}, {M::He, 8}, {M::Ve, 2}}) {
      for (int i = 0; i < count; ++i) {
        QAction* a = act(menu, i);
        if (a->isSeparator() || (menu == M::He && i == 4)) continue;
        const bool off = std::find(c.off.begin(), c.off.end(), std::pair{menu, i}) != c.off.end() ||
                         clockOff.count({menu, i});
        EXPECT_EQ(a->isEnabled(), !off) << c.user << " " << a->objectName().toStdString();
      }
    }
    // The toolbar shares the actions: buttons 3, 4, 6 and 9 follow co(3), co(4), op(0), he(3).
    EXPECT_EQ(form->button(3), act(M::Co, 3));
    EXPECT_EQ(form->button(4), act(M::Co, 4));
    EXPECT_EQ(form->button(6), act(M::Op, 0));
    EXPECT_EQ(form->button(9), act(M::He, 3));
  }
}

TEST_F(FormPTest, MenusToolbarAndCaptions) {
  stores::writeClocks({ClockSpec{}});
  FormP& w = open();
  EXPECT_EQ(w.windowTitle().toStdString(), "Velta 2000 - " + gUsers->auName);
  QStringList menus;
  for (QAction* a : w.menuBar()->actions()) menus << a->objectName();
  EXPECT_EQ(menus, QStringList({"opciones", "Comu", "config", "ver", "acerca"}));
  EXPECT_EQ(w.menuBar()->actions()[4]->text(), "&?");
  for (int p : {7, 10, 12}) EXPECT_EQ(w.button(p), nullptr);
  EXPECT_EQ(w.button(5), act(FormP::Co, 1));
  EXPECT_EQ(w.button(11), act(FormP::Co, 5));
  EXPECT_EQ(w.button(13), act(FormP::Op, 2));
  EXPECT_EQ(w.button(1)->toolTip().toStdString(), GetMsg(230));
  EXPECT_EQ(w.findChild<QAction*>("co3"), act(FormP::Co, 3));
  EXPECT_FALSE(act(FormP::He, 4)->isVisible());
  EXPECT_FALSE(w.findChild<QPushButton*>("CmdReset")->isVisible());
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FormP.png"));
  // co(7) is "&" + 406 in every language; the menu captions follow LENGUAJE.
  for (int16_t language : {0, 1000, 2000}) {
    gCfgFile->LENGUAJE = language;
    w.LoadText();
    EXPECT_EQ(act(FormP::Co, 7)->text().toStdString(), "&" + GetMsgIn(406, language));
    EXPECT_EQ(act(FormP::Co, 1)->text().toStdString(), GetMsgIn(130, language));
  }
}

TEST_F(FormPTest, AWindowWithoutOpenerLeavesItsCommandDisabled) {
  stores::writeClocks({ClockSpec{}});
  openers.FLeer = nullptr;
  FormP& w = open();
  EXPECT_FALSE(act(FormP::Co, 2)->isEnabled());
  EXPECT_EQ(w.button(2)->toolTip().toStdString(), GetMsg(234));
  EXPECT_TRUE(act(FormP::Co, 4)->isEnabled());
}

TEST_F(FormPTest, EveryCommandIsAuditedWithItsCaption) {
  stores::writeClocks({ClockSpec{.phone = "5551234"}});
  data.write("VELTA.INI", "[COMMON]\r\nMULTIEMPRESA=1\r\n");
  open("ADMIN");
  struct Case {
    FormP::Menu menu;
    int index;
    const char* window;
  };
  const Case cases[] = {
      {FormP::Co, 2, "FLeer"},    {FormP::Co, 4, "FTime"},    {FormP::Co, 5, "fAuto"},
      {FormP::Co, 7, "FConsole"}, {FormP::He, 0, "FCacheo"},  {FormP::He, 1, "FTjtas"},
      {FormP::He, 2, "FSirenas"}, {FormP::He, 3, "FBases"},   {FormP::He, 5, "FEmpr"},
      {FormP::He, 7, "FrmTest"},  {FormP::Op, 0, "Fconfig"},  {FormP::Ve, 0, "FVerArch"},
      {FormP::Ve, 1, "FAud"},     {FormP::Ay, 0, "frmAbout"}, {FormP::Co, 1, "FIniModem"},
  };
  std::vector<std::string> captions, windows;
  for (const Case& c : cases) {
    act(c.menu, c.index)->trigger();
    captions.push_back(act(c.menu, c.index)->text().toStdString());
    windows.push_back(c.window);
  }
  EXPECT_EQ(opened, windows);
  std::vector<std::string> expected;
  for (const std::string& c : captions) expected.push_back("MNU->" + c);
  EXPECT_EQ(audited(), expected);
  EXPECT_EQ(*gRunMode, 1);  // co(5) runs the on-line mode
}

TEST_F(FormPTest, ToolbarButtonFiveAuditsTheDialCaption) {
  stores::writeClocks({ClockSpec{.phone = "5551234"}});
  FormP& w = open();
  auto* b = qobject_cast<QToolButton*>(w.toolBar()->widgetForAction(w.button(5)));
  ASSERT_NE(b, nullptr);
  QTest::mouseClick(b, Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{"FIniModem"});
  EXPECT_EQ(audited(), std::vector<std::string>{"MNU->" + GetMsg(130)});
}

TEST_F(FormPTest, DialUpWindowTurnsTheDialCommandAndSelectorOff) {
  stores::writeClocks({ClockSpec{.phone = "5551234"}});
  FormP& w = open();
  const WindowContext seen = apptest::windowContext();  // what the collection windows see
  ASSERT_EQ(seen.host(), static_cast<MainWindowHost*>(&w));
  MainWindowHost& host = *seen.host();
  ASSERT_TRUE(act(FormP::Co, 1)->isEnabled());
  const QImage normal = w.button(5)->icon().pixmap(24).toImage();
  host.setDialEnabled(false);
  host.setDialPicture(11);
  host.setSelectorEnabled(false);
  EXPECT_FALSE(act(FormP::Co, 1)->isEnabled());
  EXPECT_NE(w.button(5)->icon().pixmap(24).toImage(), normal);
  EXPECT_FALSE(selector()->isEnabled());
  host.setDialEnabled(true);
  host.setDialPicture(5);
  host.setSelectorEnabled(true);
  EXPECT_TRUE(act(FormP::Co, 1)->isEnabled());
  EXPECT_EQ(w.button(5)->icon().pixmap(24).toImage(), normal);
  EXPECT_TRUE(selector()->isEnabled());
  EXPECT_EQ(seen.imgTool().size(), 12);
  EXPECT_FALSE(seen.img().isEmpty());
}

TEST_F(FormPTest, StatusReadingOnAPhoneClockDialsInstead) {
  stores::writeClocks({ClockSpec{.phone = "5551234"}});
  open();
  act(FormP::Co, 0)->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{"FIniModem"});
  EXPECT_EQ(audited(), (std::vector<std::string>{"MNU->" + GetMsg(143), "MNU->" + GetMsg(130)}));
}

TEST_F(FormPTest, ClearingAsksFirstThenClearsTheTcpClockInBlue) {
  apptest::TcpClockSim clock;
  clock.sim().generatePunches(5, 1);
  stores::writeClocks({ClockSpec{.port = clock.port()}});
  FormP& w = open();
  // No: the audit record and nothing else. Yes: the clock is cleared, one blue line.
  boxes.answer(msgbox::No);
  act(FormP::Co, 3)->trigger();
  EXPECT_EQ(clock.sim().clearCount(), 0u);
  EXPECT_EQ(w.LstP()->count(), 0);
  EXPECT_EQ(audited().size(), 1u);
  boxes.answer(msgbox::Yes);
  act(FormP::Co, 3)->trigger();
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{173, 173}));
  EXPECT_EQ(clock.sim().clearCount(), 1u);
  ASSERT_EQ(w.LstP()->count(), 1);
  EXPECT_EQ(w.LstP()->text(1), ">" + GetMsg(273));
  EXPECT_EQ(w.LstP()->style(1), kBlueLine);
  EXPECT_EQ(audited().size(), 2u);
}

TEST_F(FormPTest, ClearingAPhoneClockWithoutALineSays322) {
  ::setenv("VELTA_ASSUME_CTS", "0", 1);
  testpeers::PtyClock line(4);  // a port that opens, with no modem line up on it
  stores::writeClocks({ClockSpec{.interface = 0, .comPort = "COM4", .phone = "5551234"}});
  FormP& w = open();
  boxes.answer(msgbox::Yes);
  act(FormP::Co, 3)->trigger();
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{173, 322}));
  ASSERT_EQ(w.LstP()->count(), 1);
  EXPECT_EQ(w.LstP()->style(1), kRedLine);
  ::unsetenv("VELTA_ASSUME_CTS");
}

TEST_F(FormPTest, ChoosingTheSecondClockThenReadingItsStatus) {
  apptest::TcpClockSim first;
  apptest::TcpClockSim second(clocksim::Options{.clockNumber = 2});
  first.sim().generatePunches(3, 1);
  second.sim().generatePunches(12, 2);
  stores::writeClocks(
      {ClockSpec{.slot = 1, .description = "Entrada", .port = first.port()},
       ClockSpec{.slot = 2, .description = "Salida", .number = "2", .port = second.port()}});
  open();
  ASSERT_EQ(selector()->count(), 2);
  selector()->setCurrentIndex(1);
  emit selector()->activated(1);
  EXPECT_EQ(gCfgFile->RelojActivo, 2);
  EXPECT_EQ(text("TxtReloj"), "2");
  act(FormP::Co, 0)->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{277});
  EXPECT_EQ(text("CantRegis"), "00012");
  EXPECT_FALSE(text("FecActual").isEmpty());
  auto* status = form->findChild<QLabel*>("StatusText");
  const QString clearing = status->text();
  EXPECT_EQ(clearing.toStdString().rfind(GetMsg(300), 0), 0u) << clearing.toStdString();
  // The pointer over the menus shows their tips, then an empty one: the text stays.
  for (const char* tip : {"a menu's tip", ""}) {
    QStatusTipEvent event{QString(tip)};
    QCoreApplication::sendEvent(form.get(), &event);
  }
  EXPECT_EQ(status->text(), clearing);
  EXPECT_TRUE(status->isVisible());
  // Until another clock is selected.
  selector()->setCurrentIndex(0);
  emit selector()->activated(0);
  EXPECT_TRUE(status->text().isEmpty());
}

// The selector shows the current clock's row, and none when the current clock is not a clock
// of the list (the panel and the commands then use the default clock).
TEST_F(FormPTest, SelectorShowsNoRowWithoutAClock) {
  stores::writeClocks(
      {ClockSpec{.slot = 1, .description = "Uno"}, ClockSpec{.slot = 3, .description = "Tres"}});
  const struct {
    const char* active;
    int row;  // -1: none
  } cases[] = {{"3", 1}, {"1", 0}, {"0", -1}, {"999", -1}, {"7", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.active);
    form.reset();
    apptest::resetProgramObjects();
    open("ADMIN", std::string("[COMMON]\r\nRELOJACTIVO=") + c.active + "\r\n");
    EXPECT_EQ(selector()->currentIndex(), c.row);
    if (c.row < 0) {
      EXPECT_TRUE(selector()->currentText().isEmpty());
      EXPECT_EQ(text("TxtPuerto"), "COM2");
    }
  }
}

TEST_F(FormPTest, NoClockShowsTheDefaults) {
  stores::writeClocks({ClockSpec{.slot = 3, .description = "Tres"}});
  open();
  for (int16_t n : {0, 7}) {  // outside the table, and a free slot
    form->MostrarConfig(n);
    EXPECT_EQ(text("TxtPuerto"), "COM2");
    EXPECT_EQ(text("TxtVelocidad"), "9600");
    EXPECT_EQ(text("TxtComunicacion").toStdString(), GetMsg(246));
    EXPECT_EQ(text("txtPath").toStdString(), *gDataFolder + "REGIS.MIR");
    EXPECT_EQ(text("TxtTelefono"), "");
    EXPECT_EQ(gCfgFile->RelojActivo, n);
    EXPECT_EQ(gMirsol->clockId(), "1");
  }
}

// A current clock that names no clock (a free slot that still holds its old record, a number
// outside the table): the commands follow the default clock the panel shows, not the free
// slot's telephone and card kind, nor the clock chosen before.
TEST_F(FormPTest, WithoutAClockTheCommandsFollowTheDefaultClock) {
  stores::writeClocks(
      {ClockSpec{.slot = 1, .description = "Phone", .phone = "5551234"},
       ClockSpec{.slot = 2, .description = "Gone", .phone = "5559876", .cardKind = 2}});
  {
    ClsListaRelojes clocks;  // clock 2 deleted: its slot is free, its record stays
    clocks.Iniciar(data.file("velta002.dat"));
    (void)clocks.CargarRelojes();
    clocks.Borrar(2);
    ASSERT_TRUE(clocks.GrabarRelojes().ok);
  }
  for (const char* active : {"2", "0"}) {
    SCOPED_TRACE(active);
    form.reset();
    apptest::resetProgramObjects();
    opened.clear();
    open("ADMIN", "[COMMON]\r\nRELOJACTIVO=1\r\n");
    ASSERT_TRUE(act(FormP::Co, 1)->isEnabled());  // clock 1 has a telephone
    form->MostrarConfig(static_cast<int16_t>(basic::Val(active)));
    form->FijarControles();
    EXPECT_EQ(text("TxtTelefono"), "");
    EXPECT_FALSE(act(FormP::Co, 1)->isEnabled());
    EXPECT_FALSE(form->button(5)->isEnabled());
    EXPECT_EQ(act(FormP::He, 1)->text().toStdString(), GetMsg(156));
    EXPECT_EQ(gListaRelojes->m_Telefono, "");
    act(FormP::Co, 0)->trigger();  // a status reading of the default clock, no dial
    EXPECT_TRUE(opened.empty());
  }
  // The same from the settings, at the start.
  form.reset();
  apptest::resetProgramObjects();
  open("ADMIN", "[COMMON]\r\nRELOJACTIVO=2\r\n");
  EXPECT_EQ(text("TxtPuerto"), "COM2");
  EXPECT_FALSE(act(FormP::Co, 1)->isEnabled());
  EXPECT_FALSE(form->button(5)->isEnabled());
}

// Handed a run context, the window aims that context's clock object at the current clock and
// shows its data folder, leaving the program's clock object alone.
TEST_F(FormPTest, WorksOverTheHandedContext) {
  stores::writeClocks({ClockSpec{.slot = 2, .description = "Dos", .number = "7"}});
  clocklink::ClsMirsol handed;
  auto context = [&handed]() -> std::optional<RunContext> {
    return RunContext{*gCfgFile,
                      *gListaRelojes,
                      handed,
                      *gModem,
                      "/elsewhere/",
                      collect::ConverterLink::program(),
                      apptest::objects().liveness()};
  };
  open("ADMIN", "[COMMON]\r\nRELOJACTIVO=2\r\n", context);
  EXPECT_EQ(handed.clockId(), "7");
  EXPECT_NE(gMirsol->clockId(), "7");
  form->MostrarConfig(0);  // no clock: the defaults, over the handed folder
  EXPECT_EQ(text("txtPath").toStdString(), "/elsewhere/REGIS.MIR");
  EXPECT_EQ(handed.clockId(), "1");
}

TEST_F(FormPTest, DateNamedFileShowsItsPatternUnexpanded) {
  stores::writeClocks({ClockSpec{.path = "/srv/out/", .file = "YYYYmmdd", .dateNamed = 1}});
  open();
  EXPECT_EQ(text("txtPath"), "/srv/out/YYYYmmdd.MIR");
}

TEST_F(FormPTest, SelectorKeepsTheClockWhileALineIsUp) {
  stores::writeClocks({ClockSpec{.slot = 1, .description = "A"},
                       ClockSpec{.slot = 2, .description = "B", .number = "2"}});
  open();
  gModem->cortarModem(true);
  selector()->setCurrentIndex(1);
  emit selector()->activated(1);
  EXPECT_FALSE(selector()->isEnabled());
  EXPECT_EQ(gCfgFile->RelojActivo, 1);
  EXPECT_EQ(selector()->currentIndex(), 0);
  gModem->cortarModem(false);
}

TEST_F(FormPTest, ModelTwoEnablingAndTouchCaption) {
  stores::writeClocks({ClockSpec{.slot = 1, .description = "Pexel", .model = 2},
                       ClockSpec{.slot = 2, .description = "Touch", .cardKind = 2}});
  open();
  EXPECT_FALSE(act(FormP::Co, 5)->isEnabled());
  EXPECT_TRUE(act(FormP::Co, 6)->isEnabled());
  EXPECT_FALSE(act(FormP::He, 0)->isEnabled());
  EXPECT_FALSE(act(FormP::He, 2)->isEnabled());
  selector()->setCurrentIndex(1);
  emit selector()->activated(1);
  EXPECT_TRUE(act(FormP::Co, 5)->isEnabled());
  EXPECT_FALSE(act(FormP::Co, 6)->isEnabled());
  EXPECT_TRUE(act(FormP::He, 0)->isEnabled());
  EXPECT_EQ(act(FormP::He, 1)->text().toStdString(), GetMsg(286));
}

TEST_F(FormPTest, ResetButtonAnswersWithItsTwoLiteralBoxes) {
  apptest::TcpClockSim pexel(clocksim::Options{.model = 2});
  struct Case {
    int16_t model;
    int32_t port;
    std::vector<std::string> boxes;
  };
  const Case cases[] = {
      {2, pexel.port(), {"RESETEADO"}},
      {2, testpeers::closedTcpPort(), {"ERROR AL RESETEAR"}},
      {0, pexel.port(), {}},  // another model: a beep, nothing sent
  };
  for (const Case& c : cases) {
    form.reset();
    apptest::resetProgramObjects();
    boxes.clear();
    stores::writeClocks({ClockSpec{.model = c.model, .port = c.port}});
    open();
    const size_t framesBefore = pexel.sim().receivedFrames().size();
    form->findChild<QPushButton*>("CmdReset")->click();
    std::vector<std::string> texts;
    for (const dialogs::BoxRequest& r : boxes.boxes()) texts.push_back(r.text);
    EXPECT_EQ(texts, c.boxes) << c.model << " " << c.port;
    if (c.model != 2) {
      EXPECT_EQ(pexel.sim().receivedFrames().size(), framesBefore);
    }
  }
}

TEST_F(FormPTest, AfterTheOnLineRunTheShownClockIsTargetedAgain) {
  stores::writeClocks({ClockSpec{.slot = 1, .description = "A", .number = "1"},
                       ClockSpec{.slot = 2, .description = "B", .number = "2"}});
  openers.fAuto = [](QWidget*) {  // the run visits clock 2 last
    gListaRelojes->GetCurData(2);
    (void)gMirsol->SetTimeRecorder("2", 0, "COM2", "9600", "", 1, "127.0.0.1", 2, 7001, 7001, 5);
  };
  open();
  act(FormP::Co, 5)->trigger();
  EXPECT_EQ(gMirsol->clockId(), "1");
  EXPECT_EQ(gListaRelojes->M_Numero, "1");
}

TEST_F(FormPTest, UnreadableClockStoreShows311AndGoesOn) {
  data.write("velta002.dat", std::string(1, '\x07'));  // a torn first record
  ::chmod(data.file("velta002.dat").c_str(), 0);
  open();
  ::chmod(data.file("velta002.dat").c_str(), 0600);
  if (!gListaRelojes->status().unreadable) GTEST_SKIP() << "running as root: file readable";
  EXPECT_EQ(boxes.numbers(), std::vector<int>{311});
  EXPECT_TRUE(form->isVisible());
}

// ---------------------------------------------------------------------------------------
// Close

TEST_F(FormPTest, CloseSavesMarksAndReleasesInOrder) {
  stores::writeClocks({ClockSpec{.slot = 1, .description = "A"},
                       ClockSpec{.slot = 2, .description = "B", .number = "2"}});
  FormP& w = open();
  EXPECT_TRUE(data.exists("IN.TMP"));
  selector()->setCurrentIndex(1);
  emit selector()->activated(1);
  // A modeless window of another command that still uses the clock object when it closes.
  bool sawObjects = false;
  auto* other = new QWidget(&w, Qt::Window);
  other->show();
  struct Watch : QObject {
    bool* saw;
    explicit Watch(bool* s) : saw(s) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Close) *saw = gMirsol != nullptr && gMirsol->clockId() == "2";
      return false;
    }
  } watch(&sawObjects);
  other->installEventFilter(&watch);
  w.close();
  EXPECT_TRUE(sawObjects);
  EXPECT_EQ(gMirsol, nullptr);
  EXPECT_EQ(gCfgFile, nullptr);
  EXPECT_TRUE(data.exists("OU.TMP"));
  EXPECT_FALSE(data.exists("IN.TMP"));
  EXPECT_NE(data.read("VELTA.INI").find("RELOJACTIVO=2"), std::string::npos);
}

// The close only ends the event loop: until the shutdown that follows it, the window and
// every object are there for whatever is still on the stack, and nothing is written.
TEST_F(FormPTest, CloseEndsTheLoopAndLeavesEverythingToTheShutdown) {
  stores::writeClocks({ClockSpec{}});
  FormP& w = open();
  QObject::disconnect(&w, &FormP::shutdownDue, nullptr, nullptr);
  int due = 0;
  QObject::connect(&w, &FormP::shutdownDue, &w, [&due] {
    ++due;
    QCoreApplication::exit(0);
  });
  QTimer::singleShot(0, &w, [&w] { w.close(); });
  QCoreApplication::exec();
  EXPECT_EQ(due, 1);
  EXPECT_TRUE(w.isVisible());
  EXPECT_NE(gMirsol, nullptr);
  EXPECT_NE(gCfgFile, nullptr);
  EXPECT_FALSE(data.exists("OU.TMP"));
  shutdownProgram(w, apptest::objects());
  EXPECT_EQ(due, 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(gMirsol, nullptr);
  EXPECT_TRUE(data.exists("OU.TMP"));
}

// A settings file the close cannot write (here it has a second name): the operator's changes
// would be lost without a word. The box says why while the window is still there.
TEST_F(FormPTest, CloseSaysWhyTheSettingsCouldNotBeSaved) {
  stores::writeClocks({ClockSpec{.slot = 1, .description = "A"},
                       ClockSpec{.slot = 2, .description = "B", .number = "2"}});
  FormP& w = open("ADMIN", "[COMMON]\r\nRELOJACTIVO=1\r\n");
  const std::string before = data.read("VELTA.INI");
  ASSERT_EQ(::link(data.file("VELTA.INI").c_str(), data.file("VELTA.BAK").c_str()), 0);
  selector()->setCurrentIndex(1);
  emit selector()->activated(1);
  bool shownOverTheWindow = false;
  std::vector<dialogs::BoxRequest> asked;
  dialogs::testing::setBoxHook([&](const dialogs::BoxRequest& r) {
    asked.push_back(r);
    shownOverTheWindow = w.isVisible() && r.parent == &w && gCfgFile != nullptr;
    return msgbox::Ok;
  });
  w.close();
  dialogs::testing::setBoxHook([](const dialogs::BoxRequest&) { return msgbox::Ok; });
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].number, 320);
  EXPECT_EQ(asked[0].icon(), msgbox::Critical);
  EXPECT_NE(asked[0].text.find(data.file("VELTA.INI")), std::string::npos) << asked[0].text;
  EXPECT_NE(asked[0].text.find(GetExtraMsg(ExtraMsg::ReasonSecondName)), std::string::npos)
      << asked[0].text;
  EXPECT_TRUE(shownOverTheWindow);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(data.read("VELTA.INI"), before);
}

TEST_F(FormPTest, MarkersUntouchedInMultiCompanyOrAutomaticSetups) {
  stores::writeClocks({ClockSpec{}});
  for (const char* ini : {"[COMMON]\r\nMULTIEMPRESA=1\r\n", "[COMMON]\r\nAUTO=1\r\n"}) {
    form.reset();
    apptest::resetProgramObjects();
    FormP& w = open("ADMIN", ini);
    w.close();
    EXPECT_FALSE(data.exists("IN.TMP")) << ini;
    EXPECT_FALSE(data.exists("OU.TMP")) << ini;
  }
}

TEST_F(FormPTest, CloseHangsUpADialledLine) {
  ::setenv("VELTA_ASSUME_CTS", "1", 1);
  apptest::ModemClockSim modem(5);
  data.write("MODEMS.INI", "[Sim]\nCom=5\nInit=&FE1V1\n");
  stores::writeClocks({ClockSpec{.interface = 0, .comPort = "COM5", .phone = "5551234"}});
  FormP& w = open("ADMIN", "[COMMON]\r\nMODEMDRIVER=Sim\r\n");
  // What the dial-up window does: set the modem up, dial, and mark the line as up.
  ASSERT_EQ(gModem->InitModem(*gDataFolder, "Sim"), clocklink::kSuccess);
  ASSERT_NE(gModem->Discar(10).find("CONNECT"), std::string::npos);
  gModem->cortarModem(true);
  ASSERT_TRUE(modem.modem().online());
  w.close();
  EXPECT_FALSE(modem.modem().online());
  EXPECT_GE(modem.modem().hangUps(), 1u);
  EXPECT_FALSE(clocklink::ClsModem().cortarModem());
  ::unsetenv("VELTA_ASSUME_CTS");
}

TEST_F(FormPTest, CloseWhileABoxIsUpWaitsForTheCommand) {
  apptest::TcpClockSim clock;
  clock.sim().generatePunches(5, 1);
  stores::writeClocks({ClockSpec{.port = clock.port()}});
  FormP& w = open();
  bool aliveDuringBox = false;
  dialogs::testing::setBoxHook(
      [&](const dialogs::BoxRequest&) {  // a SIGTERM arrives while "¿Desea borrar?" is up
        w.close();
        aliveDuringBox = w.isVisible() && gMirsol != nullptr;
        return msgbox::Yes;
      });
  act(FormP::Co, 3)->trigger();
  dialogs::testing::setBoxHook({});
  EXPECT_TRUE(aliveDuringBox);
  EXPECT_EQ(clock.sim().clearCount(), 0u);  // the close request cancelled the clearing
  for (int i = 0; i < 100 && gMirsol; ++i) QTest::qWait(20);
  EXPECT_EQ(gMirsol, nullptr);
  EXPECT_TRUE(data.exists("OU.TMP"));
}

TEST_F(FormPTest, CloseDuringAStatusReadingWaitsForIt) {
  testpeers::TcpListener silent;  // accepts, never answers
  stores::writeClocks({ClockSpec{.port = silent.port()}});
  data.write("VELTA.INI", "[COMMON]\r\nTIMEOUT=10\r\n");
  FormP& w = open();
  bool closedDuring = false;
  QTimer::singleShot(200, &w, [&] {
    w.close();
    closedDuring = BusyGuard::closePending(&w) || BusyGuard::anyBusy(&w);
    EXPECT_NE(gMirsol, nullptr);  // still there: the reading is on the stack
  });
  act(FormP::Co, 0)->trigger();
  EXPECT_TRUE(closedDuring);
  EXPECT_TRUE(boxes.boxes().empty());  // no 331 after a close: the command just ends
  for (int i = 0; i < 100 && gMirsol; ++i) QTest::qWait(20);
  EXPECT_EQ(gMirsol, nullptr);
  EXPECT_FALSE(w.isVisible());
}

// The clock panel stays readable however small the window is made: a size below the least its
// layout needs, given by the window system (a window manager that ignores the hint), is taken
// back, and no two fields of the panel cover each other.
TEST_F(FormPTest, ShrunkWindowKeepsThePanelReadable) {
  stores::writeClocks({ClockSpec{.description = "Uno"}});
  FormP& w = open();
  w.windowHandle()->resize(500, 350);
  QCoreApplication::processEvents();  // the smaller size arrives
  QCoreApplication::processEvents();  // the least size is asked back
  const QSize least = w.minimumSizeHint();
  EXPECT_TRUE(least.isValid());
  EXPECT_GE(w.width(), least.width());
  EXPECT_GE(w.height(), least.height());
  std::vector<QWidget*> fields;
  for (const char* name :
       {"LblRS", "CmbPrg", "LblReloj", "TxtReloj", "TxtModelo", "LblPuerto", "TxtPuerto",
        "TxtVelocidad", "LblTelefono", "TxtTelefono", "LblComunicacion", "TxtComunicacion",
        "LblPath", "txtPath", "LblIP", "TxtIP", "FrmEA", "LstP"}) {
    QWidget* f = w.findChild<QWidget*>(name);
    ASSERT_NE(f, nullptr) << name;
    fields.push_back(f);
  }
  for (size_t i = 0; i < fields.size(); ++i)
    for (size_t j = i + 1; j < fields.size(); ++j)
      EXPECT_FALSE(QRect(fields[i]->mapTo(&w, QPoint()), fields[i]->size())
                       .intersects(QRect(fields[j]->mapTo(&w, QPoint()), fields[j]->size())))
          << fields[i]->objectName().toStdString() << " / "
          << fields[j]->objectName().toStdString();
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FormP-shrunk.png"));
}

}  // namespace

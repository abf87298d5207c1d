// The record-file viewer window driven as an operator would: view, counter, boxes, the card
// boxes, sorting, save (with the three-choice box answered), print to PDF and mail through a
// fake mail client; refusals and failures with the operator's reason.
#include "widgets/admin/FVerArch.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "testsupport/PlantedLink.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/ListingPrinterDialog.h"
#include "widgets/admin/testing/Hooks.h"
#include "widgets/dialogs/FileDialogs.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <basekit/plainfile.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string lines(const std::vector<std::string>& ls) {
  std::string s;
  for (const auto& l : ls) s += l + "\r\n";
  return s;
}

// A data folder with settings (Spanish messages) and a punch file.
struct ViewerFixture : ::testing::Test {
  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  std::unique_ptr<FVerArch> w;

  void SetUp() override {
    // As the program does: the mail client's wait lets window events run through the pump.
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    apptest::objects().createSettings();
    *gVersionText = "6.00";
    folder.write("REGIS.MIR",
                 lines({"300 01/02/2024 08:00 01 01 tres", "100 01/02/2024 09:00 02 01",
                        "200 02/02/2024 07:30 01 02 Se\xF1or"}));
  }
  void TearDown() override {
    clocklink::setEventPump({});
    w.reset();
    dialogs::testing::clearFileNames();
    adminwindows::testing::clearPrinters();
  }
  FVerArch& window() {
    if (!w) {
      w = std::make_unique<FVerArch>(nullptr, apptest::windowContext());
      w->show();
    }
    return *w;
  }
  void view(const std::string& name = "REGIS.MIR") {
    window().Archivo()->setText(QString::fromStdString(folder.file(name)));
    window().mnu(1)->trigger();
  }
  std::vector<std::string> column(int c) {
    std::vector<std::string> out;
    auto* model = window().ListaReg()->model();
    for (int r = 0; r < model->rowCount(); ++r)
      out.push_back(model->index(r, c).data().toString().toStdString());
    return out;
  }
};

// Answers the next three-choice box: button k (0..2), or closes it without a choice (-1).
void answerThreeChoice(int k) {
  QTimer::singleShot(0, [k] {
    auto* box = qobject_cast<FrmMsg*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    if (k < 0)
      box->reject();
    else
      box->choose(k);
  });
}

TEST_F(ViewerFixture, VisualizarOnTheStartFolderSays251) {
  window().mnu(1)->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{251});
  EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  EXPECT_FALSE(window().mnu(2)->isEnabled());
  EXPECT_EQ(window().TTotal()->text(), "0/0");
}

TEST_F(ViewerFixture, TheCardColumnFollowsTheModeAndTheClock) {
  struct Mode {
    int16_t legajo, tipoNumero;
    std::string caption;
    int maxLength, printWidth;
  };
  gCfgFile->LongTarjeta = 6;
  gCfgFile->LongTouch = 3;
  for (const Mode& m :
       {Mode{1, 2, "Legajo", 20, 20}, Mode{0, 2, "Touch", 3, 8}, Mode{0, 1, "Tarjeta", 6, 8}}) {
    gCfgFile->ModoLegajo = m.legajo;
    apptest::objects().createClockList();
    gListaRelojes->m_TipoNumero = m.tipoNumero;
    FVerArch v(nullptr, apptest::windowContext());
    EXPECT_EQ(v.findChild<QLabel*>("LblF(0)")->text().toStdString(), m.caption);
    EXPECT_EQ(v.ListaReg()->model()->headerData(4, Qt::Horizontal).toString().toStdString(),
              m.caption);
    EXPECT_EQ(v.TxtF(0)->maxLength(), m.maxLength);
    EXPECT_EQ(v.TxtF(5)->maxLength(), m.maxLength);
    EXPECT_EQ(v.cardWidth(), m.printWidth);
  }
}

TEST_F(ViewerFixture, ExaminarTakesTheChosenFileAndACancelEmptiesTheBox) {
  dialogs::testing::setNextFileName(folder.file("REGIS.MIR"));
  window().mnu(0)->trigger();
  EXPECT_EQ(window().Archivo()->text().toStdString(), folder.file("REGIS.MIR"));
  EXPECT_NE(dialogs::testing::lastAsk().filter.find("(*.mir)"), std::string::npos);
  dialogs::testing::setNextFileName(std::nullopt);
  window().mnu(0)->trigger();
  EXPECT_EQ(window().Archivo()->text(), "");
}

TEST_F(ViewerFixture, ViewListsCountsAndEnablesSaveAndPrint) {
  EXPECT_FALSE(window().mnu(3)->isEnabled());
  view();
  EXPECT_TRUE(boxes.numbers().empty());
  EXPECT_EQ(window().TTotal()->text(), " 3/ 3");
  EXPECT_EQ(window().TxtF(3)->text(), " 1");
  EXPECT_EQ(window().TxtF(4)->text(), " 30000");
  EXPECT_EQ(column(4), (std::vector<std::string>{"300", "100", "200"}));
  EXPECT_EQ(column(5)[2], "Se\u00f1or");
  EXPECT_TRUE(window().mnu(2)->isEnabled());
  EXPECT_TRUE(window().mnu(3)->isEnabled());
  EXPECT_TRUE(window().ListaReg()->isVisible());
  EXPECT_TRUE(apptest::grabNonBlank(&window(), "FVerArch.png"));
}

TEST_F(ViewerFixture, MarkedRowsAreRedAndBoldAndShowNamesInVirtualMode) {
  CardRecord novedad, resaltar;
  novedad.version = resaltar.version = 2;
  novedad.card = 300;
  novedad.name = "Ana";
  novedad.Novedad = 1;
  resaltar.card = 100;
  resaltar.name = "Beto";
  resaltar.Resaltar = 1;
  folder.write("VELTA.TAR",
               ClsTarjetas::encodeRecord(novedad) + ClsTarjetas::encodeRecord(resaltar));
  gCfgFile->ModoVirtual = 1;
  view();
  EXPECT_EQ(column(5), (std::vector<std::string>{"Ana", "Beto", ""}));
  auto* model = window().ListaReg()->model();
  EXPECT_EQ(model->index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  EXPECT_TRUE(model->index(0, 3).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_TRUE(model->index(1, 5).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(model->index(1, 0).data(Qt::ForegroundRole).isValid());
  EXPECT_FALSE(model->index(2, 0).data(Qt::FontRole).isValid());
  EXPECT_TRUE(apptest::grabNonBlank(&window(), "FVerArch-marks.png"));
}

// The viewer takes its card column, names and card file from the objects it is handed: a touch
// clock list and virtual names here, the program having neither.
TEST_F(ViewerFixture, WorksOverTheHandedObjects) {
  const std::string other = folder.file("other/");
  ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
  CardRecord ana;
  ana.version = 2;
  ana.card = 0x300;  // the touch key "300"
  ana.name = "Ana";
  std::ofstream(other + "VELTA.TAR", std::ios::binary) << ClsTarjetas::encodeRecord(ana);
  ClsCfgFile cfg;
  cfg.ModoVirtual = 1;
  cfg.LongTouch = 3;
  ClsListaRelojes clocks;
  clocks.m_TipoNumero = 2;
  AdminObjects handed = AdminObjects::of(apptest::objects());
  handed.cfg = &cfg;
  handed.clocks = &clocks;
  handed.dataFolder = other;
  w = std::make_unique<FVerArch>(nullptr, apptest::windowContext(handed));
  EXPECT_EQ(w->findChild<QLabel*>("LblF(0)")->text().toStdString(), "Touch");
  EXPECT_EQ(w->TxtF(0)->maxLength(), 3);
  view();
  EXPECT_EQ(column(5), (std::vector<std::string>{"Ana", "", ""}));
}

// The viewer names holders from the card store it loaded when it opened: a card file that
// another store loads meanwhile (a collection's, the console's) changes none of its names.
TEST_F(ViewerFixture, NamesComeFromTheCardStoreItLoaded) {
  CardRecord ana;
  ana.version = 2;
  ana.card = 300;
  ana.name = "Ana";
  folder.write("VELTA.TAR", ClsTarjetas::encodeRecord(ana));
  gCfgFile->ModoVirtual = 1;
  window();
  CardRecord other = ana;
  other.name = "Otro";
  folder.write("OTRO.TAR", ClsTarjetas::encodeRecord(other));
  ClsTarjetas elsewhere;
  elsewhere.Iniciar(folder.file("OTRO.TAR"));
  ASSERT_EQ(elsewhere.CargarTarjetas(), StoreLoad::Loaded);
  view();
  EXPECT_EQ(column(5), (std::vector<std::string>{"Ana", "", ""}));
}

TEST_F(ViewerFixture, LettersAsCardEndWith308AndTouchClocksWith309) {
  folder.write("BAD.MIR", lines({"ABC 01/02/2024 08:00 01 01", "150 01/02/2024 08:00 01 01"}));
  window().TxtF(0)->setText("100");
  window().TxtF(5)->setText("200");
  view("BAD.MIR");
  EXPECT_EQ(boxes.numbers(), std::vector<int>{308});
  EXPECT_EQ(column(4), std::vector<std::string>{"150"});
  EXPECT_EQ(window().TxtF(0)->text(), "100");  // the range stays in force

  w.reset();
  boxes.clear();
  apptest::objects().createClockList();
  gListaRelojes->m_TipoNumero = 2;
  view("BAD.MIR");  // "ABC" is a touch number; "150" is too
  EXPECT_TRUE(boxes.numbers().empty());
  folder.write("BAD2.MIR", lines({"XYZ 01/02/2024 08:00 01 01"}));
  view("BAD2.MIR");
  EXPECT_EQ(boxes.numbers(), std::vector<int>{309});
}

TEST_F(ViewerFixture, OnlyTypingInTheLowerCardBoxCopiesIt) {
  QTest::keyClicks(window().TxtF(0), "100");
  EXPECT_EQ(window().TxtF(5)->text(), "100");
  window().TxtF(0)->setText(" 150");
  window().TxtF(5)->setText("300");
  view();
  EXPECT_EQ(window().TxtF(0)->text(), "150");
  EXPECT_EQ(window().TxtF(5)->text(), "300");
  EXPECT_EQ(column(4), (std::vector<std::string>{"300", "200"}));
}

TEST_F(ViewerFixture, HeaderClicksSortAndVisualizarReturnsToFileOrder) {
  view();
  QHeaderView* header = window().ListaReg()->horizontalHeader();
  auto click = [&](int c) {
    emit header->sectionClicked(c);
    return column(4);
  };
  EXPECT_EQ(click(1), (std::vector<std::string>{"200", "300", "100"}));
  EXPECT_EQ(click(1), (std::vector<std::string>{"100", "300", "200"}));
  EXPECT_EQ(click(4), (std::vector<std::string>{"100", "200", "300"}));
  view();
  EXPECT_EQ(column(4), (std::vector<std::string>{"300", "100", "200"}));
  // The sort column is kept: the next click on it reverses.
  EXPECT_EQ(click(4), (std::vector<std::string>{"300", "200", "100"}));
}

TEST_F(ViewerFixture, SalirDuringAViewStopsItAndCloses) {
  std::string big;
  // The first progress report comes within the first slice of lines and runs the queued Salir.
  for (int n = 0; n < 20000; ++n) big += std::to_string(n) + " 01/02/2024 08:00 01 01\r\n";
  folder.write("BIG.MIR", big);
  // Salir, the close box and Escape alike; the window goes once the view has returned.
  struct Way {
    const char* name;
    std::function<void(FVerArch&)> ask;
  };
  const Way ways[] = {
      {"Salir", [](FVerArch& w) { w.mnu(5)->trigger(); }},
      {"close box", [](FVerArch& w) { w.close(); }},
      {"escape", [](FVerArch& w) { apptest::pressEscape(&w); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    window().show();
    window().TxtF(4)->setText("1000000");
    bool visibleAfter = false;
    QTimer::singleShot(0, &window(), [&] {
      way.ask(window());
      visibleAfter = window().isVisible();
    });
    view("BIG.MIR");
    EXPECT_TRUE(visibleAfter) << "not under the running view";
    QCoreApplication::processEvents();
    EXPECT_FALSE(window().viewing());
    EXPECT_FALSE(window().isVisible());
    EXPECT_LT(window().view().lineCount(), 20000);
    EXPECT_FALSE(window().mnu(2)->isEnabled());
  }
}

TEST_F(ViewerFixture, AFifoInTheFilesPlaceIsRefusedAtOnceWithTheReason) {
  ASSERT_EQ(mkfifo(folder.file("FIFO.MIR").c_str(), 0600), 0);
  view("FIFO.MIR");
  ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
  EXPECT_NE(boxes.boxes()[0].text.find(
                fileReason(basekit::FileError::refusal(basekit::FileFault::NotPlainFile, {}))),
            std::string::npos);
  EXPECT_FALSE(window().mnu(2)->isEnabled());
  EXPECT_TRUE(window().mnu(1)->isEnabled());
}

// ---- Guardar ---------------------------------------------------------------------------

struct SaveCase {
  const char* name;
  int answer;  // three-choice button, -1 closes the box without one
  std::string expected;
};
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

const std::string kOld = "old line\r\n";
const std::string kRows =
    "300 01/02/2024 08:00 01 01 tres\r\n100 01/02/2024 09:00 02 01\r\n"
    "200 02/02/2024 07:30 01 02 Se\xF1or\r\n";

class SaveOverExisting : public ViewerFixture, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveOverExisting, TheChoiceDecidesWhatTheFileHolds) {
  const SaveCase& c = GetParam();
  view();
  folder.write("OUT.MIR", kOld);
  *gSharedText = "2";  // a stale answer must not count
  dialogs::testing::setNextFileName(folder.file("OUT.MIR"));
  answerThreeChoice(c.answer);
  window().mnu(2)->trigger();
  EXPECT_EQ(folder.read("OUT.MIR"), c.expected);
  EXPECT_TRUE(boxes.numbers().empty());
}

INSTANTIATE_TEST_SUITE_P(Choices, SaveOverExisting,
                         ::testing::Values(SaveCase{"Agregar", 0, kOld + kRows},
                                           SaveCase{"Reemplazar", 1, kRows},
                                           SaveCase{"Cancelar", 2, kOld},
                                           SaveCase{"ClosedWithoutAChoice", -1, kOld}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewerFixture, SaveToANewFileFollowsTheSortAndViewsAgain) {
  view();
  emit window().ListaReg()->horizontalHeader()->sectionClicked(4);
  dialogs::testing::setNextFileName(folder.file("NEW.MIR"));
  window().mnu(2)->trigger();  // no box: nothing to ask about a new file
  EXPECT_EQ(folder.read("NEW.MIR"),
            "100 01/02/2024 09:00 02 01\r\n200 02/02/2024 07:30 01 02 Se\xF1or\r\n"
            "300 01/02/2024 08:00 01 01 tres\r\n");
  view("NEW.MIR");
  EXPECT_EQ(column(5)[1], "Se\u00f1or");
}

TEST_F(ViewerFixture, SaveWithNoRowsAsksNothingAndAReadOnlyFolderSays320) {
  dialogs::testing::setNextFileName(folder.file("NONE.MIR"));
  window().mnu(2)->trigger();  // disabled before a view
  window().Guardar();          // and nothing to save
  EXPECT_FALSE(folder.exists("NONE.MIR"));
  dialogs::testing::clearFileNames();  // the answer was never asked for

  view();
  // A read-only folder (root may write there anyway) and a folder that is really a file.
  const std::string locked = folder.file("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  std::vector<std::string> targets{folder.file("REGIS.MIR") + "/OUT.MIR"};
  if (access(locked.c_str(), W_OK) != 0) targets.push_back(locked + "/OUT.MIR");
  for (const std::string& target : targets) {
    boxes.clear();
    dialogs::testing::setNextFileName(target);
    window().mnu(2)->trigger();
    ASSERT_EQ(boxes.numbers(), std::vector<int>{320}) << target;
    EXPECT_NE(boxes.boxes()[0].text.find(target), std::string::npos);
    EXPECT_EQ(boxes.boxes()[0].icon(), msgbox::Critical);
  }
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The box names the file once, with the reason in the operator's language; a second name and
// a link are refused whether the rows would be added or replace the file.
TEST_F(ViewerFixture, ASaveFailureNamesTheFileOnceWithItsReason) {
  view();
  folder.write("ONE.MIR", kOld);
  ASSERT_EQ(link(folder.file("ONE.MIR").c_str(), folder.file("TWO.MIR").c_str()), 0);
  apptest::PlantedLink planted(folder.file("LINK.MIR"));
  int answer = 0;
  dialogs::testing::setFrmMsgHook([&answer](const std::string&) { return answer; });
  struct Case {
    std::string target;
    int answer;  // to the question about an existing file
    std::string reason;
  };
  const std::string secondName =
      fileReason(basekit::FileError::refusal(basekit::FileFault::SecondName, {}));
  const Case cases[] = {
      {folder.file("REGIS.MIR") + "/OUT.MIR", 0, systemReason(ENOTDIR)},
      {folder.file("TWO.MIR"), 1, secondName},
      {folder.file("TWO.MIR"), 2, secondName},
      {folder.file("LINK.MIR"), 1, systemReason(ELOOP)},
      {folder.file("LINK.MIR"), 2, systemReason(ELOOP)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target + " answer " + std::to_string(c.answer));
    boxes.clear();
    answer = c.answer;
    dialogs::testing::setNextFileName(c.target);
    window().mnu(2)->trigger();
    ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
    const std::string& text = boxes.boxes()[0].text;
    EXPECT_EQ(occurrences(text, c.target), 1u) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
  }
  dialogs::testing::setFrmMsgHook({});
  EXPECT_EQ(folder.read("ONE.MIR"), kOld);
  EXPECT_TRUE(planted.unchanged());
}

TEST_F(ViewerFixture, TheSaveQuestionsButtonsShowTheChoosePicture) {
  view();
  folder.write("OUT.MIR", kOld);
  dialogs::testing::setNextFileName(folder.file("OUT.MIR"));
  std::vector<qint64> pictures;
  Qt::ToolButtonStyle style = Qt::ToolButtonTextOnly;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<FrmMsg*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (int i = 1; i <= 3; ++i) pictures.push_back(box->button(i)->icon().cacheKey());
    style = box->toolBar()->toolButtonStyle();
    box->choose(2);
  });
  window().mnu(2)->trigger();
  const qint64 choose = apptest::windowContext().img().at(2).cacheKey();
  EXPECT_EQ(pictures, std::vector<qint64>(3, choose));
  EXPECT_EQ(style, Qt::ToolButtonIconOnly);
  EXPECT_EQ(folder.read("OUT.MIR"), kOld);
}

// ---- Imprimir --------------------------------------------------------------------------

std::string run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return p.readAllStandardOutput().toStdString();
}

TEST_F(ViewerFixture, PrintsTwoPagesToPdf) {
  std::vector<std::string> many;
  for (int n = 0; n < 53; ++n) many.push_back(std::to_string(1000 + n) + " 01/02/2024 08:00 01 01");
  folder.write("MANY.MIR", lines(many));
  view("MANY.MIR");
  const std::string pdf = folder.file("listing.pdf");
  adminwindows::testing::setNextPrinter(pdf);
  window().mnu(3)->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  const std::string info = run("pdfinfo", {QString::fromStdString(pdf)});
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+2\\n"))) << info;
  const std::string text = run("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
  EXPECT_NE(text.find("Listado de Registraciones"), std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex("01/02/2024 +08:00 +01 +01 +1052\\n"))) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("gina: +2\\n"))) << text;
  const std::string png = folder.file("page");
  run("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", QString::fromStdString(pdf),
                   QString::fromStdString(png)});
  QImage page(QString::fromStdString(png + "-1.png"));
  ASSERT_FALSE(page.isNull());
  bool ink = false;
  for (int y = 0; y < page.height() && !ink; ++y)
    for (int x = 0; x < page.width() && !ink; ++x) ink = qGray(page.pixel(x, y)) < 128;
  EXPECT_TRUE(ink);
  if (const char* dir = getenv("VELTA_GRAB_DIR"))
    QFile::copy(QString::fromStdString(png + "-1.png"), QString(dir) + "/FVerArch-print.png");
}

TEST_F(ViewerFixture, PrintRefusesNoRowsIsSilentOnCancelAndReportsAFailedPrinter) {
  view();
  adminwindows::testing::setNextPrinter(std::nullopt);
  window().mnu(3)->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  adminwindows::testing::setNextPrinter(folder.file("no/such/folder/x.pdf"));
  window().mnu(3)->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{320});

  boxes.clear();
  folder.write("EMPTY.MIR", "");
  view("EMPTY.MIR");
  EXPECT_EQ(window().TTotal()->text(), " 0/ 0");
  window().Imprimir();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{250});
}

// ---- Enviar Correo ---------------------------------------------------------------------

// A fake xdg-email first on PATH: counts its starts, waits for the file `release` when one is
// given, records its arguments, one a line, and exits with `code`.
class FakeMailClient {
 public:
  FakeMailClient(const apptest::TempDataFolder& folder, int code, const std::string& release = {})
      : m_log(folder.file("mail.log")), m_starts(folder.file("starts.log")) {
    unlink(m_log.c_str());
    unlink(m_starts.c_str());
    const std::string bin = folder.file("bin");
    mkdir(bin.c_str(), 0755);
    // The wait ends after 30 s in any case, so a test that never releases still ends.
    const std::string wait = release.empty()
                                 ? std::string()
                                 : "n=0; while [ ! -e '" + release +
                                       "' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n";
    folder.write("bin/xdg-email", "#!/bin/sh\necho started >> '" + m_starts + "'\n" + wait +
                                      "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                      m_log + "'\nexit " + std::to_string(code) + "\n");
    chmod((bin + "/xdg-email").c_str(), 0755);
    m_path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin) + ":" + m_path);
  }
  ~FakeMailClient() { qputenv("PATH", m_path); }
  std::string log() const {
    std::ifstream in(m_log, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  size_t starts() const {
    std::ifstream in(m_starts);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }

 private:
  std::string m_log;
  std::string m_starts;
  QByteArray m_path;
};

TEST_F(ViewerFixture, MailsTheFileInTheBoxEvenWhenFilteredOrEdited) {
  FakeMailClient client(folder, 0);
  window().TxtF(1)->setText("2");
  view();
  ASSERT_EQ(column(4).size(), 1u);
  folder.write("OTHER.MIR", "x\r\n");
  window().Archivo()->setText(QString::fromStdString("  " + folder.file("OTHER.MIR") + " "));
  window().mnu(4)->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  EXPECT_EQ(client.log(), "--utf8\n--subject\nVelta 2000\n--body\n\r\n\n--attach\n" +
                              folder.file("OTHER.MIR") + "\n");
}

TEST_F(ViewerFixture, MailFailuresAreReported) {
  {
    FakeMailClient client(folder, 4);
    view();
    window().mnu(4)->trigger();
    ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
    EXPECT_NE(boxes.boxes()[0].text.find("4"), std::string::npos);
  }
  boxes.clear();
  FakeMailClient client(folder, 0);
  window().Archivo()->setText(QString::fromStdString(folder.file("GONE.MIR")));
  window().mnu(4)->trigger();
  ASSERT_EQ(boxes.numbers(), std::vector<int>{307});
  EXPECT_NE(boxes.boxes()[0].text.find(folder.file("GONE.MIR")), std::string::npos);
  EXPECT_EQ(client.log(), "");
}

// No xdg-email on PATH, or one that finds no mail program on the desktop (its exit 3): the box
// says, in the language of the settings, that no mail client is set up, not the system's reason.
TEST_F(ViewerFixture, WithoutAMailClientTheBoxSaysSoInTheLanguage) {
  view();
  const QByteArray path = qgetenv("PATH");
  for (int lenguaje : {0, 2000}) {
    for (bool installed : {false, true}) {
      SCOPED_TRACE(testing::Message() << lenguaje << (installed ? " xdg-email" : " none"));
      gCfgFile->LENGUAJE = static_cast<int16_t>(lenguaje);
      boxes.clear();
      std::optional<FakeMailClient> client;
      if (installed)
        client.emplace(folder, 3);
      else
        qputenv("PATH", QByteArray::fromStdString(folder.file("nowhere")));
      window().mnu(4)->trigger();
      qputenv("PATH", path);
      ASSERT_EQ(boxes.numbers(), std::vector<int>{320});
      EXPECT_EQ(boxes.boxes()[0].text,
                GetMsgIn(320, lenguaje) + "\n" + GetExtraMsgIn(ExtraMsg::NoMailClient, lenguaje));
      EXPECT_EQ(boxes.boxes()[0].text.find("execvp"), std::string::npos);
    }
  }
  gCfgFile->LENGUAJE = 0;
}

// The mail client's wait lets window events run through the program's event pump, as every
// exchange's wait does: here the pump is what releases the client.
TEST_F(ViewerFixture, TheMailClientsWaitRunsThroughTheEventPump) {
  FakeMailClient client(folder, 0, folder.file("release"));
  view();
  int pumped = 0;
  clocklink::setEventPump([&] {
    if (++pumped == 1) folder.write("release", "");
    QCoreApplication::processEvents();
  });
  window().mnu(4)->trigger();
  EXPECT_GT(pumped, 0);
  EXPECT_EQ(client.starts(), 1u);
  EXPECT_TRUE(boxes.numbers().empty());
}

// The mail client starts with window events running: meanwhile the commands are off (a second
// click starts no second client) and a close waits for the start, then closes the window.
TEST_F(ViewerFixture, ASecondClickDuringTheMailStartStartsNoSecondClient) {
  FakeMailClient client(folder, 0, folder.file("release"));
  view();
  bool commandsOff = false, openAfterClose = false;
  QTimer::singleShot(0, &window(), [&] {
    // The first client waits for its release: a second one would not.
    folder.write("release", "");
    commandsOff = !window().mnu(4)->isEnabled() && !window().mnu(1)->isEnabled() &&
                  !window().mnu(2)->isEnabled() && window().mnu(5)->isEnabled();
    window().mnu(4)->trigger();
    window().EnviarCorreo();
    window().close();
    openAfterClose = window().isVisible();
  });
  window().mnu(4)->trigger();
  EXPECT_EQ(client.starts(), 1u);
  EXPECT_TRUE(commandsOff);
  EXPECT_TRUE(openAfterClose);
  EXPECT_TRUE(boxes.numbers().empty());
  QCoreApplication::processEvents();
  EXPECT_FALSE(window().isVisible());
  EXPECT_TRUE(window().mnu(4)->isEnabled());
  EXPECT_TRUE(window().mnu(2)->isEnabled());  // as before the mail
}

}  // namespace

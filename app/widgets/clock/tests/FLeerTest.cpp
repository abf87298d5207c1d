// Manual reading: the FLeer window and the ManualRead steps under it, on a simulator clock
// over TCP.
#include "widgets/clock/FLeer.h"

#include "collect/CollectPunches.h"
#include "collect/ManualRead.h"
#include "collect/testing/Hooks.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/FtpServerFixture.h"
#include "testsupport/PlantedLink.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/MsgBoxReporter.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <clocklink/ClsMirsol.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <filesystem>

namespace {

size_t lineCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

class FLeerTest : public ::testing::Test {
 protected:
  FLeerTest() {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    gListaRelojes->M_Archivo = "REGIS.MIR";
    gListaRelojes->m_Path = folder.path();
    apptest::objects().createMirsol();
    apptest::objects().createModem();
    gMirsol->SetTimeOut(3);
    clock.sim().generatePunches(5, 1);
    (void)gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, clock.port(),
                                   5);
    dialogs::testing::setFrmMsgHook([this](const std::string& text) {
      questions.push_back(text);
      return nextAnswer;
    });
  }
  ~FLeerTest() override { dialogs::testing::setFrmMsgHook({}); }

  // A ManualRead over a plain list whose shipping windows are stand-ins.
  collect::ManualRead::Outcome readPlain(const std::string& boxText) {
    collect::ManualRead::Hooks hooks;
    hooks.askExisting = [this](const std::string& text) {
      questions.push_back(text);
      return nextAnswer;
    };
    hooks.shipFtp = [this] {
      shipped.push_back("ftp " + gCfgFile->tmpFTPFilePath + gCfgFile->tmpFTPFileName);
      return ftpResult;
    };
    hooks.shipRsh = [this] {
      shipped.push_back("rsh " + gCfgFile->tmpFTPFileName);
      return int16_t{-100};
    };
    MsgBoxReporter reporter;
    collect::ManualRead read(list, reporter, hooks);
    std::optional<RunContext> ctx = collect::programContext(apptest::objects());
    if (!ctx) {
      reporter.inform(337, msgbox::Critical);
      return collect::ManualRead::Outcome::Failed;
    }
    return read.run(*ctx, folder.path(), boxText, 0);
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  apptest::TcpClockSim clock;
  VectorProgressList list;
  std::vector<std::string> questions;
  std::vector<std::string> shipped;
  int nextAnswer = 1;
  int16_t ftpResult = -100;
};

TEST_F(FLeerTest, ReadsIntoTheProposedFileOnce) {
  FLeer w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.ArchivoReg()->text(), "REGIS.MIR");
  EXPECT_EQ(w.folder().toStdString() + "/", folder.path());
  EXPECT_EQ(w.Lst()->count(), 1);
  EXPECT_EQ(w.Lst()->text(1), GetMsg(270) + GetMsg(282));
  w.mnuAction(0)->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  EXPECT_EQ(lineCount(folder.read("REGIS.MIR")), 5u);
  EXPECT_FALSE(w.mnuAction(0)->isEnabled());
  EXPECT_TRUE(w.mnuAction(1)->isEnabled());
  EXPECT_EQ(w.mnuAction(0)->text().toStdString(), GetMsg(108));
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FLeer.png"));
}

TEST_F(FLeerTest, EmptyNameIsRefusedAndTheReadStaysUsable) {
  for (const char* name : {"", "   "}) {
    SCOPED_TRACE(std::string("name \"") + name + "\"");
    boxes.clear();
    questions.clear();
    FLeer w(nullptr, apptest::windowContext());
    w.ArchivoReg()->setText(name);
    w.mnuAction(0)->trigger();
    EXPECT_EQ(boxes.numbers(), std::vector<int>{249});
    EXPECT_TRUE(questions.empty());  // no question about the folder as an existing file
    EXPECT_TRUE(w.mnuAction(0)->isEnabled());
    EXPECT_EQ(clock.sim().receivedFrames().size(), 0u);
  }
}

// The clock's folder is selected and scrolled into view, below a long run of folders.
TEST_F(FLeerTest, TheClocksFolderIsInView) {
  for (int i = 0; i < 300; ++i)
    std::filesystem::create_directory(folder.path() + "d" + std::to_string(1000 + i));
  const std::string deep = folder.path() + "zz/yy/";
  std::filesystem::create_directories(deep);

  gListaRelojes->m_Path = deep;
  FLeer w(nullptr, apptest::windowContext());
  QTreeView* dir = w.Dir1();
  // The rows come in as the folders are read: look once the clock's folder's siblings are in.
  auto* model = qobject_cast<QFileSystemModel*>(dir->model());
  ASSERT_NE(model, nullptr);
  const QString parent = QFileInfo(QString::fromStdString(deep).chopped(1)).absolutePath();
  bool siblingsIn = false;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, &w,
                   [&](const QString& path) { siblingsIn = siblingsIn || path == parent; });
  w.show();
  ASSERT_TRUE(apptest::waitFor([&] { return siblingsIn; }));
  const QModelIndex current = dir->currentIndex();
  ASSERT_TRUE(current.isValid());
  EXPECT_EQ(w.folder().toStdString() + "/", deep);
  EXPECT_TRUE(apptest::waitFor([&] {
    const QRect row = dir->visualRect(dir->currentIndex());
    return row.isValid() && dir->viewport()->rect().contains(row.center());
  })) << "current row at "
      << dir->visualRect(dir->currentIndex()).y() << " of " << dir->viewport()->height();
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FLeer-folder.png"));
}

TEST_F(FLeerTest, ExistingFileAnswers) {
  struct Case {
    int answer;
    size_t lines;  // in the file afterwards
    bool readEnabled;
  };
  for (const Case& c : {Case{1, 6, false}, Case{2, 5, false}, Case{3, 1, true}}) {
    folder.write("REGIS.MIR", "old line\r\n");
    questions.clear();
    nextAnswer = c.answer;
    FLeer w(nullptr, apptest::windowContext());
    w.ArchivoReg()->setText(" REGIS.MIR ");
    w.mnuAction(0)->trigger();
    ASSERT_EQ(questions.size(), 1u) << c.answer;
    EXPECT_EQ(questions[0], GetMsg(168) + folder.path() + "REGIS.MIR" + GetMsg(169));
    EXPECT_EQ(lineCount(folder.read("REGIS.MIR")), c.lines) << c.answer;
    EXPECT_EQ(w.mnuAction(0)->isEnabled(), c.readEnabled) << c.answer;
  }
  EXPECT_EQ(GetMsg(168) + "/x/" + "f" + GetMsg(169), "El archivo/x/fya Existe.");
}

TEST_F(FLeerTest, AFileThatCannotBeEmptiedStopsTheRead) {
  // A folder of that name: nobody, root included, can empty it as a file.
  std::filesystem::create_directory(folder.file("REGIS.MIR"));
  nextAnswer = 2;
  EXPECT_EQ(readPlain("REGIS.MIR"), collect::ManualRead::Outcome::Refused);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find(systemReason(EISDIR)), std::string::npos);
  EXPECT_EQ(clock.sim().receivedFrames().size(), 0u);

  // A link to a file elsewhere: "Reemplazar" must not empty the file it names.
  boxes.clear();
  apptest::PlantedLink link(folder.file("LINK.MIR"));
  EXPECT_EQ(readPlain("LINK.MIR"), collect::ManualRead::Outcome::Refused);
  EXPECT_TRUE(link.unchanged());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, folder.file("LINK.MIR") + ": " + systemReason(ELOOP));
  EXPECT_EQ(clock.sim().receivedFrames().size(), 0u);
}

TEST_F(FLeerTest, ShippingRules) {
  gCfgFile->SAPEnabled = 1;
  gCfgFile->RSHEnabled = 1;
  // Shipped under the trimmed name, the remote command after the upload.
  EXPECT_EQ(readPlain("  A.TXT  "), collect::ManualRead::Outcome::Done);
  EXPECT_EQ(shipped, (std::vector<std::string>{"ftp " + folder.path() + "A.TXT", "rsh A.TXT"}));
  EXPECT_TRUE(folder.exists("A.TXT"));
  // A read of an empty clock has nothing to ship.
  clock.sim().setPunches({});
  shipped.clear();
  EXPECT_EQ(readPlain("B.TXT"), collect::ManualRead::Outcome::Done);
  EXPECT_TRUE(shipped.empty());
  // A failed upload shows its box and runs no remote command.
  clock.sim().generatePunches(2, 7);
  ftpResult = -200;
  EXPECT_EQ(readPlain("C.TXT"), collect::ManualRead::Outcome::Done);
  EXPECT_EQ(shipped, std::vector<std::string>{"ftp " + folder.path() + "C.TXT"});
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "No se pudo transmitir el archivo al servidor ftp");
}

TEST_F(FLeerTest, MultiEmpresaAsksNothingAndShipsNothing) {
  gCfgFile->MultiEmpresa = 1;
  gCfgFile->SAPEnabled = 1;
  folder.write("REGIS.MIR", "old line\r\n");
  FLeer w(nullptr, apptest::windowContext());
  EXPECT_FALSE(w.Dir1()->isEnabled());
  EXPECT_FALSE(w.ArchivoReg()->isEnabled());
  EXPECT_FALSE(w.Drive1()->isEnabled());
  EXPECT_EQ(w.LblMultiEmpresa()->text().toStdString(), GetMsg(245));
  readPlain("REGIS.MIR");
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(shipped.empty());
  EXPECT_EQ(folder.read("REGIS.MIR"), "old line\r\n");
}

TEST_F(FLeerTest, FailedReadDisablesTheReadCommand) {
  clock.sim().stop();
  gMirsol->SetTimeOut(1);
  FLeer w(nullptr, apptest::windowContext());
  w.mnuAction(0)->trigger();
  EXPECT_EQ(boxes.numbers(), std::vector<int>{337});
  EXPECT_FALSE(w.mnuAction(0)->isEnabled());
  EXPECT_TRUE(w.mnuAction(1)->isEnabled());
}

// A clock whose punches come slowly: a pty line paced at 1200 baud, published as COM21.
class SlowClock {
 public:
  SlowClock() : sim(options()) {
    sim.generatePunches(40, 3);
    ::setenv("VELTA_COM21", sim.openPty().c_str(), 1);
  }
  ~SlowClock() { ::unsetenv("VELTA_COM21"); }
  static clocksim::Options options() {
    clocksim::Options o;
    o.baud = 1200;
    return o;
  }
  clocksim::Simulator sim;
};

TEST_F(FLeerTest, CancelDuringASlowReadKeepsWhatWasWritten) {
  SlowClock slow;
  (void)gMirsol->SetTimeRecorder("1", 0, "COM21", "1200", "", 1, "", 0, 0, 0, 5);
  for (const bool byClose : {false, true}) {
    folder.write("REGIS.MIR", "");
    boxes.clear();
    FLeer w(nullptr, apptest::windowContext());
    w.show();
    nextAnswer = 2;
    bool stopped = false;
    collect::testing::setStepHook([&w, &stopped, byClose](const char* step, int index) {
      if (stopped || std::string(step) != "fetched" || index != 3) return;
      stopped = true;
      EXPECT_FALSE(w.mnuAction(1)->isEnabled());  // no exit while reading
      if (byClose)
        w.close();  // waits for the read, cancelling it
      else
        w.mnuAction(0)->trigger();  // the read command is "&Cancelar" now
    });
    w.mnuAction(0)->trigger();
    collect::testing::setStepHook({});
    // The operator's Cancelar is told as a failed read; a close asked for no box at all.
    EXPECT_EQ(boxes.numbers(), byClose ? std::vector<int>{} : std::vector<int>{337}) << byClose;
    const size_t written = lineCount(folder.read("REGIS.MIR"));
    EXPECT_GE(written, 3u) << byClose;
    EXPECT_LT(written, 40u) << byClose;
    EXPECT_FALSE(w.mnuAction(0)->isEnabled());
    EXPECT_TRUE(w.mnuAction(1)->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.isVisible(), !byClose);
  }
}

TEST_F(FLeerTest, ShipsTheTrimmedNameToARealFtpServer) {
  apptest::FtpServerFixture server;
  ASSERT_TRUE(server.started());
  gCfgFile->SAPEnabled = 1;
  gCfgFile->SAPUrl = "127.0.0.1";
  gCfgFile->SAPRemotePort = static_cast<int16_t>(server.port());
  gCfgFile->SAPModoPasivo = 1;
  gCfgFile->SAPTransferBinary = 1;
  gCfgFile->SAPUsername = "anonymous";
  gCfgFile->SAPPassword = "pw";
  FLeer w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.ArchivoReg()->text().left(8), "AR_2011_");
  w.ArchivoReg()->setText("  SHIP.TXT ");
  w.mnuAction(0)->trigger();
  EXPECT_TRUE(boxes.numbers().empty());
  EXPECT_EQ(gCfgFile->tmpFTPFileName, "SHIP.TXT");
  EXPECT_EQ(server.fileAt("SHIP.TXT"), folder.read("SHIP.TXT"));
  EXPECT_EQ(lineCount(server.fileAt("SHIP.TXT")), 5u);
}

}  // namespace

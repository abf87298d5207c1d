// The shared dialogs, offscreen: the three-choice window's answers and its close without a
// choice, the folder picker's cancel and choice, and the window a message box opens over.
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "widgets/dialogs/BrowseForFolder.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>
#include <string>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = new QApplication(m_argc, m_argv);
  }
  void TearDown() override { delete m_app; }

 private:
  int m_argc = 1;
  char m_name[8] = "dialogs";
  char* m_argv[2] = {m_name, nullptr};
  QApplication* m_app = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs `act` on the modal window once its event loop is running. The flag it returns turns
// true once that window was there and shown: a call that never opened it fails the test
// instead of passing without its checks.
template <typename Window>
std::shared_ptr<bool> whenModal(std::function<void(Window*)> act) {
  auto shown = std::make_shared<bool>(false);
  QTimer::singleShot(0, [act, shown] {
    auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    *shown = window->isVisible();
    act(window);
  });
  return shown;
}

QList<QIcon> imageList() {
  QList<QIcon> img;
  for (Qt::GlobalColor colour : {Qt::red, Qt::green, Qt::blue, Qt::yellow}) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    img.append(QIcon(pixmap));
  }
  return img;
}

struct ChoiceCase {
  int k;            // choice 0..2
  bool viaToolbar;  // click toolbar button k + 1 instead of menu entry mnu(k)
  const char* expected;
};

class FrmMsgChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(FrmMsgChoice, AnswersInSharedTextAfterBlocking) {
  const ChoiceCase c = GetParam();
  ProgramObjects objects;  // gSharedText is the owner's
  *gSharedText = "unchanged";
  const QList<QIcon> img = imageList();
  const auto shown = whenModal<FrmMsg>([&](FrmMsg* window) {
    EXPECT_EQ(window->label()->text(), QString::fromUtf8("¿Confirma?"));
    if (c.viaToolbar)
      QTest::mouseClick(window->toolBar()->widgetForAction(window->button(c.k + 1)),
                        Qt::LeftButton);
    else
      window->mnu(c.k)->trigger();
  });
  const FrmMsg::Shown answer =
      FrmMsg::Msg("¿Confirma?", "Agregar", "Reemplazar", "Cancelar", 0, &img);
  EXPECT_EQ(answer, nullptr);
  EXPECT_TRUE(*shown);
  EXPECT_EQ(*gSharedText, c.expected);
  EXPECT_EQ(answer.choice, c.k + 1) << "the choice is the call's result too";
}

INSTANTIATE_TEST_SUITE_P(Choices, FrmMsgChoice,
                         ::testing::Values(ChoiceCase{0, false, "1"}, ChoiceCase{1, false, "2"},
                                           ChoiceCase{2, false, "3"}, ChoiceCase{0, true, "1"},
                                           ChoiceCase{1, true, "2"}, ChoiceCase{2, true, "3"}));

TEST(FrmMsg, ClosingWithoutAChoiceLeavesSharedText) {
  ProgramObjects objects;  // gSharedText is the owner's
  *gSharedText = "kept";
  const auto shown = whenModal<FrmMsg>([](FrmMsg* window) { window->close(); });
  EXPECT_EQ(FrmMsg::Msg("Mensaje", "Agregar", "Reemplazar", "Cancelar", 0).choice, 0);
  EXPECT_TRUE(*shown);
  EXPECT_EQ(*gSharedText, "kept");
}

// The tests' seam answers as the window would: in gSharedText and as the result; 0 or an
// answer out of range is no choice.
TEST(FrmMsg, TheHooksAnswerIsTheResult) {
  ProgramObjects objects;  // gSharedText is the owner's
  for (const int answer : {1, 2, 3, 0, 4}) {
    SCOPED_TRACE(answer);
    *gSharedText = "kept";
    dialogs::testing::setFrmMsgHook([answer](const std::string&) { return answer; });
    const FrmMsg::Shown result = FrmMsg::Msg("Mensaje", "Agregar", "Reemplazar", "Cancelar", 0);
    dialogs::testing::setFrmMsgHook({});
    const bool chosen = answer >= 1 && answer <= 3;
    EXPECT_EQ(result.choice, chosen ? answer : 0);
    EXPECT_EQ(*gSharedText, chosen ? std::to_string(answer) : "kept");
    EXPECT_EQ(result, nullptr);
  }
}

TEST(FrmMsg, CaptionsBecomeChoicesAndEmptyOnesAreHidden) {
  const QList<QIcon> img = imageList();
  FrmMsg window(&img);
  window.setUp("Texto", "Agregar", "", "Cancelar");
  const char* captions[] = {"Agregar", "", "Cancelar"};
  for (int k = 0; k < 3; ++k) {
    const bool shown = captions[k][0] != '\0';
    EXPECT_EQ(window.mnu(k)->isVisible(), shown) << k;
    EXPECT_EQ(window.button(k + 1)->isVisible(), shown) << k;
    if (shown) {
      EXPECT_EQ(window.mnu(k)->text(), captions[k]);
      EXPECT_EQ(window.button(k + 1)->toolTip(), captions[k]);
    }
    EXPECT_EQ(window.button(k + 1)->icon().cacheKey(), img[2].cacheKey()) << "button " << k + 1;
  }
  EXPECT_EQ(window.windowTitle(), "Velta 2000");

  // Without the image list (or a short one) the buttons simply have no picture.
  const QList<QIcon> shortList = imageList().mid(0, 2);
  for (const QList<QIcon>* list : {static_cast<const QList<QIcon>*>(nullptr), &shortList}) {
    FrmMsg plain(list);
    EXPECT_TRUE(plain.button(1)->icon().isNull());
  }
}

TEST(FrmMsg, WithoutCaptionsReturnsAtOnceAndOnlyShowsTheMessage) {
  ProgramObjects objects;  // gSharedText is the owner's
  *gSharedText = "kept";
  QPointer<FrmMsg> window = FrmMsg::Msg("Procesando...Espere por favor", "", "", "", 0);
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->label()->text(), "Procesando...Espere por favor");
  for (int k = 0; k < 3; ++k)
    EXPECT_FALSE(window->mnu(k)->isVisible() || window->button(k + 1)->isVisible());
  EXPECT_EQ(*gSharedText, "kept");
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

TEST(FrmMsg, DetectarShowsWithoutBlockingAndStillAnswers) {
  ProgramObjects objects;  // gSharedText is the owner's
  *gSharedText = "";
  QPointer<FrmMsg> window = FrmMsg::Msg("Mensaje", "Uno", "Dos", "Tres", 1);
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  window->mnu(2)->trigger();
  EXPECT_EQ(*gSharedText, "3");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

class BrowseCancel : public ::testing::TestWithParam<std::string> {};

TEST_P(BrowseCancel, ReturnsTheDefaultExactly) {
  const auto shown = whenModal<QFileDialog>([](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Seleccione un Directorio..."));
    dialog->reject();
  });
  EXPECT_EQ(BrowseForFolder(nullptr, "Seleccione un Directorio...", GetParam()), GetParam());
  EXPECT_TRUE(*shown);
}

INSTANTIATE_TEST_SUITE_P(Defaults, BrowseCancel,
                         ::testing::Values(std::string(), std::string("/srv/relojes/"),
                                           std::string("  C:\\DATA\\ "),
                                           std::string("/tmp/año 2000")));

TEST(BrowseForFolder, ReturnsThePickedFolder) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString picked = tmp.path() + QString::fromUtf8("/salida ñ");
  ASSERT_TRUE(QDir().mkpath(picked));
  const auto shown = whenModal<QFileDialog>([&](QFileDialog* dialog) {
    dialog->setDirectory(picked);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the folder
  });
  EXPECT_EQ(BrowseForFolder(nullptr, "Directorio", "/default"), picked.toStdString());
  EXPECT_TRUE(*shown);
}

// A box asked for without a parent opens over the window that asked, also when no window of
// the program has the focus (another program has it, or a window manager whose focus follows
// the pointer): a box without parent is centred on the screen, far from its window.
TEST(MsgBox, OpensOverTheWindowThatAsked) {
  QMainWindow main;
  main.show();
  QWidget* owner = nullptr;
  dialogs::testing::setBoxInspector([&owner](QMessageBox& box) { owner = box.parentWidget(); });
  QApplication::setActiveWindow(nullptr);
  MsgBox(336, msgbox::Exclamation);
  EXPECT_EQ(owner, &main);  // no modal window: the main window's own command

  QDialog dialog(&main);
  MsgBox(317, msgbox::Critical, {}, {}, &dialog);
  EXPECT_EQ(owner, &main);  // asked while the dialog loads: it has no place on the screen yet

  const auto shown = whenModal<QDialog>([&owner](QDialog* d) {
    QApplication::setActiveWindow(nullptr);
    owner = nullptr;
    MsgBox(336, msgbox::Exclamation);
    EXPECT_EQ(owner, d);  // the modal dialog at work
    QLabel inside(d);
    MsgBox(336, msgbox::Exclamation, {}, {}, &inside);
    EXPECT_EQ(owner, &inside);  // a parent given is kept
    d->reject();
  });
  dialog.exec();
  EXPECT_TRUE(*shown);
  dialogs::testing::setBoxInspector({});
}

}  // namespace

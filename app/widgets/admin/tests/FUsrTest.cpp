#include "widgets/admin/FUsr.h"

#include "admin/ConfigForm.h"
#include "admin/tests/EditorTestData.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/EditorSupport.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>

#include <functional>

namespace {

class FUsrTest : public ::testing::Test {
 protected:
  FUsrTest() {
    apptest::objects().createSettings();
    users.Iniciar(tmp.file("VELTA.DAT"));
  }

  void putUser(int16_t slot, const std::string& name, int32_t psw, int16_t level) {
    editortest::putUser(users, slot, name, psw, level);
  }

  apptest::TempDataFolder tmp;
  apptest::MsgBoxRecorder boxes;
  MsgBoxReporter reporter;  // the models' boxes, recorded by `boxes`
  ClsUsers users;
};

TEST_F(FUsrTest, AStoredSixDigitPasswordAndADuplicateNameAreKept) {
  putUser(1, "admin", 123456, 2);
  putUser(2, "admin", 5, 0);
  users.Operation = 1;
  FUsr w(users);
  ASSERT_TRUE(w.opened());
  EXPECT_EQ(w.findChild<QLineEdit*>("Psw")->text(), "123456");
  w.commands().action(0)->trigger();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  ASSERT_TRUE(users.GetCurData(1));
  EXPECT_EQ(users.Psw, 123456);
  ASSERT_TRUE(users.GetCurData(2));
  EXPECT_EQ(basic::Trim(users.Name), "admin");
}

// Demoting the only administrator in the editor, or deleting it from the configuration's
// list, is refused with the reason, in the language of the settings, and in one look: an
// exclamation under the program's own title.
TEST_F(FUsrTest, TheLastAdministratorsRefusalSaysWhyInTheLanguage) {
  putUser(1, "boss", 1, 2);
  putUser(2, "ana", 2, 0);
  for (int lenguaje : {0, 1000, 2000}) {
    SCOPED_TRACE(lenguaje);
    gCfgFile->LENGUAJE = static_cast<int16_t>(lenguaje);
    boxes.clear();
    users.Operation = 1;
    FUsrModel editor(users, reporter);
    ASSERT_TRUE(editor.load());
    editor.controls.level = 0;
    EXPECT_FALSE(editor.accept());
    EXPECT_FALSE(config::deleteUser(users, 2, 1, reporter));
    const std::string text = GetMsgIn(338, lenguaje) + "\n" +
                             GetExtraMsgIn(ExtraMsg::LastAdministrator, lenguaje, {"boss"});
    ASSERT_EQ(boxes.boxes().size(), 2u);
    for (const dialogs::BoxRequest& box : boxes.boxes()) {
      EXPECT_EQ(box.number, 338);
      EXPECT_EQ(box.text, text);
      EXPECT_EQ(box.style, msgbox::OkOnly | msgbox::Exclamation);
      EXPECT_EQ(box.title, "");
    }
    ASSERT_TRUE(users.GetCurData(1));
    EXPECT_EQ(users.Level, 2);
  }
  gCfgFile->LENGUAJE = 0;
}

TEST_F(FUsrTest, ToolbarTakesThePicturesOfTheMainWindowsImageList) {
  QList<QIcon> img;
  for (Qt::GlobalColor c : {Qt::red, Qt::green}) {
    QPixmap p(16, 16);
    p.fill(c);
    img.append(QIcon(p));
  }
  users.Operation = 0;
  FUsr w(users, &img);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(w.commands().button(i)->icon().cacheKey(), img[i - 1].cacheKey()) << i;
    EXPECT_EQ(w.commands().button(i)->toolTip(), w.commands().action(i - 1)->text());
  }
  EXPECT_EQ(w.commands().action(0)->text(), "&Aceptar");
  EXPECT_TRUE(w.commands().action(0)->icon().isNull());  // the menu bar keeps its caption
  EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("FUsr-icons.png")));
}

TEST_F(FUsrTest, FullTableRefusesANewUser) {
  for (int16_t i = 1; i <= 100; ++i) putUser(i, "u" + std::to_string(i), i, 2);
  users.Operation = 0;
  FUsr::run(users);  // must not show anything
  EXPECT_EQ(users.Operation, -1);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{338});
  ASSERT_TRUE(users.GetCurData(100));
  EXPECT_EQ(basic::Trim(users.Name), "u100");
}

TEST_F(FUsrTest, WindowCancelsClosesAndAccepts) {
  putUser(1, "admin", 1, 2);
  putUser(2, "ana", 22, 0);
  {
    users.Operation = 2;
    FUsr w(users);
    w.findChild<QLineEdit*>("Usr")->setText("changed");
    w.commands().button(2)->click();
    EXPECT_EQ(users.Operation, -1);
  }
  {
    users.Operation = 2;
    FUsr w(users);
    w.show();
    w.findChild<QLineEdit*>("Usr")->setText("changed");
    w.close();
    EXPECT_EQ(users.Operation, 2);
  }
  ASSERT_TRUE(users.GetCurData(2));
  EXPECT_EQ(basic::Trim(users.Name), "ana");

  users.Operation = 0;
  FUsr w(users);
  w.show();
  EXPECT_EQ(w.findChild<QComboBox*>("CmbLevel")->currentText(), "Básico");
  w.findChild<QLineEdit*>("Usr")->setText(" nuevo ");
  w.findChild<QLineEdit*>("Psw")->setText("77");
  w.findChild<QLineEdit*>("vPsw")->setText("77");
  w.findChild<QComboBox*>("CmbLevel")->setCurrentIndex(2);
  EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("FUsr.png")));
  w.commands().button(1)->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  ASSERT_TRUE(users.GetCurData(3));
  EXPECT_EQ(basic::Trim(users.Name), "nuevo");
  EXPECT_EQ(users.Level, 2);
  EXPECT_EQ(users.Psw, 77);
}

}  // namespace

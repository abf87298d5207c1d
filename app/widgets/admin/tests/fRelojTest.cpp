#include "widgets/admin/fReloj.h"

#include "admin/tests/EditorTestData.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/EditorSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <map>

namespace {

class fRelojTest : public ::testing::Test {
 protected:
  fRelojTest() {
    apptest::objects().createSettings();
    list.Iniciar(tmp.file("velta002.dat"));
  }

  void putClock(int16_t slot, int16_t prg, const std::function<void(ClsListaRelojes&)>& edit = {}) {
    editortest::putClock(list, slot, prg, edit);
  }

  apptest::TempDataFolder tmp;
  apptest::MsgBoxRecorder boxes;
  ClsListaRelojes list;
};

TEST_F(fRelojTest, FullListRefusesANewClock) {
  for (int16_t i = 1; i <= 100; ++i) putClock(i, i);
  list.Operation = 0;
  fReloj::run(list);  // must not show anything
  EXPECT_EQ(list.Operation, -1);
  EXPECT_EQ(boxes.numbers(), std::vector<int>{338});
  ASSERT_EQ(list.GetCurData(100), 1);
  EXPECT_EQ(list.m_Descrip, "clock 100");
}

TEST_F(fRelojTest, WindowCancelAndCloseBoxStoreNothing) {
  putClock(2, 2);
  {
    list.Operation = 2;
    fReloj w(list);
    ASSERT_TRUE(w.opened());
    w.findChild<QLineEdit*>("TxtDescrip")->setText("changed");
    w.commands().action(1)->trigger();
    EXPECT_EQ(list.Operation, -1);
  }
  {
    list.Operation = 2;
    fReloj w(list);
    w.show();
    w.findChild<QLineEdit*>("TxtDescrip")->setText("changed");
    w.close();
    EXPECT_EQ(list.Operation, 2);
  }
  ASSERT_EQ(list.GetCurData(2), 1);
  EXPECT_EQ(list.m_Descrip, "clock 2");
}

TEST_F(fRelojTest, WindowShowsTheClockAndAccepts) {
  putClock(3, 3, [](ClsListaRelojes& r) {
    r.m_PortLocal = 65535;
    r.m_Modelo = 3;
    r.m_TipoNumero = 2;
  });
  list.Operation = 3;
  fReloj w(list);
  ASSERT_TRUE(w.opened());
  w.show();
  auto* port = w.findChild<QLineEdit*>("PLocal");
  EXPECT_EQ(port->text(), " 65535");  // never cut by the typing limit
  auto* kind = w.findChild<QComboBox*>("CmbTipoNumero");
  EXPECT_EQ(kind->currentIndex(), 1);
  auto* model = w.findChild<QComboBox*>("CmbModelo");
  model->setCurrentIndex(0);
  EXPECT_EQ(kind->currentIndex(), 0);
  auto* custom = w.findChild<QCheckBox*>("ArchivoCustom");
  custom->click();
  EXPECT_EQ(w.findChild<QLineEdit*>("TxtArchivo")->text(), "YYYYmmdd");
  auto* tabs = w.findChild<QTabWidget*>("SSTab1");
  EXPECT_EQ(tabs->currentIndex(), 0);
  for (int t = 0; t < 4; ++t) {
    tabs->setCurrentIndex(t);
    EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("fReloj-tab%1.png").arg(t)));
  }
  QTest::keyClicks(w.findChild<QLineEdit*>("IP(0)"), "1234");
  EXPECT_EQ(w.findChild<QLineEdit*>("IP(0)")->text(), "123");
  w.commands().button(1)->click();
  EXPECT_EQ(list.Operation, 1);
  EXPECT_EQ(w.result(), QDialog::Accepted);
  ASSERT_EQ(list.GetCurData(3), 1);
  EXPECT_EQ(list.m_Modelo, 0);
  EXPECT_EQ(list.m_TipoNumero, 1);
  EXPECT_EQ(list.M_Archivo, "YYYYMMDD");
  EXPECT_EQ(list.m_IP, "123...");
}

TEST(EditorSupport, FolderSeparator) {
  const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                       {"  ", ""},
                                                       {"/data", "/data/"},
                                                       {" /data/ ", "/data/"},
                                                       {"C:\\DATOS", "C:\\DATOS/"},
                                                       {"C:\\DATOS\\", "C:\\DATOS\\"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(folderWithSeparator(in), out) << in;
}

}  // namespace

// The number list is blue with white text, open or closed: its open rows must be as readable
// as the closed box (a light list background under white text is not).
TEST_F(fRelojTest, OpenNumberListKeepsWhiteTextOnBlue) {
  list.Operation = 0;
  fReloj w(list);
  w.show();
  auto* numero = w.findChild<QComboBox*>("CmbNumero");
  ASSERT_NE(numero, nullptr);
  numero->showPopup();
  QAbstractItemView* rows = numero->view();
  ASSERT_TRUE(rows->isVisible());
  const QImage shot = rows->viewport()->grab().toImage();
  std::map<QRgb, int> counts;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) ++counts[shot.pixel(x, y)];
  const auto background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  EXPECT_LT(qGray(background), 100) << std::hex << background;  // dark: the list's blue
  EXPECT_TRUE(counts.count(qRgb(255, 255, 255))) << "white row text";
  rows->grab().save(QDir::temp().filePath("fReloj-CmbNumero-open.png"));
  numero->hidePopup();
}

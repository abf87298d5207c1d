// Every window in one language: each window is built in Spanish and in English, grabbed, and
// every caption, tool tip, title, tab, list header and list entry it shows is checked against
// the other language's texts (message table and Qt's own buttons). A text of the other
// language in a window is a caption that missed the language setting.
#include "FComm.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/QtTranslations.h"
#include "core/Release.h"
#include "core/StoreWriters.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FAud.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FCfgSAP.h"
#include "widgets/admin/FEmpr.h"
#include "widgets/admin/FUsr.h"
#include "widgets/admin/FVerArch.h"
#include "widgets/admin/Fconfig.h"
#include "widgets/admin/fReloj.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FConsole.h"
#include "widgets/clock/FIniModem.h"
#include "widgets/clock/FLeer.h"
#include "widgets/clock/FSirenas.h"
#include "widgets/clock/FTime.h"
#include "widgets/clock/FTjtas.h"
#include "widgets/clock/FrmTest.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/frmSplash.h"
#include "widgets/main/FormP.h"
#include "widgets/main/frmAbout.h"

#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>

#include <functional>
#include <memory>
#include <set>

namespace {

std::string plain(QString s) {
  s.remove('&');
  return s.trimmed().toStdString();
}

// Everything the window shows as its own text (not the data it lists).
std::vector<std::string> textsOf(QWidget& window) {
  std::vector<std::string> out;
  auto add = [&out](const QString& s) {
    if (!plain(s).empty()) out.push_back(plain(s));
  };
  add(window.windowTitle());
  std::vector<QWidget*> widgets = {&window};
  for (QWidget* w : window.findChildren<QWidget*>()) widgets.push_back(w);
  for (QWidget* w : widgets) {
    add(w->toolTip());
    if (auto* l = qobject_cast<QLabel*>(w)) add(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) add(g->title());
    if (auto* m = qobject_cast<QMenu*>(w)) add(m->title());
    if (auto* s = qobject_cast<QStatusBar*>(w)) add(s->currentMessage());
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) add(t->tabText(i));
    if (auto* c = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) add(c->itemText(i));
    if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
      for (int i = 0; i < v->model()->columnCount(); ++i)
        add(v->model()->headerData(i, Qt::Horizontal).toString());
    }
  }
  for (QAction* a : window.findChildren<QAction*>()) {
    add(a->text());
    add(a->toolTip());
  }
  return out;
}

// Texts of language `other` that language `own` never shows: the message table's (those the
// two languages write alike, such as "Modem", do not count) and, for a window that is not
// English, Qt's own English buttons.
std::set<std::string> foreignTexts(int own, int other) {
  std::set<std::string> ownTexts, out;
  for (int id = 101; id <= 415; ++id)
    ownTexts.insert(plain(QString::fromStdString(GetMsgIn(id, own))));
  for (int id = 101; id <= 415; ++id) {
    const std::string t = plain(QString::fromStdString(GetMsgIn(id, other)));
    if (t.size() > 1 && !ownTexts.count(t)) out.insert(t);
  }
  if (own != 1000)
    for (const char* qt :
         {"OK", "Cancel", "Yes", "Save", "Open", "Close", "Apply", "Print", "Look in:", "Help"})
      out.insert(qt);
  return out;
}

struct WindowCase {
  const char* name;
  std::function<QWidget*()> make;
  bool fixedCaptions = false;  // its captions are the form's own, the same in every language
};

class WindowLanguageTest : public ::testing::TestWithParam<int> {
 protected:
  WindowLanguageTest() {
    stores::writeUsers({{"ADMIN", 3, 2}});
    stores::writeClocks({stores::ClockSpec{}});
    folder.write("VELTA.INI",
                 "[COMMON]\r\nVERSION=2\r\nLENGUAJE=" + std::to_string(GetParam()) + "\r\n");
    apptest::objects().createSettings();
    gCfgFile->Init(folder.file("VELTA.INI"));
    gCfgFile->LoadCfg();
    applyQtTranslations(gCfgFile->LENGUAJE);
    (void)apptest::objects().createStartupObjects();
    gUsers->FindUser("ADMIN", "3");
  }
  // The fixture's owner takes the translators off at its end.
  ~WindowLanguageTest() override { clocklink::FComm::unload(); }
  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes;
  WindowOpeners openers;
};

TEST_P(WindowLanguageTest, NoWindowShowsTheOtherLanguage) {
  const int own = GetParam();
  const std::set<std::string> foreign = foreignTexts(own, own == 0 ? 1000 : 0);
  ASSERT_GT(foreign.size(), 200u);
  const WindowCase windows[] = {
      {"FLeer", [] { return new FLeer(nullptr, apptest::windowContext()); }},
      {"FTime", [] { return new FTime(nullptr, apptest::windowContext()); }},
      {"FCbioReloj", [] { return new FCbioReloj(nullptr, apptest::windowContext()); }},
      {"FConsole", [] { return new FConsole(nullptr, apptest::windowContext()); }},
      {"FCacheo", [] { return new FCacheo(nullptr, apptest::windowContext()); }},
      {"FTjtas", [] { return new FTjtas(nullptr, apptest::windowContext()); }},
      {"FSirenas", [] { return new FSirenas(nullptr, apptest::windowContext()); }},
      {"FrmTest", [] { return new FrmTest(nullptr, apptest::windowContext()); }},
      {"FIniModem", [] { return new FIniModem(nullptr, apptest::windowContext()); }},
      {"FBases", [] { return new FBases; }},
      {"FEmpr", [] { return new FEmpr; }},
      {"FUsr", [] { return new FUsr(*gUsers); }},
      {"fReloj",
       [] {
         gListaRelojes->Operation = 0;
         return new fReloj(*gListaRelojes);
       }},
      {"Fconfig", [] { return new Fconfig({}, nullptr, apptest::windowContext()); }},
      {"FCfgSAP", [] { return new FCfgSAP(*gCfgFile); }, true},
      {"FVerArch", [] { return new FVerArch(nullptr, apptest::windowContext()); }},
      {"FAud", [] { return new FAud(nullptr, apptest::windowContext()); }},
      {"frmAbout", [] { return new frmAbout; }},
      {"FrmMsg", [] { return new FrmMsg; }},
      {"frmSplash", [] { return new frmSplash; }},
      // Last: the main window, whose shutdown would release the program-wide objects.
      {"FormP", [this] { return new FormP(openers, apptest::runContext(), &apptest::objects()); }},
  };
  const std::string lang = own == 0 ? "es" : "en";
  for (const WindowCase& c : windows) {
    std::unique_ptr<QWidget> w(c.make());
    w->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(apptest::grabNonBlank(
        w.get(), QString::fromStdString(std::string(c.name) + "-" + lang + ".png")))
        << c.name;
    if (!c.fixedCaptions) {
      for (const std::string& t : textsOf(*w)) {
        EXPECT_FALSE(foreign.count(t)) << c.name << " (" << lang << ") shows \"" << t << "\"";
      }
    }
    w->close();
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowLanguageTest, ::testing::Values(0, 1000),
                         [](const auto& info) { return info.param == 0 ? "Spanish" : "English"; });

}  // namespace

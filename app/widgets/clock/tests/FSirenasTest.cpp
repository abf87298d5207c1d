// The siren schedule window against the simulator on TCP.
#include "widgets/clock/FSirenas.h"

#include "collect/SirenSchedule.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "testsupport/ClockSimFixture.h"
#include "testsupport/SilentListener.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include <set>

namespace {

using clocksim::Siren;

class FSirenasTest : public ::testing::Test {
 protected:
  FSirenasTest() {
    apptest::objects().createSettings();
    apptest::objects().createClockList();
    apptest::objects().createModem();  // the run context holds it beside the clock object
  }
  // The clock of model `model` on a simulator, or on a silent listener when `port` is given.
  void connect(int16_t model, uint16_t port = 0) {
    gListaRelojes->m_Modelo = model;
    clocksim::Options options;
    options.model = model;
    clock = std::make_unique<apptest::TcpClockSim>(options);
    apptest::objects().createMirsol();
    gMirsol->SetTimeOut(port ? 1 : 3);
    (void)gMirsol->SetTimeRecorder("1", model, "COM1", "9600", "", 1, "127.0.0.1", 2, 0,
                                   port ? port : clock->port(), 5);
  }
  bool sent(const std::string& body) {
    for (const std::string& f : clock->sim().receivedFrames())
      if (f.find(body) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> row(FSirenas& w, int i) {
    std::vector<std::string> out;
    QTreeWidgetItem* item = w.LstSir()->topLevelItem(i);
    for (int c = 0; c < 5; ++c) out.push_back(item->text(c).toStdString());
    return out;
  }
  void fill(FSirenas& w, int day, int siren, const char* hour, const char* minute,
            const char* duration) {
    w.ListaDias()->setCurrentIndex(day);
    w.ListaSirenas()->setCurrentIndex(siren - 1);
    w.MEdHora(0)->setText(hour);
    w.MEdHora(1)->setText(minute);
    w.MEdDuracion()->setText(duration);
  }

  apptest::TempDataFolder folder;
  apptest::MsgBoxRecorder boxes{msgbox::Yes};
  std::unique_ptr<apptest::TcpClockSim> clock;
};

TEST_F(FSirenasTest, ListsTheClocksSchedule) {
  connect(3);
  clock->sim().setSirens({Siren{7, 2, 12, 30, 10}, Siren{9, 1, 8, 0, 5}, Siren{0, 4, 6, 15, 45}});
  FSirenas w(nullptr, apptest::windowContext());
  EXPECT_EQ(boxes.numbers(), std::vector<int>{353});
  ASSERT_EQ(w.LstSir()->topLevelItemCount(), 2);
  EXPECT_EQ(row(w, 0), (std::vector<std::string>{"1", "D Habiles", "12:30", "10", "2"}));
  EXPECT_EQ(row(w, 1), (std::vector<std::string>{"2", "Dom", "06:15", "45", "4"}));
  EXPECT_EQ(w.ListaDias()->count(), 9);
  EXPECT_FALSE(w.command(1)->isEnabled());  // "&Baja" waits for a row
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FSirenas.png"));
}

// Opened over a window on screen, the window is up while it reads and counts the entries.
TEST_F(FSirenasTest, ShowsTheReadingAsItGoes) {
  connect(0);
  clock->sim().setSirens({Siren{1, 1, 7, 5, 5}});
  QWidget main;
  main.show();
  struct Seen {
    bool visible;
    std::string message;
    int count;
  };
  std::vector<Seen> seen;
  clocklink::setEventPump([&seen] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "FSirenas") continue;
      auto* bar = w->findChild<QProgressBar*>("PrgSirenas");
      seen.push_back({w->isVisible(), w->findChild<QLabel*>("LBLMensaje")->text().toStdString(),
                      bar && bar->isVisible() ? bar->value() : -1});
      if (seen.back().count == 16 && seen[seen.size() - 2].count != 16)
        apptest::grabNonBlank(w, "FSirenas-reading.png");
    }
    QCoreApplication::processEvents();
  });
  {
    FSirenas w(&main, apptest::windowContext());
    clocklink::setEventPump({});
    EXPECT_EQ(w.LstSir()->topLevelItemCount(), 1);
    EXPECT_FALSE(w.findChild<QProgressBar*>("PrgSirenas")->isVisible());  // done
    EXPECT_TRUE(w.findChild<QLabel*>("LBLMensaje")->text().isEmpty());
  }
  ASSERT_FALSE(seen.empty());
  std::set<int> counts;
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.message, GetMsg(164));
    counts.insert(s.count);
  }
  // Every entry's count was on show at some wait, from none read to all but the last.
  for (int n = 0; n < collect::kSirenEntries; ++n) EXPECT_TRUE(counts.count(n)) << n;
}

TEST_F(FSirenasTest, AddDeleteAndDeleteAll) {
  connect(0);
  FSirenas w(nullptr, apptest::windowContext());
  EXPECT_EQ(w.ListaDias()->count(), 8);
  w.command(0)->trigger();  // Nuevo
  EXPECT_TRUE(w.MEdDuracion()->isEnabled());
  fill(w, 1, 1, "7", "5", "5");
  w.command(0)->trigger();  // Actualizar
  EXPECT_TRUE(boxes.numbers().empty());
  EXPECT_EQ(clock->sim().sirens()[0], (Siren{1, 1, 7, 5, 5}));
  EXPECT_TRUE(sent("811070505"));
  ASSERT_EQ(w.LstSir()->topLevelItemCount(), 1);
  EXPECT_FALSE(w.MEdDuracion()->isEnabled());

  w.LstSir()->setCurrentItem(w.LstSir()->topLevelItem(0));
  EXPECT_EQ(w.MEdHora(0)->text(), "07");
  EXPECT_TRUE(w.command(1)->isEnabled());
  w.command(1)->trigger();  // Baja
  EXPECT_TRUE(sent("815070505"));
  EXPECT_EQ(w.LstSir()->topLevelItemCount(), 0);
  EXPECT_FALSE(w.command(1)->isEnabled());

  clock->sim().setSirens({Siren{2, 1, 9, 0, 3}, Siren{3, 2, 9, 0, 3}});
  w.LeerSirenas();
  EXPECT_EQ(w.LstSir()->topLevelItemCount(), 2);
  w.command(2)->trigger();  // Borrar Todas
  EXPECT_EQ(w.LstSir()->topLevelItemCount(), 0);
  EXPECT_EQ(clock->sim().sirens(), std::vector<Siren>(clocksim::kSirenSlots));
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{194, 199}));
}

TEST_F(FSirenasTest, EditChecksKeepEditMode) {
  connect(0);
  FSirenas w(nullptr, apptest::windowContext());
  w.command(0)->trigger();
  const size_t frames = clock->sim().receivedFrames().size();
  for (const char* duration : {"0", "46"}) {
    fill(w, 1, 1, "7", "5", duration);
    w.command(0)->trigger();
  }
  fill(w, 1, 1, "24", "5", "45");
  w.command(0)->trigger();
  EXPECT_EQ(boxes.numbers(), (std::vector<int>{214, 214, 327}));
  EXPECT_EQ(clock->sim().receivedFrames().size(), frames);
  EXPECT_TRUE(w.MEdDuracion()->isEnabled());
  w.command(3)->trigger();  // Cancelar leaves edit mode, sends nothing
  EXPECT_FALSE(w.MEdDuracion()->isEnabled());
  EXPECT_EQ(clock->sim().receivedFrames().size(), frames);
  // Baja with no row shown sends nothing either.
  w.fBajaSirena();
  EXPECT_EQ(clock->sim().receivedFrames().size(), frames);
}

// The close box while the schedule is read: the reading is cancelled and the window goes
// without a box saying the reading failed (a silent clock still says it, below).
TEST_F(FSirenasTest, CloseDuringTheReadingShowsNoFailure) {
  connect(0);
  clock->sim().setSirens({Siren{1, 1, 7, 5, 5}});
  QWidget main;
  main.show();
  bool closed = false;
  clocklink::setEventPump([&closed] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "FSirenas") continue;
      auto* bar = w->findChild<QProgressBar*>("PrgSirenas");
      if (!closed && bar->isVisible() && bar->value() >= 8) {
        closed = true;
        w->close();
      }
    }
    QCoreApplication::processEvents();
  });
  FSirenas w(&main, apptest::windowContext());
  clocklink::setEventPump({});
  QCoreApplication::processEvents();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.lastResult(), clocklink::kCancelled);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(w.LstSir()->topLevelItemCount(), 0);
}

TEST_F(FSirenasTest, SilentClockShows332AndAnEmptyList) {
  apptest::SilentListener silent;
  connect(0, silent.port());
  FSirenas w(nullptr, apptest::windowContext());
  EXPECT_EQ(boxes.numbers(), std::vector<int>{332});
  EXPECT_EQ(w.LstSir()->topLevelItemCount(), 0);
}

}  // namespace

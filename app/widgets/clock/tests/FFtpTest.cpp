// The FTP window against a real FTP server: outcome, label, button, exit timer and the result
// handed back through the settings.
#include "widgets/clock/FFtp.h"

#include "core/ClsCfgFile.h"
#include "core/Globals.h"
#include "testsupport/FtpServerFixture.h"
#include "testsupport/SilentListener.h"
#include "testsupport/WaitFor.h"
#include "testsupport/widgets/WidgetTestSupport.h"

#include <clocklink/EventPump.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <functional>

using apptest::FtpServerFixture;
using apptest::SilentListener;
using apptest::waitFor;

namespace {

// The window's transfer runs nested event loops (its waits pump events), so a test acts from
// a timer, which fires inside them: `action` runs once, as soon as `when` holds.
void onceWhen(QObject* owner, std::function<bool()> when, std::function<void()> action) {
  auto* t = new QTimer(owner);
  QObject::connect(t, &QTimer::timeout, [t, when = std::move(when), action = std::move(action)] {
    if (!t->isActive() || !when()) return;
    t->stop();
    action();
  });
  t->start(5);
}

class FFtpTest : public ::testing::Test {
 protected:
  apptest::TempDataFolder data;

  void SetUp() override {
    clocklink::setEventPump([] { QCoreApplication::processEvents(); });
    apptest::objects().createSettings();
    gCfgFile->SAPUrl = "127.0.0.1";
    gCfgFile->SAPModoPasivo = 1;
    gCfgFile->SAPTransferBinary = 1;
    gCfgFile->SAPUsername = "anonymous";
    gCfgFile->SAPPassword = "pw-never-shown";
    // The caller's folder as written by the collection, with Windows separators.
    gCfgFile->tmpFTPFilePath = data.path() + "out\\";
    gCfgFile->tmpFTPFileName = "REGIS.MIR";
    gCfgFile->tmpReturnValue = -100;  // an earlier run's result
    std::filesystem::create_directories(data.path() + "out");
    data.write("out/REGIS.MIR", "0001;2026-12-10;08:00\r\n");
  }
  void TearDown() override { clocklink::setEventPump(nullptr); }

  static QLabel* label(FFtp& w) { return w.findChild<QLabel*>("LblMsg"); }
  static QString text(FFtp& w) { return label(w)->text(); }
  static QPushButton* button(FFtp& w) { return w.findChild<QPushButton*>("Command1"); }
  static QTimer* exitTimer(FFtp& w) { return w.findChild<QTimer*>("TmrExit"); }
};

TEST_F(FFtpTest, SuccessClosesAfterTheShortWaitWithOneUpload) {
  FtpServerFixture server;
  ASSERT_TRUE(server.started());
  gCfgFile->SAPRemotePort = static_cast<int16_t>(server.port());
  FFtp w(gCfgFile);
  int finished = 0;
  QObject::connect(&w, &QDialog::finished, [&] { ++finished; });
  bool connecting = false;
  // Qt activates the window again on focus changes; that must not start a second upload.
  onceWhen(
      &w, [&] { return text(w) == "Conectando..."; },
      [&] {
        connecting = true;
        w.hide();
        w.show();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
      });
  w.show();
  EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
  ASSERT_TRUE(waitFor([&] { return text(w) == "Archivo Transferido. Finalizando"; }));
  EXPECT_TRUE(connecting);
  EXPECT_FALSE(button(w)->isEnabled());
  EXPECT_EQ(gCfgFile->tmpReturnValue, -100);
  EXPECT_TRUE(exitTimer(w)->isActive());
  EXPECT_EQ(exitTimer(w)->interval(), 3000);
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FFtp-success.png"));
  ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(server.count("STOR"), 1);
  EXPECT_EQ(server.fileAt("REGIS.MIR"), "0001;2026-12-10;08:00\r\n");
}

TEST_F(FFtpTest, FailureShowsStepAndReplyAndWaitsLonger) {
  FtpServerFixture server({false, "", ""});  // no write permission
  ASSERT_TRUE(server.started());
  gCfgFile->SAPRemotePort = static_cast<int16_t>(server.port());
  FFtp w(gCfgFile);
  w.show();
  ASSERT_TRUE(waitFor([&] { return text(w).startsWith("FtpPutFile"); }));
  EXPECT_TRUE(text(w).startsWith("FtpPutFile Extd Err: 25\n550 ")) << text(w).toStdString();
  EXPECT_FALSE(text(w).contains("pw-never-shown"));
  EXPECT_TRUE(button(w)->isEnabled());
  EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
  EXPECT_EQ(exitTimer(w)->interval(), 10000);
  EXPECT_TRUE(exitTimer(w)->isActive());
  EXPECT_TRUE(apptest::grabNonBlank(&w, "FFtp-failure.png"));
  ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
  EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
}

TEST_F(FFtpTest, CancelMidTransferEndsItAndKeepsTheFailure) {
  struct Way {
    const char* name;
    std::function<void(FFtp&)> cancel;
  };
  const std::vector<Way> ways = {
      {"button", [](FFtp& w) { button(w)->click(); }},
      {"close box", [](FFtp& w) { w.close(); }},
      {"escape", [](FFtp& w) { apptest::pressEscape(&w); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    SilentListener listener;
    gCfgFile->SAPRemotePort = static_cast<int16_t>(listener.port());
    gCfgFile->tmpReturnValue = -100;
    FFtp w(gCfgFile);
    int finished = 0;
    QObject::connect(&w, &QDialog::finished, [&] { ++finished; });
    bool cancelled = false;
    onceWhen(
        &w, [&] { return listener.connectionWaiting(); },
        [&] {
          cancelled = true;
          way.cancel(w);
          EXPECT_EQ(text(w), "Cancelando ... ");
          EXPECT_FALSE(button(w)->isEnabled());
          EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
          EXPECT_TRUE(w.isVisible());
          EXPECT_EQ(exitTimer(w)->interval(), 3000);
        });
    w.show();
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(text(w), "Cancelando ... ");
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(gCfgFile->tmpReturnValue, -200);
  }
}

}  // namespace

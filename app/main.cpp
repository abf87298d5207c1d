// The program `velta`: the Qt application, the clock library's event pump, the windows'
// openers, the start-up, and the event loop. SIGTERM and SIGINT ask the main window to close
// (its normal close: settings saved, line hung up, marker written), see StopSignals. Without a
// display, a start-up refusal goes to standard error and the program ends with status 1.
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <clocklink/EventPump.h>

#include <csignal>
#include <cstdio>
#include <memory>

#include "EditorHooks.h"
#include "FAud.h"
#include "FBases.h"
#include "FCacheo.h"
#include "FCbioReloj.h"
#include "FEmpr.h"
#include "FLeer.h"
#include "FSirenas.h"
#include "FTime.h"
#include "FTjtas.h"
#include "FVerArch.h"
#include "Fconfig.h"
#include "FormP.h"
#include "FrmTest.h"
#include "InstanceLock.h"
#include "ProgramObjects.h"
#include "Release.h"
#include "ReleaseBoxes.h"
#include "StopSignals.h"
#include "WindowOpeners.h"
#include "frmAbout.h"
#include "FConsole.h"
#include "FIniModem.h"
#include "fAuto.h"

namespace {

// No screen to show a box on: the offscreen or minimal platform, or neither an X nor a
// Wayland display. A refusal shown in a modal box there would wait for nobody, forever.
bool withoutDisplay() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return true;
  return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The clock windows: modal over the main window, freed when closed.
template <class Window>
void execModal(QWidget* parent) {
  Window w(parent);
  w.exec();
}

// Each window registers its opener here as it comes; the others stay disabled meanwhile.
// The main window's image list for a window's toolbar, when the parent is the main window.
const QList<QIcon>* imagesOf(QWidget* parent) {
  auto* main = qobject_cast<FormP*>(parent);
  return main ? &main->Img() : nullptr;
}

void registerOpeners(WindowOpeners& openers) {
  registerEditorHooks();
  openers.Fconfig = [](QWidget* parent) {
    openFconfig(
        parent,
        [parent] {
          if (auto* main = qobject_cast<FormP*>(parent)) main->LoadText();
        },
        imagesOf(parent));
  };
  openers.FBases = [](QWidget* parent) { openFBases(parent, imagesOf(parent)); };
  openers.FEmpr = [](QWidget* parent) { openFEmpr(parent, imagesOf(parent)); };
  openers.FVerArch = [](QWidget* parent) { openFVerArch(parent); };
  openers.FAud = [](QWidget* parent) { openFAud(parent); };
  openers.frmAbout = [](QWidget* parent) { openfrmAbout(parent); };
  openers.FTime = [](QWidget* parent) { execModal<FTime>(parent); };
  openers.FCbioReloj = [](QWidget* parent) { execModal<FCbioReloj>(parent); };
  openers.FCacheo = [](QWidget* parent) { execModal<FCacheo>(parent); };
  openers.FLeer = [](QWidget* parent) { execModal<FLeer>(parent); };
  openers.FTjtas = [](QWidget* parent) { execModal<FTjtas>(parent); };
  openers.FSirenas = [](QWidget* parent) { execModal<FSirenas>(parent); };
  openers.FrmTest = [](QWidget* parent) { execModal<FrmTest>(parent); };
  openers.FIniModemConectar = [](QWidget* parent) {
    auto* w = new FIniModem(parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->Conectar();
    if (!w->isVisible()) w->deleteLater();  // the line was hung up or there is no number
  };
  openers.FConsole = [](QWidget* parent) {
    FConsole w(parent);
    w.exec();
  };
  openers.fAuto = [](QWidget* parent) {
    fAuto w(parent);
    w.exec();
  };
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit set from outside must fail the write (EFBIG), so the writer cuts its file
  // back to whole lines and reports it, not kill the program half-way through a punch line.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  // The program-wide objects live here, after the application and before every window; the
  // main window's close frees them, and whatever is left goes when main returns.
  ProgramObjects objects;
  clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  registerOpeners(windowOpeners());

  std::unique_ptr<FormP> mainWindow;
  const StopSignals stopSignals([&mainWindow] { return mainWindow.get(); });

  InstanceLock lock;
  StartupHooks hooks;
  if (withoutDisplay())
    hooks.refuseWithoutDisplay = [](const std::string& text) {
      std::fprintf(stderr, "velta: %s\n", text.c_str());
    };
  if (windowOpeners().fAuto) hooks.openAuto = [] { windowOpeners().fAuto(nullptr); };
  hooks.showMain = [&mainWindow] {
    if (fAuto::programEndRequested()) return;  // the automatic run ended the program
    mainWindow = std::make_unique<FormP>(windowOpeners());
    mainWindow->show();
  };
  const StartResult started = runStartup(lock, hooks);
  if (started != StartResult::Running || fAuto::programEndRequested()) {
    objects.release();
    return started == StartResult::EndedWithError ? 1 : 0;
  }

  // VELTA_GRAB=<png>: a picture of the main window once it is shown, then the normal close
  // (the demo's way to show the program without a display).
  const QString grabPath = qEnvironmentVariable("VELTA_GRAB");
  if (!grabPath.isEmpty()) {
    QTimer::singleShot(300, mainWindow.get(), [&mainWindow, grabPath] {
      if (!mainWindow->grab().save(grabPath, "PNG"))
        std::fprintf(stderr, "velta: could not write %s\n", grabPath.toLocal8Bit().constData());
      mainWindow->close();
    });
  }

  app.exec();
  mainWindow.reset();
  objects.release();
  return 0;
}

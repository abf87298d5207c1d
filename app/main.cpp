// The program `velta`: the Qt application, the clock library's event pump, the windows'
// openers, the start-up, the event loop and the shutdown after it (ProgramShutdown.h).
// SIGTERM and SIGINT ask the main window to close (the normal shutdown: settings saved, line
// hung up, marker written), see StopSignals. Started with no display named (cron, ssh, a
// service) it runs on the offscreen platform (StartPlatform.h): the automatic run collects, a
// start-up refusal goes to standard error and the daily log and the program ends with status
// 1, and so does a start that needs the log-in, which nobody could see. A display named that cannot
// be reached ends it with status 1 too, before Qt would abort; one reached whose Qt platform
// cannot be loaded is started without, as if no display were named, and the log-in start says so.
#include "collect/RunContext.h"
#include "core/InstanceLock.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "core/QtTranslations.h"
#include "core/Release.h"
#include "widgets/main/FormP.h"
#include "widgets/main/ProgramShutdown.h"
#include "widgets/main/ProgramWindows.h"
#include "widgets/main/StartPlatform.h"
#include "widgets/main/Startup.h"
#include "widgets/main/StopSignals.h"
#include "widgets/main/WindowOpeners.h"

#include <clocklink/EventPump.h>

#include <QApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

// No screen to show a box on: the offscreen or minimal platform, or neither an X nor a
// Wayland display. A refusal shown in a modal box there would wait for nobody, forever.
bool withoutDisplay() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return true;
  return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit set from outside must fail the write (EFBIG), so the writer cuts its file
  // back to whole lines and reports it, not kill the program half-way through a punch line.
  std::signal(SIGXFSZ, SIG_IGN);
  // Before the application: Qt reads the system locale (the file dialog's sizes and dates) from
  // the environment once. The settings file of the data folder, the working directory, is only
  // peeked at here; start-up loads it for real once the instance lock is held.
  const int lenguaje = lenguajeOfSettingsFile("VELTA.INI");
  useLanguageAsSystemLocale(lenguaje);
  // Qt's own remarks of a start without a display stay off the administrator's standard error.
  quietPlatformNoise();
  // Qt chooses its platform when the application is made, and aborts when it can reach none.
  const StartPlatform platform = settleStartPlatform();
  if (!platform.unreachable.empty()) {
    std::fprintf(
        stderr, "velta: %s\n",
        GetExtraMsgIn(ExtraMsg::DisplayUnreachable, lenguaje, {platform.unreachable}).c_str());
    return 1;
  }
  QApplication app(argc, argv);
  keepCNumbers();
  // The program-wide objects live here, after the application and before every window; the
  // shutdown frees them, and whatever is left goes when main returns.
  ProgramObjects objects;
  clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  // The run context of the windows that run exchanges: built once, as soon as start-up has
  // made the objects (before the automatic run or the main window).
  std::optional<RunContext> context;
  auto buildContext = [&context, &objects] {
    if (context) return;
    if (std::optional<RunContext> built = collect::programContext(objects)) context.emplace(*built);
  };
  registerOpeners(windowOpeners(), context);

  std::unique_ptr<FormP> mainWindow;
  const StopSignals stopSignals([&mainWindow] { return mainWindow.get(); });

  InstanceLock lock;
  StartupHooks hooks;
  const bool noDisplay = withoutDisplay();
  if (noDisplay) {
    // Start-up also puts these lines, and the refusal of a start that needs the log-in, in the
    // daily log.
    hooks.refuseWithoutDisplay = [](const std::string& text) {
      std::fprintf(stderr, "velta: %s\n", text.c_str());
    };
    // A display that is there but cannot be used is named in the log-in refusal, with the
    // platform it lacks.
    hooks.unusableDisplay = platform.display;
    hooks.unusablePlatform = platform.platform;
  }
  bool programEnd = false;  // the automatic run asked for the program's end
  if (windowOpeners().fAuto) {
    hooks.openAuto = [&buildContext, &context, &programEnd] {
      buildContext();
      programEnd = openAutomaticRun(nullptr, context);
    };
  }
  hooks.showMain = [&mainWindow, &buildContext, &context, &objects, &programEnd, noDisplay] {
    if (programEnd) return;
    buildContext();
    mainWindow = std::make_unique<FormP>(windowOpeners(), context, &objects);
    mainWindow->setUnattendedClose(noDisplay);
    mainWindow->show();
  };
  const StartResult started = runStartup(lock, hooks);
  if (started != StartResult::Running || programEnd) {
    objects.release();
    return started == StartResult::EndedWithError ? 1 : 0;
  }

  // The main window's close ends the loop; the shutdown follows.
  if (mainWindow)
    runProgramLoop(*mainWindow, objects);
  else
    app.exec();
  mainWindow.reset();
  objects.release();
  return 0;
}

#include "widgets/main/ProgramShutdown.h"

#include "core/ClsCfgFile.h"
#include "core/ProgramObjects.h"
#include "core/Release.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/main/FormP.h"

#include <clocklink/ClsModem.h>

#include <QApplication>

#include <cstdio>
#include <string>

namespace {

void saveSettings(FormP& mainWindow, ClsCfgFile* cfg) {
  if (!cfg) return;
  if (cfg->SaveCfgOnClose().ok) return;
  // The operator's changes (the current clock among them) would be lost without a word.
  const std::string& why = cfg->lastSaveError();
  if (mainWindow.unattendedClose())
    std::fprintf(stderr, "velta: %s\n", why.c_str());
  else
    MsgBox(320, msgbox::Critical, {}, "\n" + why, &mainWindow);
}

void hangUp(clocklink::ClsModem* modem) {
  HourglassGuard hourglass;
  if (modem && modem->cortarModem()) {
    modem->Colgar();
    modem->cortarModem(false);  // the line is down now
  }
}

}  // namespace

void shutdownProgram(FormP& mainWindow, ProgramObjects& objects) {
  saveSettings(mainWindow, objects.settings());
  hangUp(objects.modem());
  MarcarEstado(3);
  // A window that still uses the clock objects as it closes finds them; the deleted ones
  // cannot fire a timer on freed objects.
  mainWindow.closeOtherWindows();
  mainWindow.deleteChildWindows();
  objects.release();
  mainWindow.finishClose();
}

int runProgramLoop(FormP& mainWindow, ProgramObjects& objects) {
  bool due = false;
  const QMetaObject::Connection ends =
      QObject::connect(&mainWindow, &FormP::shutdownDue, qApp, [&due] {
        due = true;
        // Not quit(): that would close every window first, before the settings are saved.
        QCoreApplication::exit(0);
      });
  const int status = QApplication::exec();
  QObject::disconnect(ends);
  if (due) shutdownProgram(mainWindow, objects);
  return status;
}

#include "ProgramWindows.h"

#include "EditorHooks.h"
#include "FAud.h"
#include "FBases.h"
#include "FCacheo.h"
#include "FCbioReloj.h"
#include "FConsole.h"
#include "FEmpr.h"
#include "FIniModem.h"
#include "FLeer.h"
#include "FSirenas.h"
#include "FTime.h"
#include "FTjtas.h"
#include "FVerArch.h"
#include "Fconfig.h"
#include "FormP.h"
#include "FrmTest.h"
#include "fAuto.h"
#include "frmAbout.h"

namespace {

// The clock windows: modal over the main window, freed when closed.
template <class Window>
void execModal(QWidget* parent) {
  Window w(parent);
  w.exec();
}

// The main window's image list for a window's toolbar, when the parent is the main window.
const QList<QIcon>* imagesOf(QWidget* parent) {
  auto* main = qobject_cast<FormP*>(parent);
  return main ? &main->Img() : nullptr;
}

}  // namespace

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

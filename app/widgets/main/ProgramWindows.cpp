#include "widgets/main/ProgramWindows.h"

#include "core/ProgramObjects.h"
#include "widgets/admin/EditorHooks.h"
#include "widgets/admin/FAud.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FEmpr.h"
#include "widgets/admin/FVerArch.h"
#include "widgets/admin/Fconfig.h"
#include "widgets/clock/FCacheo.h"
#include "widgets/clock/FCbioReloj.h"
#include "widgets/clock/FConsole.h"
#include "widgets/clock/FIniModem.h"
#include "widgets/clock/FLeer.h"
#include "widgets/clock/FSirenas.h"
#include "widgets/clock/FTime.h"
#include "widgets/clock/FTjtas.h"
#include "widgets/clock/FrmTest.h"
#include "widgets/clock/fAuto.h"
#include "widgets/main/FormP.h"
#include "widgets/main/frmAbout.h"

namespace {

// The clock windows: modal over the main window, freed when closed, over the program's run
// context and the owner's clock windows' state.
template <class Window>
void execModal(QWidget* parent, const std::optional<RunContext>& context) {
  Window w(parent, context, programWindowState(ProgramObjects::current()));
  w.exec();
}

// The main window's image list for a window's toolbar, when the parent is the main window.
const QList<QIcon>* imagesOf(QWidget* parent) {
  auto* main = qobject_cast<FormP*>(parent);
  return main ? &main->Img() : nullptr;
}

// What the live owner holds as the window opens; nothing when there is none.
AdminObjects liveAdminObjects() {
  ProgramObjects* owner = ProgramObjects::current();
  return owner ? AdminObjects::of(*owner) : AdminObjects{};
}

}  // namespace

void registerOpeners(WindowOpeners& openers, const std::optional<RunContext>& context) {
  registerEditorHooks(ProgramObjects::live().editorHooks());
  openers.Fconfig = [](QWidget* parent) {
    openFconfig(
        parent,
        [parent] {
          if (auto* main = qobject_cast<FormP*>(parent)) main->LoadText();
        },
        imagesOf(parent), liveAdminObjects());
  };
  openers.FBases = [](QWidget* parent) { openFBases(parent, imagesOf(parent)); };
  openers.FEmpr = [](QWidget* parent) { openFEmpr(parent, imagesOf(parent)); };
  // The administration windows take the owner's objects as they open: each may be missing.
  openers.FVerArch = [](QWidget* parent) { openFVerArch(parent, liveAdminObjects()); };
  openers.FAud = [](QWidget* parent) { openFAud(parent, liveAdminObjects()); };
  openers.frmAbout = [](QWidget* parent) { openfrmAbout(parent); };
  openers.FTime = [&context](QWidget* parent) { execModal<FTime>(parent, context); };
  openers.FCbioReloj = [&context](QWidget* parent) { execModal<FCbioReloj>(parent, context); };
  openers.FCacheo = [&context](QWidget* parent) { execModal<FCacheo>(parent, context); };
  openers.FLeer = [&context](QWidget* parent) { execModal<FLeer>(parent, context); };
  openers.FTjtas = [&context](QWidget* parent) { execModal<FTjtas>(parent, context); };
  openers.FSirenas = [&context](QWidget* parent) { execModal<FSirenas>(parent, context); };
  openers.FrmTest = [&context](QWidget* parent) { execModal<FrmTest>(parent, context); };
  openers.FIniModemConectar = [&context](QWidget* parent) {
    auto* w = new FIniModem(parent, context, programWindowState(ProgramObjects::current()));
    w->setAttribute(Qt::WA_DeleteOnClose);
    (void)w->Conectar();                    // the window shows how the dial went
    if (!w->isVisible()) w->deleteLater();  // the line was hung up or there is no number
  };
  openers.FConsole = [&context](QWidget* parent) { execModal<FConsole>(parent, context); };
  openers.fAuto = [&context](QWidget* parent) { (void)openAutomaticRun(parent, context); };
}

SharedWindowState programWindowState(ProgramObjects* owner) {
  if (!owner) return {};
  return SharedWindowState(owner->layer<ClockWindowsState>(), owner->liveness());
}

bool openAutomaticRun(QWidget* parent, const std::optional<RunContext>& context) {
  ProgramObjects* owner = ProgramObjects::current();
  fAuto::Program program;
  if (owner) program = fAuto::Program{owner->runMode(), owner->users()};
  fAuto w(parent, context, programWindowState(owner), program);
  w.exec();
  return w.endsProgram();
}

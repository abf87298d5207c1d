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

// The context of a window opened now: the program's run context, and the live owner's windows'
// state and administration objects.
WindowContext openingContext(const std::optional<RunContext>& context) {
  return programWindowContext(context, ProgramObjects::current());
}

// The clock windows: modal over the main window, freed when closed.
template <class Window>
void execModal(QWidget* parent, const std::optional<RunContext>& context) {
  Window w(parent, openingContext(context));
  w.exec();
}

}  // namespace

void registerOpeners(WindowOpeners& openers, const std::optional<RunContext>& context) {
  ProgramObjects& live = ProgramObjects::live();
  // The editors the stores open take the owner's pictures, as the windows' contexts do.
  registerEditorHooks(live.editorHooks(),
                      [&live] { return &live.layer<ClockWindowsState>().img(); });
  openers.Fconfig = [&context](QWidget* parent) {
    openFconfig(
        parent,
        [parent] {
          if (auto* main = qobject_cast<FormP*>(parent)) main->LoadText();
        },
        openingContext(context));
  };
  openers.FBases = [&context](QWidget* parent) {
    openFBases(parent, &openingContext(context).img());
  };
  openers.FEmpr = [&context](QWidget* parent) {
    openFEmpr(parent, &openingContext(context).img());
  };
  // The administration windows take the owner's objects as they open: each may be missing.
  openers.FVerArch = [&context](QWidget* parent) { openFVerArch(parent, openingContext(context)); };
  openers.FAud = [&context](QWidget* parent) { openFAud(parent, openingContext(context)); };
  openers.frmAbout = [](QWidget* parent) { openfrmAbout(parent); };
  openers.FTime = [&context](QWidget* parent) { execModal<FTime>(parent, context); };
  openers.FCbioReloj = [&context](QWidget* parent) { execModal<FCbioReloj>(parent, context); };
  openers.FCacheo = [&context](QWidget* parent) { execModal<FCacheo>(parent, context); };
  openers.FLeer = [&context](QWidget* parent) { execModal<FLeer>(parent, context); };
  openers.FTjtas = [&context](QWidget* parent) { execModal<FTjtas>(parent, context); };
  openers.FSirenas = [&context](QWidget* parent) { execModal<FSirenas>(parent, context); };
  openers.FrmTest = [&context](QWidget* parent) { execModal<FrmTest>(parent, context); };
  openers.FIniModemConectar = [&context](QWidget* parent) {
    auto* w = new FIniModem(parent, openingContext(context));
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

WindowContext programWindowContext(const std::optional<RunContext>& run, ProgramObjects* owner) {
  if (!owner) return WindowContext(run, {});
  return WindowContext(run, programWindowState(owner), AdminObjects::of(*owner));
}

bool openAutomaticRun(QWidget* parent, const std::optional<RunContext>& context) {
  ProgramObjects* owner = ProgramObjects::current();
  fAuto::Program program;
  if (owner) program = fAuto::Program{owner->runMode(), owner->users()};
  fAuto w(parent, programWindowContext(context, owner), program);
  w.exec();
  return w.endsProgram();
}

// The windows the main window opens, one opener each, registered by registerOpeners
// (ProgramWindows.h; tests register recording stubs). A command whose opener is unset stays
// disabled. Each opener shows its window (modally unless the window is modeless by nature, as
// the dial-up window) with the main window as parent.
#pragma once

#include <functional>

class QWidget;

struct WindowOpeners {
  using Opener = std::function<void(QWidget* parent)>;
  Opener FIniModemConectar;  // dial-up, modeless; result not used
  Opener FLeer;
  Opener FTime;
  Opener fAuto;  // automatic / on-line run (gRunMode says which)
  Opener FCbioReloj;
  Opener FConsole;
  Opener FCacheo;
  Opener FTjtas;
  Opener FSirenas;
  Opener FBases;
  Opener FEmpr;
  Opener FrmTest;
  Opener Fconfig;  // the main window's LoadText is reachable through the parent (FormP)
  Opener FVerArch;
  Opener FAud;
  Opener frmAbout;
};

// The program's openers (filled by registerOpeners, or by a test with recording stubs): the
// live owner's (ProgramObjects::layer), empty again after its release; the program stops when
// there is no owner.
WindowOpeners& windowOpeners();

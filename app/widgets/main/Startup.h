// The program's start-up: the data folder, the settings, the instance lock and the stores,
// then the automatic run or the log-in, and the main window. Its refusals are message boxes
// (widgets/dialogs), or standard error when there is no display.
#pragma once

#include <functional>
#include <string>

class InstanceLock;

// What runStartup needs from the windows above it.
struct StartupHooks {
  // Shows the log-in window; false when it was cancelled. Unset: the real frmSplash.
  std::function<bool(std::string& user, std::string& psw)> login;
  // The automatic-run window, modal; unset while it does not exist (the program then goes on
  // to the main window with nobody logged in, as after an automatic run).
  std::function<void()> openAuto;
  // Creates and shows the main window, modeless.
  std::function<void()> showMain;
  // Set when there is no display (main.cpp): a start-up refusal's text goes here (standard
  // error) and to the daily log instead of a message box that nobody could answer, and a
  // start that needs the log-in is refused the same way, saying why (the automatic run off,
  // or not today by AUTODIAS).
  std::function<void(const std::string& text)> refuseWithoutDisplay;
  // A display that was reached but whose Qt platform cannot be loaded ("wayland-0
  // (WAYLAND_DISPLAY)", "wayland"): the log-in refusal names them. Empty when no display was
  // named.
  std::string unusableDisplay, unusablePlatform;
};

enum class StartResult { Running, EndedOk, EndedWithError };

// The program's start: version text, data folder (the working directory as it is, "/"
// added), settings, the instance lock (held in `lock` for the run), the objects and stores,
// then the automatic run or the log-in, and the main window. EndedOk after a cancelled
// log-in; EndedWithError after a refusal (166, 320, 310, 335) or a wrong password (316).
// A settings file or RSH.CFG that is there but cannot be read (or is far too large) is a
// refusal too (386 with the file and the reason, and a line in the daily log): the program
// cannot tell whether it was meant to run unattended. So is a user file that cannot be read
// (386, titled 320), and, in the automatic run, a clock list that cannot be read (daily log).
// In the log-in case that clock list gives a 386 box and the program goes on without clocks.
// With AUTO set, or without a display, every refusal also goes to the daily log.
// The settings and the other objects go into the live ProgramObjects (the settings only
// when they do not exist yet).
StartResult runStartup(InstanceLock& lock, const StartupHooks& hooks);

// Keeps two lines Qt's platforms print by themselves off standard error, where an unattended
// station's refusals go: the offscreen platform's "This plugin does not support
// propagateSizeHints()" and "QStandardPaths: XDG_RUNTIME_DIR not set, ..." of a start by a
// service or cron. Every other message goes on as before. Called before the application.
void quietPlatformNoise();

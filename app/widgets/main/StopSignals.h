// SIGTERM and SIGINT end the program the normal way: the main window closes as from its close
// box (settings saved, a dialled line hung up, OU.TMP written), whatever window is open over
// it; during an automatic or on-line run the run stops first, without a log-in. None of that
// may run inside a signal handler: the handler writes a byte to a socket pair whose other end
// the event loop watches.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;
class QWidget;

class StopSignals {
 public:
  // Catches both signals until destroyed; `mainWindow` names the main window once it is
  // there (null while logging in).
  explicit StopSignals(std::function<QWidget*()> mainWindow);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // What a stop signal does, on the event loop.
  static void stop(QWidget* mainWindow);

 private:
  std::function<QWidget*()> m_mainWindow;
  std::unique_ptr<QSocketNotifier> m_notifier;
};

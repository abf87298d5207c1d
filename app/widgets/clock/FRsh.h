// FRsh: the modal window that announces a shipped file to the host by remote command. It runs
// the command once, when first shown, lists what the command prints, leaves the result in the
// settings' tmpReturnValue (-100 done, -200 failed or cancelled) and closes itself after.
#pragma once

#include "collect/QtReactorDriver.h"
#include "collect/RemoteCommand.h"

#include <clocklink/CollectionStatus.h>

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class ClsCfgFile;
class QLabel;
class QListWidget;
class QPushButton;

class FRsh : public QDialog {
  Q_OBJECT

 public:
  // `settings`: what the command reads and where it leaves its result (the caller's run
  // context's); with none the command fails at once, naming them.
  explicit FRsh(ClsCfgFile* settings, QWidget* parent = nullptr);

  // A failure: " Extd Err: " & text, "Error: " & text to the caller's list, -200, 10 s.
  void ErrorOut(const std::string& text) { m_command.ErrorOut(text); }

  // The command and its control (tests set beforeExecute to point it at their peer).
  collect::RemoteCommand& command() { return m_command; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  void startCommand();
  void finished(collect::RemoteCommand::Outcome outcome);
  void closeOnce();
  void setReturnValue(clocklink::CollectionStatus value);

  ClsCfgFile* m_cfg;
  QLabel* m_lblMsg = nullptr;
  QListWidget* m_lstErr = nullptr;
  QPushButton* m_command1 = nullptr;
  QTimer* m_tmrExit = nullptr;
  QTimer m_timeLimit;
  std::function<void(const std::string&)> m_callerList;
  // Declared in this order: the driver lets go of the reactor before the control goes.
  collect::RemoteCommand m_command;
  QtReactorDriver m_driver;
  bool m_started = false;
};

// FIniModem: dials the current clock's modem by hand, so the clock's other windows then work
// over the telephone line. Conectar shows the window without blocking and dials; the one
// button cancels while dialling, hangs up a line that is up, and dials again otherwise.
#pragma once

#include "widgets/common/HandedContext.h"

#include <clocklink/CollectionStatus.h>

#include <QDialog>

#include <cstdint>
#include <optional>

class QLabel;
class QPushButton;
class MainWindowHost;

class FIniModem : public QDialog, public HandedContext {
  Q_OBJECT

 public:
  explicit FIniModem(QWidget* parent, const WindowContext& context);
  ~FIniModem() override;

  // kSuccess connected or hung up, kCancelled cancelled, kFailure not connected (the caller
  // ignores it).
  clocklink::CollectionStatus Conectar();
  void CmdCancelar_Click();

  bool dialling() const;
  // Tests shorten the 15 s wait between attempts.
  double retryWaitSeconds = 15.0;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  // Tells the dial under way to stop: the window's own flag and the modem object's.
  void cancelDial();
  void say(const std::string& text);
  void followLineState();
  void hangUp(clocklink::ClsModem& modem);
  MainWindowHost* host() const;

  QLabel* m_lblMsg;
  QPushButton* m_cmd;
  bool m_cancel = false;  // the dial's own cancel flag
};

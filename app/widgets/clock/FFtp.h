// FFtp: the modal window that ships the collected file by FTP. It runs one upload when it is
// first shown, reports the state in one label, leaves the result in the settings'
// tmpReturnValue (-100 done, -200 failed or cancelled) and closes itself a few seconds later.
#pragma once

#include "collect/FtpUpload.h"

#include <clocklink/CollectionStatus.h>

#include <QDialog>

#include <cstdint>

class ClsCfgFile;
class QLabel;
class QPushButton;
class QTimer;

class FFtp : public QDialog {
  Q_OBJECT

 public:
  // `settings`: what the transfer reads and where it leaves its result (the caller's run
  // context's); with none the transfer fails as a step named after them.
  explicit FFtp(ClsCfgFile* settings, QWidget* parent = nullptr);

  // Shows a failed step ("FtpPutFile Extd Err: 25", CR, the reply), -200, closes in 10 s.
  void ErrorOut(const collect::FtpResult& failure);

  // The transfer's limits, for the callers and the tests.
  collect::FtpUpload& upload() { return m_upload; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  void startTransfer();
  void cancel();
  void exitTimer();
  void closeOnce();
  void setReturnValue(clocklink::CollectionStatus value);

  ClsCfgFile* m_cfg;
  QLabel* m_lblMsg;
  QPushButton* m_command1;
  QTimer* m_tmrExit;
  collect::FtpUpload m_upload;
  bool m_started = false;
  bool m_final = false;  // an outcome is shown; nothing later replaces it
  int16_t m_cancelFlag = 0;
};

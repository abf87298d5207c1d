#include "widgets/clock/FFtp.h"

#include "core/ClsCfgFile.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ExchangeScope.h"

#include <clocklink/CollectionStatus.h>
#include <clocklink/EventPump.h>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using clocklink::kFailure;
using clocklink::kSuccess;

namespace {
constexpr int kExitAfterSuccessMs = 3000;
constexpr int kExitAfterErrorMs = 10000;
}  // namespace

FFtp::FFtp(ClsCfgFile* settings, QWidget* parent) : QDialog(parent), m_cfg(settings) {
  setObjectName("FFtp");
  setWindowTitle("Transferencia FTP ...");
  setModal(true);

  auto* image = new QLabel(this);
  // Decoration only; the style's network-drive icon may come in a small size alone.
  image->setPixmap(style()
                       ->standardIcon(QStyle::SP_DriveNetIcon)
                       .pixmap(48, 48)
                       .scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  image->setAlignment(Qt::AlignTop);

  m_lblMsg = new QLabel(this);
  m_lblMsg->setObjectName("LblMsg");
  m_lblMsg->setFont(QFont("Arial", 10));
  m_lblMsg->setWordWrap(true);
  m_lblMsg->setMinimumWidth(300);
  m_lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  m_command1 = new QPushButton("&Cancelar", this);
  m_command1->setObjectName("Command1");
  m_command1->setAutoDefault(false);
  connect(m_command1, &QPushButton::clicked, this, &FFtp::cancel);

  m_tmrExit = new QTimer(this);
  m_tmrExit->setObjectName("TmrExit");
  m_tmrExit->setSingleShot(true);
  m_tmrExit->setInterval(kExitAfterSuccessMs);
  connect(m_tmrExit, &QTimer::timeout, this, &FFtp::exitTimer);

  auto* top = new QHBoxLayout;
  top->addWidget(image);
  top->addWidget(m_lblMsg, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_command1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  setMinimumSize(420, 130);
  // The transfer's waits run events: a close meanwhile cuts them short, and the window goes
  // once the transfer has returned.
  BusyGuard::onCancel(this, [this] {
    m_upload.cancel();
    m_cancelFlag = 1;
  });
}

void FFtp::setReturnValue(clocklink::CollectionStatus value) {
  if (m_cfg) m_cfg->tmpReturnValue = statusCode(value);
}

void FFtp::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Qt shows and activates a window again on focus changes: one transfer per window.
  if (m_started) return;
  m_started = true;
  // A window closed before any outcome must not leave an earlier run's -100 behind.
  setReturnValue(kFailure);
  QTimer::singleShot(0, this, &FFtp::startTransfer);
}

void FFtp::startTransfer() {
  if (m_final) return;
  collect::FtpResult result;
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  m_lblMsg->setText("Conectando...");
  repaint();
  clocklink::WaitSecondsUnlessCancelled(1.0, m_cancelFlag);
  if (!m_final) {
    if (m_cfg) {
      const std::string name = m_cfg->tmpFTPFileName;
      result = m_upload.run(collect::FtpSettings::fromConfig(*m_cfg),
                            collect::ftpLocalFile(m_cfg->tmpFTPFilePath, name), name);
    } else {
      result.step = "ClsCfgFile";  // no settings to read: named like a failed step
    }
  }
  // Cancelled, or asked to close (which comes next): the first outcome stands.
  if (exchange.endAndCheckClose() || m_final) return;
  if (!result.done) {
    ErrorOut(result);
    return;
  }
  m_final = true;
  m_lblMsg->setText("Archivo Transferido. Finalizando");
  m_command1->setEnabled(false);
  setReturnValue(kSuccess);
  m_tmrExit->start();
}

void FFtp::ErrorOut(const collect::FtpResult& failure) {
  if (m_final) return;
  m_final = true;
  // The reply goes on a second line: the CR of the text is the label's line break.
  m_lblMsg->setText(QString::fromStdString(failure.errorText()).replace('\r', '\n'));
  repaint();
  setReturnValue(kFailure);
  m_tmrExit->setInterval(kExitAfterErrorMs);
  m_tmrExit->start();
}

void FFtp::cancel() {
  if (m_final) return;
  m_final = true;
  m_cancelFlag = 1;
  m_upload.cancel();
  m_lblMsg->setText("Cancelando ... ");
  m_command1->setEnabled(false);
  setReturnValue(kFailure);
  m_tmrExit->start();  // with its current interval
}

void FFtp::exitTimer() {
  m_tmrExit->stop();
  closeOnce();
}

void FFtp::closeOnce() {
  m_tmrExit->stop();
  // The transfer's own waits are on the stack: it is cancelled, and the window closes once it
  // has returned.
  if (BusyGuard::deferClose(this, nullptr)) return;
  if (isVisible()) done(QDialog::Accepted);
}

void FFtp::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

void FFtp::reject() {
  // The close box and Escape are Cancel while the outcome is open; after it they close now.
  if (!m_final)
    cancel();
  else
    closeOnce();
}

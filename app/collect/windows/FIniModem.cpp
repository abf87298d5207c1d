#include "FIniModem.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <chrono>
#include <cmath>

#include "Basic.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "DialClock.h"
#include "Globals.h"
#include "MainWindowHost.h"
#include "Messages.h"
#include "MsgBox.h"

FIniModem::FIniModem(QWidget* parent) : QDialog(parent) {
  setObjectName("FIniModem");
  setWindowTitle(QStringLiteral("Velta 2000"));
  m_lblMsg = new QLabel(this);
  m_lblMsg->setObjectName("LblMsg");
  m_lblMsg->setMinimumWidth(320);
  m_lblMsg->setWordWrap(true);
  m_cmd = new QPushButton(QString::fromStdString(GetMsg(123)), this);
  m_cmd->setObjectName("CmdCancelar");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_lblMsg, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(m_cmd);
  layout->addLayout(row);
  connect(m_cmd, &QPushButton::clicked, this, &FIniModem::CmdCancelar_Click);
  if (gModem) gModem->SetCancel(0);
}

FIniModem::~FIniModem() {
  if (MainWindowHost* h = host()) {
    h->setDialEnabled(true);
    h->setDialPicture(5);
  }
}

MainWindowHost* FIniModem::host() const { return dynamic_cast<MainWindowHost*>(parentWidget()); }

void FIniModem::say(const std::string& text) {
  m_lblMsg->setText(QString::fromStdString(text));
  clocklink::pumpEvents();
}

void FIniModem::followLineState() {
  const bool up = gModem && gModem->cortarModem();
  m_cmd->setText(QString::fromStdString(GetMsg(up ? 125 : 130)));
}

void FIniModem::hangUp() {
  say(GetMsg(180));
  gModem->Colgar();
  gModem->cortarModem(false);
}

int16_t FIniModem::Conectar() {
  clocklink::ClsModem& modem = *gModem;
  modem.SetCancel(0);
  if (modem.cortarModem()) {
    hangUp();
    followLineState();
    return -100;
  }
  const std::string phone = basic::Trim(gListaRelojes->m_Telefono);
  if (phone.empty()) {
    MsgBox(351, msgbox::OkOnly, {}, {}, this);
    return -200;
  }
  show();
  if (MainWindowHost* h = host()) {
    h->setDialEnabled(false);
    h->setDialPicture(11);
  }
  m_dialling = true;
  m_cancel = false;
  m_cmd->setText(QString::fromStdString(GetMsg(123)));
  int16_t result = -200;
  say(GetMsg(229));
  const int16_t init = modem.InitModem(gDataFolder, basic::Trim(gCfgFile->ModemDriver));
  if (init != -100) {
    const int m = init == -300 ? 306 : init == -400 ? 346 : init == -500 ? 322 : 321;
    say(GetMsg(m));
    modem.Colgar();  // the port may be open: the next set-up must find it free
  } else {
    for (int attempt = 1; attempt < 5 && !m_cancel; ++attempt) {
      say(GetMsg(211) + " " + phone);
      const std::string reply = modem.Discar(gCfgFile->TimeOutModem);
      if (m_cancel) break;
      if (!collect::isFailedDialReply(reply)) {
        say(GetMsg(184) + " " + phone);
        modem.cortarModem(true);
        say(GetMsg(297));
        gMirsol->Status_Get();
        result = -100;
        break;
      }
      if (basic::Trim(reply) == "BUSY") say(GetMsg(106));
      if (attempt == 4) {
        say(GetMsg(321));
        break;
      }
      using Clock = std::chrono::steady_clock;
      const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(retryWaitSeconds));
      while (!m_cancel) {
        const double left = std::chrono::duration<double>(end - Clock::now()).count();
        if (left <= 0) break;
        say(GetMsg(291) + ": " + basic::Format(static_cast<int64_t>(std::ceil(left)), "00") + " " +
            GetMsg(283));
        clocklink::WaitSeconds(std::min(left, 0.1));
      }
    }
    if (result != -100) {
      // Four failures or a cancel: the port is still open and must be let go.
      modem.Colgar();
      modem.cortarModem(false);
      if (m_cancel) result = -101;
    }
  }
  m_dialling = false;
  followLineState();
  if (m_closeAfterDial) close();
  return result;
}

void FIniModem::CmdCancelar_Click() {
  if (m_dialling) {
    m_cancel = true;
    gModem->SetCancel(1);
    return;
  }
  if (gModem->cortarModem()) {
    hangUp();
    followLineState();
  } else {
    Conectar();
  }
}

void FIniModem::closeEvent(QCloseEvent* event) {
  if (m_dialling) {
    // The dial is on the stack: it is cancelled, and the window goes once it has returned.
    m_cancel = true;
    m_closeAfterDial = true;
    gModem->SetCancel(1);
    event->ignore();
    return;
  }
  event->accept();
}

#include "widgets/clock/FIniModem.h"

#include "collect/DialClock.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/FailureMessage.h"
#include "core/Messages.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/MainWindowHost.h"
#include "widgets/dialogs/MsgBox.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <optional>
#include <utility>

using clocklink::CollectionStatus;
using clocklink::kCancelled;
using clocklink::kFailure;
using clocklink::kSuccess;

FIniModem::FIniModem(QWidget* parent, const WindowContext& context)
    : QDialog(parent), HandedContext(context) {
  setObjectName("FIniModem");
  handToBusyRule(this);
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
  if (const std::optional<RunContext> ctx = runContext())
    (void)ctx->modem.SetCancel(0);  // clearing a flag cannot fail
  // A close during the dial cancels it; the window goes once the dial has returned.
  BusyGuard::onCancel(this, [this] { cancelDial(); });
}

void FIniModem::cancelDial() {
  m_cancel = true;
  if (const std::optional<RunContext> ctx = runContext())
    (void)ctx->modem.SetCancel(1);  // setting a flag cannot fail
}

bool FIniModem::dialling() const { return BusyGuard::busy(this); }

FIniModem::~FIniModem() {
  if (MainWindowHost* h = host()) {
    h->setDialEnabled(true);
    h->setDialPicture(5);
  }
}

MainWindowHost* FIniModem::host() const { return context().host(); }

void FIniModem::say(const std::string& text) {
  m_lblMsg->setText(QString::fromStdString(text));
  clocklink::pumpEvents();
}

void FIniModem::followLineState() {
  const std::optional<RunContext> ctx = runContext();
  const bool up = ctx && ctx->modem.cortarModem();
  m_cmd->setText(QString::fromStdString(GetMsg(up ? 125 : 130)));
}

void FIniModem::hangUp(clocklink::ClsModem& modem) {
  say(GetMsg(180));
  modem.Colgar();
  modem.cortarModem(false);
}

namespace {

// The window's words for the dial's steps: each one replaces the label's text.
collect::DialHooks labelHooks(const std::function<void(const std::string&)>& say,
                              const std::string& phone) {
  collect::DialHooks h;
  h.hangingUp = [say] { say(GetMsg(180)); };
  h.initialising = [say] { say(GetMsg(229)); };
  h.initFailed = [say](CollectionStatus code) { say(GetMsg(failureMessage(code, 321))); };
  h.dialling = [say](int, const std::string& number) { say(GetMsg(211) + " " + number); };
  h.attemptFailed = [say](int, const std::string& reply, bool last) {
    // A busy line says so, the last time too: the operator must learn why it failed.
    if (basic::Trim(reply) == "BUSY")
      say(GetMsg(106));
    else if (last)
      say(GetMsg(321));
  };
  h.retryCountdown = [say](int secondsLeft, const std::string&) {
    say(GetMsg(291) + ": " + basic::Format(static_cast<int64_t>(secondsLeft), "00") + " " +
        GetMsg(283));
  };
  h.connected = [say, phone](const std::string&) {
    say(GetMsg(184) + " " + phone);
    say(GetMsg(297));
  };
  return h;
}

}  // namespace

CollectionStatus FIniModem::Conectar() {
  // Without the program's objects there is no modem to dial.
  std::optional<RunContext> ctx = runContext();
  if (!ctx) return kFailure;
  clocklink::ClsModem& modem = ctx->modem;
  (void)modem.SetCancel(0);  // clearing a flag cannot fail
  if (modem.cortarModem()) {
    hangUp(modem);
    followLineState();
    return kSuccess;
  }
  const std::string phone = basic::Trim(ctx->clocks.m_Telefono);
  if (phone.empty()) {
    MsgBox(351, msgbox::OkOnly, {}, {}, this);
    return kFailure;
  }
  show();
  if (MainWindowHost* h = host()) {
    h->setDialEnabled(false);
    h->setDialPicture(11);
  }
  CollectionStatus result;
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    m_cancel = false;
    m_cmd->setText(QString::fromStdString(GetMsg(123)));
    collect::DialHooks hooks = labelHooks([this](const std::string& text) { say(text); }, phone);
    hooks.cancelled = [this] { return m_cancel; };
    hooks.retryWaitSeconds = retryWaitSeconds;
    hooks.lineUpWhileDialling = false;
    result = collect::dialModem(*ctx, hooks);
    if (m_cancel) {
      // Cancelar: whatever the dial had reached, the line goes down and the window says so.
      hangUp(modem);
      result = kCancelled;
    }
  }
  followLineState();
  return result;
}

void FIniModem::CmdCancelar_Click() {
  if (dialling()) {
    cancelDial();
    return;
  }
  const std::optional<RunContext> ctx = runContext();
  if (ctx && ctx->modem.cortarModem()) {
    hangUp(ctx->modem);
    followLineState();
  } else {
    (void)Conectar();  // the window shows how the dial went
  }
}

void FIniModem::closeEvent(QCloseEvent* event) {
  // The dial is on the stack: it is cancelled, and the window goes once it has returned.
  if (BusyGuard::deferClose(this, event)) return;
  event->accept();
}

void FIniModem::reject() {
  if (BusyGuard::deferClose(this, nullptr)) return;
  QDialog::reject();
}

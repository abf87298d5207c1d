#include "widgets/clock/fAuto.h"

#include "core/ClsCfgFile.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "widgets/clock/FFtp.h"
#include "widgets/clock/FRsh.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ClockWindowsState.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/frmSplash.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The on-line list keeps this many lines; older ones go as new passes add theirs.
constexpr int kOnlineLines = 150;
}  // namespace

fAuto::fAuto(QWidget* parent, const WindowContext& context, const Program& program)
    : QDialog(parent), HandedContext(context), m_users(program.users) {
  setObjectName("fAuto");
  handToBusyRule(this);
  if (ClockWindowsState* state = handedWindowState()) state->currentRun = this;
  m_timer = new QTimer(this);
  m_timer->setObjectName("Cronometro");
  m_timer->setInterval(1000);
  m_lst = new ProgressListWidget(this);
  m_lst->setObjectName("LstP");
  m_label = new QLabel(this);
  m_label->setObjectName("LBLMensaje");
  QFont big = m_label->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  m_label->setFont(big);
  m_cmd = new QPushButton(this);
  m_cmd->setObjectName("Cmd");
  m_cmd->setText(QString::fromStdString(GetMsg(154)));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_label);
  layout->addWidget(m_lst, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(m_cmd);
  layout->addLayout(row);
  resize(560, 420);

  connect(m_timer, &QTimer::timeout, this, &fAuto::onTick);
  connect(m_cmd, &QPushButton::clicked, this, &fAuto::Cmd_Click);

  m_seams.list = m_lst;
  m_seams.stopRequested = [this] { return m_exitRequested; };
  m_seams.ship = [this](collect::Shipment what) { shipModally(what); };
  m_seams.logger = &m_logger;
  // A close during a pass tells the pass to stop and cuts the clock objects' waits short.
  BusyGuard::onCancel(this, [this] {
    m_exitRequested = true;
    setCancelFlags(1);
  });

  // Load.
  m_exitRequested = false;
  setCancelFlags(0);
  m_automatic = program.runMode == 2;
  m_logger.logEnabled = m_automatic;
  const std::string caption = "Velta 2000 - " + GetMsg(m_automatic ? 170 : 364);
  setWindowTitle(QString::fromStdString(caption));
  m_label->setText(windowTitle());
}

fAuto::~fAuto() {
  m_timer->stop();
  if (const std::optional<RunContext> ctx = runContext()) ctx->mirsol.SetCancel(0);
  // A window that outlives the owner's release (freed after its end) has nothing to clear.
  if (ClockWindowsState* state = handedWindowState(); state && state->currentRun == this)
    state->currentRun = nullptr;
}

fAuto* fAuto::current(const SharedWindowState& shared) {
  const ClockWindowsState* state = shared.get();
  return state ? qobject_cast<fAuto*>(state->currentRun.data()) : nullptr;
}

void fAuto::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_loaded) return;
  m_loaded = true;
  collect::ScheduleSettings s;
  s.runMode = m_automatic ? 2 : 1;
  if (const std::optional<RunContext> ctx = runContext()) {
    s.porPrograma = ctx->cfg.PorPrograma;
    s.hora = ctx->cfg.Hora;
    s.minutos = ctx->cfg.Minutos;
    s.frecAuto = ctx->cfg.FrecAuto;
    s.frecOnline = ctx->cfg.FrecOnline;
  }
  m_schedule.load(s, now());
  // An interval of 0 or less means no timer: Qt's 0 would run the passes back to back.
  const int interval = m_schedule.timerIntervalMs();
  if (interval > 0) {
    m_timer->setInterval(interval);
    m_timer->start();
  }
}

void fAuto::onTick() {
  const collect::AutoSchedule::Tick t = m_schedule.tick(now());
  if (!t.due) {
    if (!automatic()) return;
    m_lst->clear();
    m_lst->add(t.line, {true, kRed});
    setWindowTitle(isMinimized() ? QString::fromStdString(t.minimizedCaption)
                                 : QStringLiteral("Velta 2000"));
    return;
  }
  setWindowTitle(QStringLiteral("Velta 2000"));
  m_timer->stop();
  runPass();
}

bool fAuto::passBusy() const { return BusyGuard::busy(this); }

void fAuto::runPass() {
  bool more = false;
  std::optional<RunContext> ctx = runContext();
  bool closeCame = false;
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    if (automatic()) m_lst->clear();  // the waiting line; on-line lines stay across passes
    collect::PassSeams seams = m_seams;
    if (!automatic()) seams.logger = nullptr;
    if (ctx) {
      const collect::PassMode mode =
          automatic() ? collect::PassMode::Automatic : collect::PassMode::Online;
      collect::PollClocks(*ctx, mode, seams);
    }
    ++m_passes;
    more = m_schedule.passDone(now());
    if (!automatic())
      while (m_lst->count() > kOnlineLines) m_lst->remove(1);
    closeCame = exchange.endAndCheckClose();
  }
  const bool stopped = m_exitRequested;
  m_exitRequested = false;
  if (closeCame) return;  // the deferred close comes next
  if (automatic() && !stopped && ctx && ctx->cfg.AutoDiasAt(8) == '1') {
    endProgram();
    return;
  }
  if (more && m_timer->interval() > 0) m_timer->start();
}

void fAuto::shipModally(collect::Shipment what) {
  const std::optional<RunContext> ctx = runContext();
  ClsCfgFile* cfg = ctx ? &ctx->cfg : nullptr;
  if (what == collect::Shipment::Ftp) {
    FFtp w(cfg, this);
    w.exec();
  } else {
    FRsh w(cfg, this);
    w.exec();
  }
}

void fAuto::endProgram() {
  m_endsProgram = true;
  m_timer->stop();
  BusyGuard::requestClose(this);
}

void fAuto::Cmd_Click() {
  if (passBusy()) {
    m_exitRequested = true;
    return;
  }
  if (!automatic()) {
    m_timer->stop();
    m_exitRequested = true;
    setCancelFlags(1);
    BusyGuard::requestClose(this);
    return;
  }
  if (m_exitRequested) return;
  std::string user, psw;
  if (login)
    login(user, psw);
  else
    frmSplash::ask(user, psw, this);
  if (basic::Trim(user).empty()) {
    endProgram();
    return;
  }
  // The users go with the owner's other objects at its release, and so does the state.
  ClsUsers* users = handedWindowState() ? m_users : nullptr;
  if (!users || !users->FindUser(user, basic::Trim(psw))) {
    MsgBox(316, msgbox::Critical, GetMsg(320), {}, this);
    m_exitRequested = false;
    return;
  }
  if (MsgBox(195, msgbox::YesNo | msgbox::Exclamation, {}, {}, this) == msgbox::Yes) {
    m_timer->stop();
    m_exitRequested = true;
    setCancelFlags(1);
    BusyGuard::requestClose(this);
  } else {
    setCancelFlags(0);
    m_exitRequested = false;
  }
}

void fAuto::stopUnattended() {
  m_exitRequested = true;
  m_timer->stop();
  setCancelFlags(1);
  endProgram();
}

void fAuto::closeEvent(QCloseEvent* event) {
  // The close box during a pass is granted: the pass is told to stop, its waits are cut
  // short, and the window goes once the pass has returned, never under it. The window's own
  // close (a granted stop) goes now or after the pass the same way.
  if (BusyGuard::deferClose(this, event)) return;
  // A window closed already asks nobody for a log-in either.
  if (BusyGuard::closePending(this) || BusyGuard::closed(this)) {
    m_timer->stop();
    event->accept();
    return;
  }
  // Between passes the close box is the stop request; a granted stop closes the window itself.
  Cmd_Click();
  if (BusyGuard::closePending(this)) {
    m_timer->stop();
    event->accept();
  } else {
    event->ignore();
  }
}

void fAuto::reject() { close(); }

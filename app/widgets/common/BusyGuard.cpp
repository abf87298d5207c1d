#include "widgets/common/BusyGuard.h"

#include "widgets/common/BoxHold.h"
#include "widgets/common/WindowContext.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QCloseEvent>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace {

// The busy state rides on the window as a hidden child, so it goes when the window goes.
class BusyState : public QObject {
 public:
  explicit BusyState(QWidget* w) : QObject(w) { setObjectName("veltaBusyState"); }
  int depth = 0;
  bool closePending = false;
  std::function<void()> notify;
  std::function<void()> cancel;
  // What the window was handed (BusyGuard::hand), kept by the window.
  const WindowContext* handed = nullptr;
};

BusyState* stateOf(const QWidget* w, bool create) {
  if (!w) return nullptr;
  auto* s = w->findChild<BusyState*>("veltaBusyState", Qt::FindDirectChildrenOnly);
  if (!s && create) s = new BusyState(const_cast<QWidget*>(w));
  return s;
}

// The state of the nearest window, `w` or one it was opened over, that was handed its objects.
const BusyState* handedOf(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (const BusyState* s = stateOf(w, false); s && s->handed) return s;
  return nullptr;
}

ClockWindowsState* sharedOf(const QWidget* w) {
  const BusyState* s = handedOf(w);
  return s ? s->handed->state() : nullptr;
}

// Closes `w`; a pending close stays pending while its closeEvent runs, and is over after it.
void deliverClose(QWidget* w) {
  QPointer<QWidget> alive(w);
  // The close's own boxes (the main window's shutdown ones) do show.
  boxhold::set(w, false);
  w->close();
  // A close asked for from inside the window's own closeEvent does nothing by itself: it
  // stays pending for that closeEvent to accept.
  if (!alive || alive->isVisible()) return;
  if (BusyState* s = stateOf(alive, false); s && s->depth == 0) s->closePending = false;
}

void closeLater(QWidget* w) {
  // Queued: the command that held the guard still has to return before the window goes.
  if (w)
    QMetaObject::invokeMethod(
        w, [w] { deliverClose(w); }, Qt::QueuedConnection);
}

// A close the operator asked for is held up by an exchange, or queued behind it, and cancels
// it: no box opens over the window until its delivery starts, so the boxes the cancel leads to
// stay unshown.
void holdBoxesOff(QWidget* w) { boxhold::set(w, true); }

void cancelExchange(const QWidget* w, BusyState* s) {
  if (s && s->cancel) {
    s->cancel();
    return;
  }
  const BusyState* h = handedOf(w);
  const std::optional<RunContext> ctx = h ? h->handed->run() : std::nullopt;
  if (!ctx) return;
  // Setting a flag cannot fail.
  (void)ctx->mirsol.SetCancel(1);
  (void)ctx->modem.SetCancel(1);
}

}  // namespace

// The guards' program-wide state (the main window's close waits for every guard) is the
// owner's, handed to the windows: ClockWindowsState.h.

BusyGuard::BusyGuard(QWidget* window) : m_window(window) {
  if (const BusyState* h = handedOf(window)) m_shared = h->handed->shared();
  if (ClockWindowsState* guards = m_shared.get()) ++guards->liveGuards;
  BusyState* s = stateOf(window, true);
  if (!s) return;
  if (s->depth++ == 0 && s->notify) s->notify();
}

BusyGuard::~BusyGuard() {
  // A guard that outlives the owner's release finds no count.
  ClockWindowsState* guards = m_shared.get();
  if (guards && guards->liveGuards > 0) --guards->liveGuards;
  BusyState* s = stateOf(m_window, false);
  if (s && --s->depth == 0) {
    if (s->notify) s->notify();
    if (s->closePending) closeLater(m_window);
  }
  if (guards && guards->liveGuards == 0) {
    const QList<QPointer<QWidget>> waiting = guards->closeWhenAllIdle;
    guards->closeWhenAllIdle.clear();
    for (const QPointer<QWidget>& w : waiting) closeLater(w);
  }
}

bool BusyGuard::anyBusy(const QWidget* window) {
  const ClockWindowsState* guards = sharedOf(window);
  return guards && guards->liveGuards > 0;
}

void BusyGuard::hand(QWidget* window, const WindowContext& context) {
  if (BusyState* s = stateOf(window, true)) s->handed = &context;
}

BusyGuard::State BusyGuard::state(const QWidget* window) {
  const BusyState* s = stateOf(window, false);
  if (!s) return State::Idle;
  if (s->closePending) return State::Closing;
  return s->depth > 0 ? State::Running : State::Idle;
}

bool BusyGuard::busy(const QWidget* window) {
  const BusyState* s = stateOf(window, false);
  return s && s->depth > 0;
}

void BusyGuard::onChange(QWidget* window, std::function<void()> notify) {
  if (BusyState* s = stateOf(window, true)) s->notify = std::move(notify);
}

void BusyGuard::onCancel(QWidget* window, std::function<void()> cancel) {
  if (BusyState* s = stateOf(window, true)) s->cancel = std::move(cancel);
}

bool BusyGuard::deferClose(QWidget* window, QCloseEvent* e, bool untilAllIdle) {
  BusyState* s = stateOf(window, false);
  if (busy(window)) {
    s->closePending = true;
  } else if (untilAllIdle && anyBusy(window)) {
    QList<QPointer<QWidget>>& waiting = sharedOf(window)->closeWhenAllIdle;
    if (!waiting.contains(window)) waiting.append(window);
    s = stateOf(window, true);
  } else {
    return false;
  }
  holdBoxesOff(window);
  cancelExchange(window, s);
  if (e) e->ignore();
  return true;
}

void BusyGuard::requestClose(QWidget* window) {
  if (!window) return;
  BusyState* s = stateOf(window, true);
  s->closePending = true;
  if (s->depth > 0) {
    holdBoxesOff(window);
    cancelExchange(window, s);
    return;
  }
  deliverClose(window);
}

bool BusyGuard::closed(const QWidget* window) {
  return window && window->testAttribute(Qt::WA_WState_ExplicitShowHide) && window->isHidden();
}

bool BusyGuard::closePending(const QWidget* window) {
  const BusyState* s = stateOf(window, false);
  return s && s->closePending;
}

bool BusyGuard::holdsBoxesOff(const QWidget* window) { return boxhold::held(window); }

#include "BusyGuard.h"

#include <QCloseEvent>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include "Globals.h"

namespace {

// The busy state rides on the window as a hidden child, so it goes when the window goes.
class BusyState : public QObject {
 public:
  explicit BusyState(QWidget* w) : QObject(w) { setObjectName("veltaBusyState"); }
  int depth = 0;
  bool closePending = false;
  std::function<void()> notify;
};

int gLiveGuards = 0;                         // guards alive in the whole program
QList<QPointer<QWidget>> gCloseWhenAllIdle;  // windows whose close waits for every guard

void closeLater(QWidget* w) {
  // Queued: the command that held the guard still has to return before the window goes.
  if (w) QMetaObject::invokeMethod(w, "close", Qt::QueuedConnection);
}

BusyState* stateOf(const QWidget* w, bool create) {
  if (!w) return nullptr;
  auto* s = w->findChild<BusyState*>("veltaBusyState", Qt::FindDirectChildrenOnly);
  if (!s && create) s = new BusyState(const_cast<QWidget*>(w));
  return s;
}

}  // namespace

BusyGuard::BusyGuard(QWidget* window) : m_window(window) {
  ++gLiveGuards;
  BusyState* s = stateOf(window, true);
  if (!s) return;
  if (s->depth++ == 0 && s->notify) s->notify();
}

BusyGuard::~BusyGuard() {
  --gLiveGuards;
  BusyState* s = stateOf(m_window, false);
  if (s && --s->depth == 0) {
    if (s->notify) s->notify();
    if (s->closePending) {
      s->closePending = false;
      closeLater(m_window);
    }
  }
  if (gLiveGuards == 0) {
    const QList<QPointer<QWidget>> waiting = gCloseWhenAllIdle;
    gCloseWhenAllIdle.clear();
    for (const QPointer<QWidget>& w : waiting) closeLater(w);
  }
}

bool BusyGuard::anyBusy() { return gLiveGuards > 0; }

bool BusyGuard::busy(const QWidget* window) {
  const BusyState* s = stateOf(window, false);
  return s && s->depth > 0;
}

void BusyGuard::onChange(QWidget* window, std::function<void()> notify) {
  if (BusyState* s = stateOf(window, true)) s->notify = std::move(notify);
}

bool BusyGuard::deferClose(QWidget* window, QCloseEvent* e, bool untilAllIdle) {
  if (busy(window)) {
    stateOf(window, false)->closePending = true;
  } else if (untilAllIdle && anyBusy()) {
    if (!gCloseWhenAllIdle.contains(window)) gCloseWhenAllIdle.append(window);
  } else {
    return false;
  }
  if (gMirsol) gMirsol->SetCancel(1);
  if (gModem) gModem->SetCancel(1);
  if (e) e->ignore();
  return true;
}

bool BusyGuard::closePending(const QWidget* window) {
  const BusyState* s = stateOf(window, false);
  return s && s->closePending;
}

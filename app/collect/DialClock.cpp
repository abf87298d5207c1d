#include "collect/DialClock.h"

#include "collect/CollectionPass.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <utility>

namespace collect {

using clocklink::CollectionStatus;
using clocklink::kCancelled;
using clocklink::kFailure;
using clocklink::kSuccess;

bool isFailedDialReply(const std::string& reply) {
  const std::string r = basic::Trim(reply);
  return r.empty() || r == "BUSY" || r == "NO CARRIER" || r == "NO DIAL TONE" || r == "ERROR" ||
         r == "NO ANSWER";
}

namespace {

bool cancelled(const DialHooks& c) { return c.cancelled && c.cancelled(); }

// Calls the step's hook when there is one.
template <class Hook, class... Args>
void report(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

// The countdown between attempts; monotonic, so a wait over midnight still ends. False when
// cancelled meanwhile.
bool retryWait(const DialHooks& c, const std::string& reply) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(c.retryWaitSeconds));
  for (;;) {
    const double left = std::chrono::duration<double>(end - Clock::now()).count();
    report(c.retryCountdown, static_cast<int>(std::ceil(std::max(left, 0.0))), reply);
    if (cancelled(c)) return false;
    if (left <= 0) return true;
    clocklink::WaitSeconds(std::min(left, 0.1));
  }
}

// The runs' words: one list line per step, the countdown one line rewritten in place.
DialHooks listHooks(ProgressList& list, const PassSeams& seams) {
  auto countdownLine = std::make_shared<int>(0);
  DialHooks h;
  h.hangingUp = [&list] { list.add(GetMsg(270) + GetMsg(180)); };
  h.initialising = [&list] {
    list.add(GetMsg(270) + GetMsg(229));
    list.refresh();
  };
  h.initFailed = [&list](CollectionStatus) { list.add(GetMsg(321), kRedLine); };
  h.dialling = [&list, countdownLine](int, const std::string& phone) {
    *countdownLine = 0;
    list.add(GetMsg(211) + " " + phone);
    list.selectLast();
    list.refresh();
  };
  h.attemptFailed = [&list](int, const std::string& reply, bool last) {
    if (!last) return;
    const std::string r = basic::Trim(reply);
    list.add(r == "BUSY" ? GetMsg(106) : r.empty() ? GetMsg(321) : r, kRedLine);
  };
  h.retryCountdown = [&list, countdownLine](int secondsLeft, const std::string& reply) {
    const std::string text = GetMsg(291) + ": " +
                             basic::Format(static_cast<int64_t>(secondsLeft), "00") + " " +
                             GetMsg(283) + "\r" + GetMsg(297) + ": " + reply;
    if (*countdownLine == 0)
      *countdownLine = list.add(text);
    else
      list.setText(*countdownLine, text);
    list.selectLast();
    list.refresh();
  };
  h.connected = [&list](const std::string& reply) { list.add(GetMsg(184) + reply); };
  h.cancelled = seams.stopRequested;
  h.retryWaitSeconds = seams.retryWaitSeconds;
  h.lineUpWhileDialling = true;
  return h;
}

}  // namespace

CollectionStatus dialModem(RunContext& ctx, const DialHooks& c) {
  clocklink::ClsModem& modem = ctx.modem;
  // clearing a flag cannot fail
  (void)modem.SetCancel(0);
  if (modem.cortarModem()) {
    report(c.hangingUp);
    modem.Colgar();
    modem.cortarModem(false);
    return kSuccess;
  }
  report(c.initialising);
  clocklink::pumpEvents();
  if (cancelled(c)) return kCancelled;
  const CollectionStatus init = modem.InitModem(ctx.dataFolder, basic::Trim(ctx.cfg.ModemDriver));
  clocklink::pumpEvents();
  if (cancelled(c)) {
    modem.Colgar();  // InitModem may have left the port open
    return kCancelled;
  }
  if (init != kSuccess) {
    report(c.initFailed, init);
    modem.Colgar();
    return kFailure;
  }
  if (c.lineUpWhileDialling) modem.cortarModem(true);
  const std::string phone = basic::Trim(ctx.clocks.m_Telefono);
  for (int attempt = 1; attempt <= 4; ++attempt) {
    if (cancelled(c)) return kCancelled;
    report(c.dialling, attempt, phone);
    clocklink::pumpEvents();
    if (cancelled(c)) return kCancelled;
    const std::string reply = modem.Discar(ctx.cfg.TimeOutModem);
    *gSharedText = reply;
    if (!isFailedDialReply(reply)) {
      modem.cortarModem(true);
      report(c.connected, reply);
      ctx.mirsol.Status_Get();
      return kSuccess;
    }
    report(c.attemptFailed, attempt, reply, attempt == 4);
    if (attempt == 4) {
      // The line is down but the port is still open: closed here, or the next InitModem
      // finds it busy.
      modem.Colgar();
      modem.cortarModem(false);
      return kFailure;
    }
    if (!retryWait(c, reply)) return kCancelled;
  }
  return kFailure;
}

CollectionStatus DialClock(RunContext& ctx, const PassSeams& seams) {
  return dialModem(ctx, listHooks(*seams.list, seams));
}

}  // namespace collect

#include "collect/DialClock.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <chrono>
#include <cmath>

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"

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

bool cancelled(const DialControl& c) { return c.cancelled && c.cancelled(); }

// The countdown between attempts; monotonic, so a wait over midnight still ends. False when
// cancelled meanwhile.
bool retryWait(const DialControl& c, const std::string& reply) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(c.retryWaitSeconds));
  for (;;) {
    const double left = std::chrono::duration<double>(end - Clock::now()).count();
    c.progress->retryCountdown(static_cast<int>(std::ceil(std::max(left, 0.0))), reply);
    if (cancelled(c)) return false;
    if (left <= 0) return true;
    clocklink::WaitSeconds(std::min(left, 0.1));
  }
}

// The runs' words: one list line per step, the countdown one line rewritten in place.
class ListProgress : public DialProgress {
 public:
  explicit ListProgress(ProgressList& list) : m_list(list) {}

  void hangingUp() override { m_list.add(GetMsg(270) + GetMsg(180)); }
  void initialising() override {
    m_list.add(GetMsg(270) + GetMsg(229));
    m_list.refresh();
  }
  void initFailed(CollectionStatus) override { m_list.add(GetMsg(321), kRedLine); }
  void dialling(int, const std::string& phone) override {
    m_countdownLine = 0;
    m_list.add(GetMsg(211) + " " + phone);
    m_list.selectLast();
    m_list.refresh();
  }
  void attemptFailed(int, const std::string& reply, bool last) override {
    if (!last) return;
    const std::string r = basic::Trim(reply);
    m_list.add(r == "BUSY" ? GetMsg(106) : r.empty() ? GetMsg(321) : r, kRedLine);
  }
  void retryCountdown(int secondsLeft, const std::string& reply) override {
    const std::string text = GetMsg(291) + ": " +
                             basic::Format(static_cast<int64_t>(secondsLeft), "00") + " " +
                             GetMsg(283) + "\r" + GetMsg(297) + ": " + reply;
    if (m_countdownLine == 0)
      m_countdownLine = m_list.add(text);
    else
      m_list.setText(m_countdownLine, text);
    m_list.selectLast();
    m_list.refresh();
  }
  void connected(const std::string& reply) override { m_list.add(GetMsg(184) + reply); }

 private:
  ProgressList& m_list;
  int m_countdownLine = 0;
};

}  // namespace

CollectionStatus dialModem(RunContext& ctx, const DialControl& c) {
  DialProgress& progress = *c.progress;
  clocklink::ClsModem& modem = ctx.modem;
  modem.SetCancel(0);
  if (modem.cortarModem()) {
    progress.hangingUp();
    modem.Colgar();
    modem.cortarModem(false);
    return kSuccess;
  }
  progress.initialising();
  clocklink::pumpEvents();
  if (cancelled(c)) return kCancelled;
  const CollectionStatus init = modem.InitModem(ctx.dataFolder, basic::Trim(ctx.cfg.ModemDriver));
  clocklink::pumpEvents();
  if (cancelled(c)) {
    modem.Colgar();  // InitModem may have left the port open
    return kCancelled;
  }
  if (init != kSuccess) {
    progress.initFailed(init);
    modem.Colgar();
    return kFailure;
  }
  if (c.lineUpWhileDialling) modem.cortarModem(true);
  const std::string phone = basic::Trim(ctx.clocks.m_Telefono);
  for (int attempt = 1; attempt <= 4; ++attempt) {
    if (cancelled(c)) return kCancelled;
    progress.dialling(attempt, phone);
    clocklink::pumpEvents();
    if (cancelled(c)) return kCancelled;
    const std::string reply = modem.Discar(ctx.cfg.TimeOutModem);
    *gSharedText = reply;
    if (!isFailedDialReply(reply)) {
      modem.cortarModem(true);
      progress.connected(reply);
      ctx.mirsol.Status_Get();
      return kSuccess;
    }
    progress.attemptFailed(attempt, reply, attempt == 4);
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

CollectionStatus dialModem(const DialControl& control) {
  std::optional<RunContext> ctx = programContext();
  return ctx ? dialModem(*ctx, control) : kFailure;
}

int16_t DialClock(RunContext& ctx, const DialSeams& s) {
  ListProgress progress(*s.list);
  return dialModem(ctx, {.progress = &progress,
                         .cancelled = s.stopRequested,
                         .retryWaitSeconds = s.retryWaitSeconds,
                         .lineUpWhileDialling = true});
}

int16_t DialClock(const DialSeams& seams) {
  std::optional<RunContext> ctx = programContext();
  return ctx ? DialClock(*ctx, seams) : kFailure;
}

}  // namespace collect

#include "DialClock.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <chrono>
#include <cmath>

#include "Basic.h"
#include "ClsCfgFile.h"
#include "ClsListaRelojes.h"
#include "Globals.h"
#include "Messages.h"
#include "Release.h"

namespace collect {

bool isFailedDialReply(const std::string& reply) {
  const std::string r = basic::Trim(reply);
  return r.empty() || r == "BUSY" || r == "NO CARRIER" || r == "NO DIAL TONE" || r == "ERROR" ||
         r == "NO ANSWER";
}

namespace {

bool stopped(const DialSeams& s) { return s.stopRequested && s.stopRequested(); }

// The countdown line between attempts; monotonic, so a wait over midnight still ends.
// False when the run was stopped meanwhile.
bool retryWait(const DialSeams& s, const std::string& reply) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(s.retryWaitSeconds));
  int line = 0;
  for (;;) {
    const double left = std::chrono::duration<double>(end - Clock::now()).count();
    const std::string text =
        GetMsg(291) + ": " +
        basic::Format(static_cast<int64_t>(std::ceil(std::max(left, 0.0))), "00") + " " +
        GetMsg(283) + "\r" + GetMsg(297) + ": " + reply;
    if (line == 0)
      line = s.list->add(text);
    else
      s.list->setText(line, text);
    s.list->selectLast();
    s.list->refresh();
    if (stopped(s)) return false;
    if (left <= 0) return true;
    clocklink::WaitSeconds(std::min(left, 0.1));
  }
}

}  // namespace

int16_t DialClock(const DialSeams& s) {
  ProgressList& list = *s.list;
  clocklink::ClsModem& modem = *gModem;
  modem.SetCancel(0);
  if (modem.cortarModem()) {
    list.add(GetMsg(270) + GetMsg(180));
    modem.Colgar();
    modem.cortarModem(false);
    return -100;
  }
  list.add(GetMsg(270) + GetMsg(229));
  list.refresh();
  clocklink::pumpEvents();
  if (stopped(s)) return -101;
  const int16_t init = modem.InitModem(gDataFolder, basic::Trim(gCfgFile->ModemDriver));
  clocklink::pumpEvents();
  if (stopped(s)) {
    modem.Colgar();  // InitModem may have left the port open
    return -101;
  }
  if (MensajeErrorComm(init, 0)) {
    list.add(GetMsg(321), kRedLine);
    modem.Colgar();
    return -200;
  }
  modem.cortarModem(true);
  const std::string phone = basic::Trim(gListaRelojes->m_Telefono);
  for (int attempt = 1; attempt <= 4; ++attempt) {
    if (stopped(s)) return -101;
    list.add(GetMsg(211) + " " + phone);
    list.selectLast();
    list.refresh();
    clocklink::pumpEvents();
    if (stopped(s)) return -101;
    const std::string reply = modem.Discar(gCfgFile->TimeOutModem);
    gSharedText = reply;
    if (!isFailedDialReply(reply)) {
      gMirsol->Status_Get();
      list.add(GetMsg(184) + reply);
      modem.cortarModem(true);
      return -100;
    }
    if (attempt == 4) {
      const std::string r = basic::Trim(reply);
      list.add(r == "BUSY" ? GetMsg(106) : r.empty() ? GetMsg(321) : r, kRedLine);
      // The line is down but the port is still open: closed here, or the next InitModem
      // finds it busy.
      modem.Colgar();
      modem.cortarModem(false);
      return -200;
    }
    if (!retryWait(s, reply)) return -101;
  }
  return -200;
}

}  // namespace collect

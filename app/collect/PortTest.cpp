#include "collect/PortTest.h"

#include "collect/FGrales.h"
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/FailureMessage.h"
#include "core/Globals.h"  // gSharedText
#include "core/Messages.h"
#include "core/Reporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

namespace collect {

std::string clockNumberAt(int index) {
  if (index < 9) return std::string(1, static_cast<char>('1' + index));
  if (index < 35) return std::string(1, static_cast<char>('A' + index - 9));
  return std::string(1, static_cast<char>('a' + index - 35));
}

bool PortTest::clockAnswered(const std::string& status) {
  std::string field = status.substr(0, 50);
  field.resize(50, ' ');
  return basic::Trim(field).size() >= 5;
}

PortTest::PortTest(ProgressList& list, const RunContext& ctx, Reporter& reporter, Hooks hooks)
    : m_list(list),
      m_ctx(ctx),
      m_mirsol(ctx.mirsol),
      m_reporter(reporter),
      m_hooks(std::move(hooks)) {}

void PortTest::Cancelar() {
  m_mirsol.SetCancel(1);
  // setting a flag cannot fail
  (void)m_ctx.modem.SetCancel(1);
  m_cancel = 1;
}

bool PortTest::cancelled() {
  clocklink::pumpEvents();
  if (m_cancel != 1) return false;
  m_cancel = 0;
  return true;
}

void PortTest::wait(double seconds) {
  if (m_hooks.wait)
    m_hooks.wait(seconds);
  else
    Wait(seconds);
}

void PortTest::picture(int n) {
  if (m_hooks.picture) m_hooks.picture(n);
}

void PortTest::beep() {
  if (m_hooks.beep) m_hooks.beep();
}

void PortTest::endRun() {
  m_running = false;
  if (m_hooks.enable) m_hooks.enable();
}

bool PortTest::openPort() {
  m_mirsol.FCommPortOpen(true);
  if (m_mirsol.FCommPortOpen()) return true;
  // The pass-through raises nothing on a refused open: the serial layer's failure tells why,
  // and the run ends on it as on any other error.
  const clocklink::SerialOpenFailure& failure = m_mirsol.FCommOpenFailure();
  if (const int msg = failureMessage(failure))
    m_reporter.inform(msg, msgbox::Critical);
  else
    m_reporter.informText(failureText(failure), msgbox::Critical);
  m_mirsol.FCommPortOpen(false);
  return false;
}

void PortTest::clearCancelFlags() {
  m_cancel = 0;
  m_mirsol.SetCancel(0);
  // clearing a flag cannot fail
  (void)m_ctx.modem.SetCancel(0);
}

void PortTest::DoTest(int port) {
  m_running = true;
  if (m_hooks.disable) m_hooks.disable();
  const bool plug =
      m_reporter.ask(376, msgbox::YesNo | msgbox::Exclamation, GetMsg(377)) == msgbox::Yes;
  m_list.clear();
  m_list.add(GetMsg(265) + " COM " + std::to_string(port));
  if (m_mirsol.FCommPortOpen()) {
    m_list.add(GetMsg(102));
    endRun();
    return;
  }
  m_mirsol.FCommCommPort(static_cast<int16_t>(port));
  bool stopped = false;
  bool failed = false;
  for (const std::string& speed : kPortSpeeds) {
    if ((stopped = cancelled())) break;
    picture(1);
    wait(0.5);
    m_list.add(speed + " bps");
    m_mirsol.FCommSettings(speed + ",N,8,1");
    if ((failed = !openPort())) break;
    m_mirsol.FCommInputLen(0);
    picture(2);
    wait(0.5);
    if (plug) {
      m_list.add(GetMsg(103));
      m_mirsol.FCommRxBufferCount(false);
      m_mirsol.FCommSend("PRUEBA");
    }
    picture(3);
    wait(0.5);
    if (plug) m_list.add(GetMsg(104) + (m_mirsol.FCommReceive() == "PRUEBA" ? ": OK" : ": ERR"));
    picture(4);
    wait(0.5);
    m_mirsol.FCommPortOpen(false);
    wait(0.5);
    if ((failed = !openPort())) break;
    m_mirsol.FCommInputLen(0);
    m_mirsol.FCommRxBufferCount(false);
    m_mirsol.FCommSend("AT\r");
    picture(1);
    wait(0.5);
    const std::string reply = m_mirsol.FCommReceive();
    if (reply.find('0') != std::string::npos || reply.find("OK") != std::string::npos)
      m_list.add(GetMsg(241));
    picture(2);
    wait(0.5);
    m_mirsol.FCommPortOpen(false);
    beep();
    if ((stopped = cancelled())) break;
    wait(1.0);
  }
  // Every way out leaves the port closed: a port left open made every later test say 102.
  m_mirsol.FCommPortOpen(false);
  if (stopped) clearCancelFlags();
  picture(0);
  if (!stopped && !failed) m_reporter.inform(266, msgbox::Information);
  endRun();
}

void PortTest::DoDetectar() {
  m_running = true;
  m_list.clear();
  m_mirsol.SetTimeOut(1);
  if (m_hooks.disable) m_hooks.disable();
  const int16_t connectTimeout = m_ctx.cfg.TimeOutModem;
  int n = 0;
  for (int c = 0; c < kClockNumbers; ++c) {
    const std::string id = clockNumberAt(c);
    for (const std::string& speed : kPortSpeeds) {
      for (int p = 1; p <= kDetectPorts; ++p) {
        ++n;
        picture(n % 4 + 1);
        *gSharedText = "COM" + std::to_string(p);
        const std::string port = *gSharedText;
        if (m_hooks.progress) m_hooks.progress(n, id, speed, port);
        std::string status;
        if (m_hooks.probe) {
          status = m_hooks.probe(id, port, speed);
        } else {
          // a serial port is always taken; the status read tells
          (void)m_mirsol.SetTimeRecorder(id, 0, port, speed, "", 0, "", 0, 7001, 7001,
                                         connectTimeout);
          status = m_mirsol.Status_Get();
        }
        if (clockAnswered(status)) {
          m_list.add(GetMsg(274) + ": " + id);
          m_list.add(GetMsg(301) + ": " + speed);
          m_list.add(GetMsg(271) + ": " + port);
          m_list.add(GetMsg(104) + ": OK");
        }
        beep();
        if (m_cancel == 1) {
          finishDetect(false);
          return;
        }
        clocklink::pumpEvents();
      }
    }
  }
  finishDetect(true);
}

void PortTest::finishDetect(bool complete) {
  // Every way out puts the program's clock back as it found it: the reply time-out and the
  // current clock, with its IP (an empty one left a serial-gateway clock unreachable).
  const ClsCfgFile& cfg = m_ctx.cfg;
  m_mirsol.SetTimeOut(cfg.TimeOut);
  if (cfg.RelojActivo >= 0) {
    // A free slot's leftover record would aim the link at a clock that is not there.
    m_ctx.clocks.GetCurDataOrDefault(cfg.RelojActivo);
    const ClsListaRelojes& r = m_ctx.clocks;
    // putting the current clock back; its next exchange tells
    (void)m_mirsol.SetTimeRecorder(r.M_Numero, r.m_Modelo, r.m_Puerto, r.m_Velocidad, r.m_Telefono,
                                   r.M_Comunicacion, r.m_IP, r.m_TipoInterface, r.m_PortLocal,
                                   r.m_PortRemoto, cfg.TimeOutModem);
  }
  clearCancelFlags();
  picture(0);
  if (complete) m_reporter.inform(266, msgbox::OkOnly);
  endRun();
}

}  // namespace collect

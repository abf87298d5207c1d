#include "collect/CollectionPass.h"

#include "collect/CollectPunches.h"
#include "collect/DialClock.h"
#include "collect/FGrales.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/Messages.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/EventPump.h>

#include <exception>

using clocklink::CollectionStatus;
using clocklink::kFailure;
using clocklink::kSuccess;

namespace collect {

namespace {

void yield() { clocklink::pumpEvents(); }

std::string shortDateLine(const basic::DateTime& t) {
  return GetMsg(219) + ": " + basic::Format(t, "SHORT DATE");
}
std::string timeLine(const basic::DateTime& t) {
  return GetMsg(227) + ": " + basic::Format(t, "hh\\:MM");
}

std::string mark(bool on) { return on ? ": X" : ":  "; }

class Pass {
 public:
  Pass(RunContext& ctx, PassMode mode, const PassSeams& s)
      : m_ctx(ctx), m_mode(mode), m_s(s), m_list(*s.list) {}

  PassResult run();

 private:
  bool automatic() const { return m_mode == PassMode::Automatic; }
  bool stopRequested() const { return m_s.stopRequested && m_s.stopRequested(); }
  void label(const std::string& text) const {
    if (m_s.label) m_s.label(text);
  }
  void log(const std::string& text) const {
    if (m_s.logger) m_s.logger->Log(text);
  }
  void describe(int number, const std::string& shippingName);
  // The clock's steps after its line is up; false when it failed somewhere.
  bool clockSteps(const basic::DateTime& now, const std::string& name);
  bool ship(const std::string& name);
  CollectionStatus dial() { return DialClock(m_ctx, m_s); }

  // The daily log's heading for the pass.
  void logOpening(const basic::DateTime& start);
  // Points the clock link and the modem at the current clock.
  void setUpLink();
  // True, with the pass marked stopped, when a stop has been asked for.
  bool stopHere();
  // Names the clock's file, shows the clock, dials it and runs its steps; a failure marks the
  // pass as having errors.
  void pollClock(int number);
  // Dials the current clock and runs its steps; false when either failed, thrown errors too.
  bool dialAndRun(const basic::DateTime& now, const std::string& name);
  // Hangs the line up; a failure there marks the pass as having errors.
  void hangUp();
  // Puts the clock's lines into the log, leaves them up a moment and closes the port.
  void closeClock();
  // The pass's closing lines in the list (automatic run only) and in the log.
  void showClosing(const basic::DateTime& end);
  void logClosing(const basic::DateTime& end);

  RunContext& m_ctx;
  PassMode m_mode;
  const PassSeams& m_s;
  ProgressList& m_list;
  PassResult m_result;
};

void Pass::describe(int number, const std::string& shippingName) {
  const ClsListaRelojes& c = m_ctx.clocks;
  const ClsCfgFile& cfg = m_ctx.cfg;
  m_list.add(GetMsg(270) + GetMsg(267) + ": " + basic::Format(int64_t{number}, "000"), kBold);
  m_list.add(c.m_Descrip);
  if (automatic()) {
    m_list.add(GetMsg(274) + ": " + c.M_Numero);
    m_list.add(GetMsg(242) + ": " + c.GetModelo(c.m_Modelo));
    m_list.add(GetMsg(271) + ": " + c.m_Puerto);
    m_list.add(GetMsg(301) + ": " + c.m_Velocidad);
    m_list.add(GetMsg(289) + ": " + c.m_Telefono);
    m_list.add(GetMsg(172) + mark(c.M_Borrar == 1));
    if (cfg.SAPEnabled == 1)
      m_list.add(shippingName);
    else
      m_list.add(GetMsg(167) + ": " + c.M_Archivo + (c.m_ArchivoFecha == 1 ? ".MIR" : ""));
    m_list.add(GetMsg(165) + mark(c.m_FHora != 0));
    m_list.add(GetMsg(183) + ": " + GetMsg(c.M_Comunicacion == 1 ? 246 : 285));
    m_list.add(GetMsg(254) + ": " + GetMsg(c.m_TipoNumero == 2 ? 296 : 288));
  }
  yield();
  m_list.selectLast();
  m_list.refresh();
}

bool Pass::ship(const std::string& name) {
  ClsCfgFile& cfg = m_ctx.cfg;
  const ClsListaRelojes& c = m_ctx.clocks;
  m_list.add(">Ejecutando envio de archivos FTP");
  cfg.tmpFTPFileName = name;
  cfg.tmpFTPFilePath = basic::Trim(c.m_Path);
  // A window closed before it reported anything must read as a failure, not as the last
  // success.
  cfg.tmpReturnValue = statusCode(kFailure);
  yield();
  if (m_s.ship) m_s.ship(Shipment::Ftp);
  if (cfg.tmpReturnValue != statusCode(kSuccess)) {
    m_list.add(" No se pudo transmitir el archivo al servidor ftp", kRedLine);
    return false;
  }
  m_list.add(" Archivo enviado OK");
  if (cfg.RSHEnabled == 0) return true;
  m_list.add(">Ejecutando RSH...");
  cfg.tmpFTPFileName = name;
  cfg.tmpReturnValue = statusCode(kFailure);
  yield();
  cfg.tmpLst = [this](const std::string& line) { m_list.add(line); };
  if (m_s.ship) m_s.ship(Shipment::Rsh);
  cfg.tmpLst = nullptr;  // the list belongs to this pass only
  if (cfg.tmpReturnValue != statusCode(kSuccess)) {
    m_list.add(" No se pudo ejecutar el comando remoto", kRedLine);
    return false;
  }
  m_list.add(" RSH Ejecutado OK");
  return true;
}

bool Pass::clockSteps(const basic::DateTime& now, const std::string& name) {
  const ClsListaRelojes& c = m_ctx.clocks;
  const ClsCfgFile& cfg = m_ctx.cfg;
  clocklink::ClsMirsol& mirsol = m_ctx.mirsol;
  bool ok = true;
  yield();
  const int16_t console = m_mode == PassMode::Console ? -1 : 0;
  MirsolClockOps clock(mirsol);
  CollectContext download = downloadContext(m_ctx, clock);
  // A clock that is not cleared keeps its punches for the next pass: a download that fails
  // takes back what it wrote, so that the next pass writes each punch once.
  Download got = collectPunches(download, m_list, basic::Trim(c.m_Path), name,
                                cfg.EliminarDuplicados, 0, console, OnFailure::CutBack);
  yield();
  if (got.status != kSuccess) ok = false;
  if (m_mode == PassMode::Console) {
    if (ok && clearAfterDownload(download, m_list, got, mirsol.RegCount) != kSuccess) ok = false;
    return ok;
  }
  const bool shippingOn = cfg.SAPEnabled == 1;
  if (ok && mirsol.RegCount >= 1 && shippingOn) ok = ship(name);
  // With shipping on, only what reached the host may be cleared: punches made since the
  // download keep the clock uncleared and come in the next pass's file.
  if (ok && c.M_Borrar == 1 &&
      clearAfterDownload(download, m_list, got, mirsol.RegCount, shippingOn) != kSuccess)
    ok = false;
  yield();
  if (c.m_FHora == 1) {
    const CollectionStatus r =
        ConsoleDateTimeResult(mirsol, m_list, basic::Format(now, "YYYYmmdd"),
                              std::to_string(basic::Weekday(now)), basic::Format(now, "HHMM"));
    if (r != kSuccess) ok = false;
  }
  if (!basic::Trim(c.m_ArchivoHabil).empty()) {
    const bool solvar = c.m_Modelo == 4 || c.m_Modelo == 5;
    CollectionStatus r;
    if (c.m_tipo != 0) {
      // the card file's result below decides the line
      if (!solvar) (void)mirsol.SetLocked(2);
      r = SendCardFile(mirsol, c.m_TipoNumero, 0, c.m_ArchivoHabil);
      m_list.add(r == kSuccess ? " TARJETAS INHABILITADAS..." : " ERROR AL INHABILITAR TARJETAS",
                 r == kSuccess ? kPlain : kRedLine);
    } else {
      if (solvar) {
        // the card file's result below decides the line
        (void)mirsol.ResetSolvar();
        (void)mirsol.SetLocked(0);
      } else {
        // the card file's result below decides the line
        (void)mirsol.SetLocked(1);
      }
      r = SendCardFile(mirsol, c.m_TipoNumero, 1, c.m_ArchivoHabil);
      m_list.add(r == kSuccess ? " TARJETAS HABILITADAS..." : " ERROR AL HABILITAR TARJETAS",
                 r == kSuccess ? kPlain : kRedLine);
    }
    if (r != kSuccess) ok = false;
  }
  return ok;
}

PassResult Pass::run() {
  logOpening(m_s.clock());
  if (m_mode == PassMode::Console) label("");
  for (int i = 1; i <= ClsListaRelojes::kSlots; ++i) {
    m_ctx.clocks.GetCurData(static_cast<int16_t>(i));
    if (m_ctx.clocks.M_Activo != 1 || m_ctx.clocks.m_Prg < 1) continue;
    ++m_result.clocksVisited;
    setUpLink();
    if (stopHere()) break;
    pollClock(i);
    hangUp();
    closeClock();
    if (stopHere()) break;
  }
  const basic::DateTime end = m_s.clock();
  showClosing(end);
  logClosing(end);
  if (m_mode == PassMode::Console) {
    label("");
    m_list.clear();
  }
  return m_result;
}

void Pass::logOpening(const basic::DateTime& start) {
  if (!m_s.logger) return;
  m_s.logger->InitLog();
  log("");
  log("");
  log(std::string(80, '*'));
  log("Velta 2000");
  log(GetMsg(265));
  log(shortDateLine(start));
  log(timeLine(start));
  log("");
}

void Pass::setUpLink() {
  const ClsListaRelojes& clocks = m_ctx.clocks;
  yield();
  // the interface is checked by the clock's own exchanges
  (void)m_ctx.mirsol.SetTimeRecorder(clocks.M_Numero, clocks.m_Modelo, clocks.m_Puerto,
                                     clocks.m_Velocidad, clocks.m_Telefono, clocks.M_Comunicacion,
                                     clocks.m_IP, clocks.m_TipoInterface, clocks.m_PortLocal,
                                     clocks.m_PortRemoto, m_ctx.cfg.TimeOutModem);
  const std::string port = clocks.m_Puerto.size() > 3 ? clocks.m_Puerto.substr(3) : "";
  m_ctx.modem.SetModem(static_cast<int16_t>(basic::Val(port)), clocks.m_Velocidad,
                       clocks.m_Telefono);
  yield();
}

bool Pass::stopHere() {
  if (!stopRequested()) return false;
  m_result.stopped = true;
  return true;
}

void Pass::pollClock(int number) {
  const ClsListaRelojes& clocks = m_ctx.clocks;
  // One name per clock: the shipping line, the download and the upload all use it.
  const basic::DateTime now = m_s.clock();
  const std::string name =
      outputFileName(clocks, now, m_mode != PassMode::Console && m_ctx.cfg.SAPEnabled == 1);
  if (m_mode == PassMode::Console) {
    label(clocks.m_Descrip);
    yield();
  } else {
    describe(number, name);
  }
  if (!dialAndRun(now, name)) {
    m_result.errors = true;
    if (m_mode == PassMode::Console) label(clocks.m_Descrip + " " + GetMsg(320));
  }
}

bool Pass::dialAndRun(const basic::DateTime& now, const std::string& name) {
  const ClsListaRelojes& clocks = m_ctx.clocks;
  bool ok = true;
  try {
    const CollectionStatus dialled = basic::Trim(clocks.m_Telefono).empty() ? kSuccess : dial();
    if (dialled != kSuccess) {
      ok = false;
    } else {
      ok = clockSteps(now, name);
    }
  } catch (const std::exception& e) {
    ok = false;
    m_list.add(GetMsg(270) + basic::Trim(clocks.m_Descrip) + ": " + e.what(), kRedLine);
  } catch (...) {
    ok = false;
    m_list.add(GetMsg(270) + basic::Trim(clocks.m_Descrip) + ": " + GetMsg(320), kRedLine);
  }
  return ok;
}

void Pass::hangUp() {
  try {
    // the clock's result is already counted
    if (m_ctx.modem.cortarModem()) (void)dial();  // hangs the line up
  } catch (...) {
    m_result.errors = true;
  }
}

void Pass::closeClock() {
  if (m_list.count() > 0) m_list.selectLast();
  m_list.refresh();
  if (m_s.logger)
    for (int k = 1; k <= m_list.count(); ++k) log(m_list.text(k));
  Wait(m_s.closeWaitSeconds);
  if (automatic()) m_list.clear();
  m_ctx.mirsol.fcommclosePort();
}

void Pass::showClosing(const basic::DateTime& end) {
  if (!automatic()) return;
  m_list.add(GetMsg(266), kBold);
  m_list.add(shortDateLine(end), kBold);
  m_list.add(timeLine(end), kBold);
  if (m_result.errors) {
    std::string line = GetMsg(305);
    if (m_s.logger && m_s.logger->logEnabled) line += m_s.logger->getFileName();
    m_list.add(line, kBold);
  }
  m_list.selectLast();
  m_list.refresh();
}

void Pass::logClosing(const basic::DateTime& end) {
  if (!m_s.logger) return;
  log(GetMsg(266));
  log(shortDateLine(end));
  log(timeLine(end));
  log(std::string(80, '*'));
  m_s.logger->EndLog();
}

}  // namespace

std::string outputFileName(const ClsListaRelojes& c, const basic::DateTime& now, bool sapNaming) {
  if (sapNaming)
    return "AR_2011_" + basic::Format(now, "YYYYmmdd") + "_" + basic::Format(now, "HHMMss") +
           ".txt";
  if (c.m_ArchivoFecha != 0) return basic::Format(now, c.M_Archivo) + ".MIR";
  return c.M_Archivo;
}

PassResult PollClocks(RunContext& ctx, PassMode mode, const PassSeams& seams) {
  return Pass(ctx, mode, seams).run();
}

}  // namespace collect

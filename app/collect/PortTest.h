// PortTest: the two runs of the port test window. DoTest exercises one serial port at every
// line speed with a loop-back plug or a modem on it; DoDetectar looks for a clock on COM1-COM4
// by trying every clock number at every speed. Findings go to a progress list; the window
// supplies the waits, pictures and enabling through hooks, so the runs work without a display.
#pragma once

#include "collect/RunContext.h"
#include "core/ProgressList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class Reporter;

namespace collect {

// The speed table: 6-character fields, blank-padded on the right, joined into texts as they
// stand ("9600" and two blanks).
inline const std::array<std::string, 8> kPortSpeeds = {"9600  ", "110   ", "300   ", "600   ",
                                                       "1200  ", "2400  ", "14400 ", "19200 "};
// The clock numbers tried: "1"-"9", "A"-"Z", "a"-"z".
std::string clockNumberAt(int index);  // 0..60
inline constexpr int kClockNumbers = 61;
inline constexpr int kDetectPorts = 4;
inline constexpr int kDetectProbes = kClockNumbers * 8 * kDetectPorts;  // 1,952

class PortTest {
 public:
  struct Hooks {
    std::function<void(double seconds)> wait;  // lets window events run (default Wait)
    std::function<void(int picture)> picture;  // 0 idle, 1-4 the steps
    std::function<void()> beep;
    std::function<void()> disable;  // Deshabilitar: only Cancelar on
    std::function<void()> enable;   // habilitar
    // One DoDetectar probe: the status the clock answers (default: SetTimeRecorder + Status_Get).
    std::function<std::string(const std::string& id, const std::string& port,
                              const std::string& speed)>
        probe;
    // DoDetectar: probe n (1-based) of kDetectProbes is about to run.
    std::function<void(int n, const std::string& id, const std::string& speed,
                       const std::string& port)>
        progress;
  };

  // The run works the clock object of `ctx` (its modem object shares the cancel; the search
  // puts the settings' current clock of its clock list back). The run's boxes (the plug
  // question, a refused port, the end of the run) go to `reporter`.
  PortTest(ProgressList& list, const RunContext& ctx, Reporter& reporter, Hooks hooks);

  void DoTest(int port);
  void DoDetectar();
  // Cancelar: both clock objects and the run's own flag; the run stops at its next check and
  // re-enables the window itself when it returns.
  void Cancelar();
  int16_t cancelFlag() const { return m_cancel; }
  bool running() const { return m_running; }

  // The line of a status text: true when the trimmed 50-character field holds 5 or more.
  static bool clockAnswered(const std::string& status);

 private:
  bool cancelled();  // lets events run; true (flag cleared) when a cancel came
  void wait(double seconds);
  void picture(int n);
  void beep();
  // Opens the port with the settings held; a refusal gets its box and false (the run then
  // ends).
  bool openPort();
  void clearCancelFlags();
  void finishDetect(bool complete);
  void endRun();

  ProgressList& m_list;
  RunContext m_ctx;
  clocklink::ClsMirsol& m_mirsol;
  Reporter& m_reporter;
  Hooks m_hooks;
  int16_t m_cancel = 0;
  bool m_running = false;
};

}  // namespace collect

// One automatic collection pass over 100 simulated TCP clocks in this process (100 punches
// each, cleared after the download), logged as the unattended run logs it. Prints the seconds
// per clock, the clocks per minute, the floor of fixed waits each clock costs (1.0 s before a
// TCP connect, 0.5 s between the two status reads of the opening, 0.5 s after the opening,
// 0.5 s before clearing's status read, 2.0 s after each clock) and the CPU the pass used.
#include "collect/CollectionPass.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/Release.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocksim/simulator.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kClocks = 100;
constexpr size_t kPunches = 100;
constexpr double kFloor = 1.0 + 0.5 + 0.5 + 0.5 + 2.0;

double cpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int clocks = argc > 1 ? std::max(1, std::atoi(argv[1])) : kClocks;
  char tmpl[] = "/tmp/velta-bench-auto-XXXXXX";
  if (!::mkdtemp(tmpl) || ::chdir(tmpl) != 0) return 1;
  ProgramObjects objects;
  *gDataFolder = std::string(tmpl) + "/";
  objects.createSettings();
  gCfgFile->Init(*gDataFolder + "VELTA.INI");
  gCfgFile->TimeOut = 3;
  (void)objects.createStartupObjects();

  std::vector<std::unique_ptr<clocksim::Simulator>> sims;
  ClsListaRelojes& store = *gListaRelojes;
  for (int i = 1; i <= clocks; ++i) {
    auto sim = std::make_unique<clocksim::Simulator>();
    sim->generatePunches(kPunches, static_cast<uint32_t>(i));
    store.m_Version = ClsListaRelojes::kVersion;
    store.m_Prg = static_cast<int16_t>(i);
    store.M_Numero = "1";
    store.m_Puerto = "COM1";
    store.m_Velocidad = "9600";
    store.M_Borrar = 1;
    store.M_Archivo = "R" + std::to_string(i) + ".MIR";
    store.M_Activo = 1;
    store.m_Path = *gDataFolder;
    store.m_Descrip = "Reloj " + std::to_string(i);
    store.m_IP = "127.0.0.1";
    store.m_TipoInterface = 2;
    store.m_PortRemoto = sim->listenTcp();
    store.SetCurData(static_cast<int16_t>(i));
    sims.push_back(std::move(sim));
  }

  VectorProgressList list;
  ClsLogger logger;
  logger.logEnabled = true;
  collect::PassSeams seams;
  seams.list = &list;
  seams.logger = &logger;
  std::optional<RunContext> ctx = collect::programContext(objects);
  if (!ctx) return 1;
  const double cpu0 = cpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  const collect::PassResult r = collect::PollClocks(*ctx, collect::PassMode::Automatic, seams);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cpu = cpuSeconds() - cpu0;

  size_t left = 0;
  for (const auto& s : sims) left += s->punches().size();
  if (r.errors || r.clocksVisited != clocks || left != 0) {
    std::fprintf(stderr, "auto_cycle: errors %d, visited %d, punches left %zu\n", r.errors,
                 r.clocksVisited, left);
    return 1;
  }
  const double perClock = wall / clocks;
  std::printf("auto_cycle_tcp%d: %.3f s per clock\n", clocks, perClock);
  std::printf("auto_cycle_rate: %.1f clocks/min\n", 60.0 / perClock);
  std::printf("auto_cycle_floor: %.3f s per clock\n", kFloor);
  std::printf("auto_cycle_cpu: %.2f %% of one core\n", 100.0 * cpu / wall);
  objects.release();
  return 0;
}

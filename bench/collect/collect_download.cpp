// The download routine over TCP loopback: 10,000 punches of 1,000 cards into files on disk
// (backup and console copies on, card look-ups), timed from its "Total" line to its return,
// fsync included; against a raw fetch loop over the same clock in the same run. Prints
// collect_tcp (records/s) and collect_vs_raw_tcp (the raw loop's time as a share of the
// routine's: how much of the link's rate the writing keeps).
#include "collect/CollectPunches.h"
#include "collect/testing/Hooks.h"
#include "core/ClsCfgFile.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"

#include <clocklink/ClsMirsol.h>
#include <clocksim/simulator.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int32_t kPunches = 10000;
constexpr int kCards = 1000;
constexpr int kRounds = 5;  // best of each: loopback rates vary from run to run

double seconds(SteadyClock::duration d) { return std::chrono::duration<double>(d).count(); }

// Notes when the "Total" line is added: the routine's own work starts there.
class TimedList : public VectorProgressList {
 public:
  int add(const std::string& text, LineStyle style) override {
    if (text.find("Total") != std::string::npos) total = SteadyClock::now();
    return VectorProgressList::add(text, style);
  }
  SteadyClock::time_point total;
};

// Seconds of the fetch loop after the opening, or -1.
double rawDownload(clocklink::ClsMirsol& m) {
  int32_t count = 0;
  if (m.Record_Process(1, 0, count) != clocklink::kSuccess || count != kPunches) return -1;
  const auto t0 = SteadyClock::now();
  clocklink::CollectionStatus r = clocklink::kSuccess;
  while (r == clocklink::kSuccess && m.RegCount < count) r = m.Record_Process(2);
  const double s = seconds(SteadyClock::now() - t0);
  (void)m.Record_Process(3);
  return m.RegCount == count ? s : -1;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/velta-bench-collect-XXXXXX";
  if (!::mkdtemp(tmpl) || ::chdir(tmpl) != 0) return 1;
  const std::string folder = std::string(tmpl) + "/";
  ProgramObjects objects;
  *gDataFolder = folder;
  ClsCfgFile& cfg = objects.createSettings();
  cfg.Backup = 1;
  cfg.LongTarjeta = 7;

  std::string cards;
  for (int k = 0; k < kCards; ++k) {
    CardRecord r;
    r.version = ClsTarjetas::kVersion;
    r.card = 100000 + 7 * k;
    r.name = "EMPLEADO " + std::to_string(k);
    r.Legajo = std::to_string(5000 + k);
    cards += ClsTarjetas::encodeRecord(r);
  }
  std::ofstream(folder + "VELTA.TAR", std::ios::binary) << cards;

  clocksim::Simulator sim;
  sim.generatePunches(kPunches, 42);
  auto punches = sim.punches();
  for (size_t i = 0; i < punches.size(); ++i)
    punches[i].card = std::to_string(100000 + 7 * static_cast<int>(i % kCards));
  sim.setPunches(punches);

  clocklink::ClsMirsol mirsol;
  mirsol.SetTimeOut(5);
  if (mirsol.SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, sim.listenTcp(),
                             10) != clocklink::kSuccess)
    return 1;
  collect::MirsolClockOps ops(mirsol);
  collect::ConverterLink converter;
  collect::CollectContext ctx{ops, cfg, 1, 0, folder, converter};

  // Where the routine's time goes beyond the link's: from the last fetch to the files synced.
  SteadyClock::time_point lastFetch, synced;
  collect::testing::setStepHook([&](const char* step, int) {
    if (step[0] == 'f') lastFetch = SteadyClock::now();
    if (step[0] == 's') synced = SteadyClock::now();
  });
  double bestRaw = 1e9, bestCollect = 1e9, writing = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double raw = rawDownload(mirsol);
    if (raw < 0) {
      std::fprintf(stderr, "raw download failed\n");
      return 1;
    }
    bestRaw = std::min(bestRaw, raw);
    TimedList list;
    const clocklink::CollectionStatus r =
        collect::collectPunches(ctx, list, folder, "REGIS.MIR", 0, 0, /*console=*/-1).status;
    const auto end = SteadyClock::now();
    if (r != clocklink::kSuccess || mirsol.RegCount != kPunches) {
      std::fprintf(stderr, "collection failed (%d)\n", statusCode(r));
      return 1;
    }
    const double took = seconds(end - list.total);
    if (took < bestCollect) {
      bestCollect = took;
      writing = seconds(synced - lastFetch);
    }
  }
  mirsol.fcommclosePort();
  objects.release();
  std::filesystem::remove_all(tmpl);
  std::printf("raw_tcp: %.0f records/s\n", kPunches / bestRaw);
  std::printf("collect_write_phase_tcp: %.1f ms\n", 1000 * writing);
  std::printf("collect_tcp: %.0f records/s\n", kPunches / bestCollect);
  std::printf("collect_vs_raw_tcp: %.1f %%\n", 100.0 * bestRaw / bestCollect);
  return 0;
}

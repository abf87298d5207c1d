// collect_child: one collection pass as the automatic run makes it (download, then the
// clearing that checks the clock first), in a process of its own so that a test can kill it
// with SIGKILL at any moment. Usage:
//   collect_child <data folder> <TCP port of the clock> [<step> <index>]
// With a step ("fetched", "written", "synced", "recounted") the process kills itself with
// SIGKILL when it reaches that step with that index. Exit 0 when the clock was cleared.
//   collect_child --pass <data folder>
// runs one whole automatic pass over the clocks of the folder's stores and VELTA.INI, with
// the daily log on, as the automatic run does. Exit 0 when no clock failed.
#include "collect/CollectPunches.h"
#include "collect/CollectionPass.h"
#include "collect/FGrales.h"
#include "collect/testing/Hooks.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsLogger.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"

#include <clocklink/ClsMirsol.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace {

int runPass(const std::string& folder) {
  if (::chdir(folder.c_str()) != 0) return 2;
  ProgramObjects objects;
  *gDataFolder = folder + "/";
  objects.createSettings();
  gCfgFile->Init(*gDataFolder + "VELTA.INI");
  gCfgFile->LoadCfg();
  // the user table is seeded by the parent test
  (void)objects.createStartupObjects();
  ClsLogger logger;
  logger.logEnabled = true;
  VectorProgressList list;
  collect::PassSeams seams;
  seams.list = &list;
  seams.logger = &logger;
  std::optional<RunContext> ctx = collect::programContext(objects);
  if (!ctx) return 2;
  const collect::PassResult result = collect::PollClocks(*ctx, collect::PassMode::Automatic, seams);
  for (const auto& line : list.lines()) std::printf("%s\n", line.text.c_str());
  return result.errors || result.stopped ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--pass") return runPass(argv[2]);
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: collect_child <folder> <port> [<step> <index>]\n");
    return 2;
  }
  const std::string folder = argv[1];
  if (::chdir(folder.c_str()) != 0) return 2;
  if (argc == 5) {
    const std::string killStep = argv[3];
    const int killIndex = std::atoi(argv[4]);
    collect::testing::setStepHook([=](const char* step, int index) {
      if (killStep == step && index == killIndex) ::kill(::getpid(), SIGKILL);
    });
  }
  ProgramObjects objects;
  *gDataFolder = folder + "/";
  objects.createSettings().LongTarjeta = 7;  // the simulator's cards have up to 7 digits
  objects.createClockList().m_TipoNumero = 1;
  objects.createMirsol();
  gMirsol->SetTimeOut(5);
  if (gMirsol->SetTimeRecorder("1", 0, "COM1", "9600", "", 1, "127.0.0.1", 2, 0, std::atoi(argv[2]),
                               10) != clocklink::kSuccess)
    return 2;
  VectorProgressList list;
  int rc = 1;
  collect::MirsolClockOps clock(*gMirsol);
  collect::CollectContext ctx{clock,
                              *gCfgFile,
                              gListaRelojes->m_TipoNumero,
                              gListaRelojes->m_Modelo,
                              *gDataFolder,
                              collect::ConverterLink::program()};
  collect::Download download =
      collect::collectPunches(ctx, list, *gDataFolder, "REGIS.MIR", 0, 0, 0);
  if (download.status == clocklink::kSuccess &&
      collect::clearAfterDownload(ctx, list, download, gMirsol->RegCount) == clocklink::kSuccess)
    rc = 0;
  for (const auto& line : list.lines()) std::printf("%s\n", line.text.c_str());
  return rc;
}

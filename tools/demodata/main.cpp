// demodata: the demo's data folder, written through the program's own stores.
//   demodata write <folder> <clock-port> <auto 0|1>
//     VELTA.INI (AUTO as given, clock 1 current), velta002.dat with clock 1 on TCP
//     127.0.0.1:<clock-port> writing REGIS.MIR into the folder, VELTA.DAT with the user DEMO,
//     password 1234, level 2.
//   demodata check-png <file>
//     exit 0 when the picture exists and holds more than one colour.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ClsCfgFile.h"
#include "Globals.h"
#include "StoreWriters.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: demodata write <folder> <clock-port> <auto 0|1>\n"
               "       demodata check-png <file>\n");
  return 2;
}

int writeFolder(std::string folder, int port, int autoFlag) {
  if (folder.empty()) return usage();
  if (folder.back() != '/') folder += '/';
  gDataFolder = folder;
  ClsCfgFile cfg;
  cfg.Init(folder + "VELTA.INI");
  cfg.LoadCfg();
  cfg.Auto = static_cast<int16_t>(autoFlag);
  cfg.AutoDias = "11111111";
  cfg.RelojActivo = 1;
  cfg.SaveCfg();
  apptest::ClockSpec clock;
  clock.description = "Demo clock (simulated)";
  clock.port = port;
  clock.path = folder;
  apptest::writeClocks({clock});
  apptest::writeUsers({{"DEMO", 1234, 2}});
  std::printf("demodata: wrote %sVELTA.INI, velta002.dat, VELTA.DAT\n", folder.c_str());
  return 0;
}

int checkPng(const char* path) {
  QImage image(QString::fromLocal8Bit(path));
  if (image.isNull()) {
    std::fprintf(stderr, "demodata: %s is no picture\n", path);
    return 1;
  }
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return 0;
  std::fprintf(stderr, "demodata: %s is blank\n", path);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  if (command == "write" && argc == 5)
    return writeFolder(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (command == "check-png" && argc == 3) return checkPng(argv[2]);
  return usage();
}

// demodata: the demo's data folder, written through the program's own stores.
//   demodata write <folder> <clock-port> <auto 0|1> [<udp-port>]
//     VELTA.INI (AUTO as given, every day, the countdown kind, clock 1 current), velta002.dat
//     with clock 1 on TCP 127.0.0.1:<clock-port> writing R1.MIR into the folder, VELTA.DAT
//     with the user DEMO, password 1234, level 2, and VELTA.TAR with a few card holders.
//     With <udp-port> also clock 2 on UDP 127.0.0.1:<udp-port> (R2.MIR) and clock 3 on the
//     serial port COM5 (R3.MIR; VELTA_COM5 names the device).
//   demodata station <folder> <clock-port> <auto 0|1>
//     The settings and clock 1 of the above in a folder that velta-init made: its VELTA.INI
//     gets AUTO, AUTODIAS and the countdown kind, velta002.dat the clock; its user file stays.
//   demodata check-png <file>
//     exit 0 when the picture exists and holds more than one colour.
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/StoreWriters.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: demodata write <folder> <clock-port> <auto 0|1> [<udp-port>]\n"
               "       demodata station <folder> <clock-port> <auto 0|1>\n"
               "       demodata check-png <file>\n");
  return 2;
}

// The automatic run's settings (loaded first, so what the folder holds stays) and the clocks.
int writeSettingsAndClocks(const std::string& folder, int port, int autoFlag, int udpPort) {
  ClsCfgFile cfg;
  cfg.Init(folder + "VELTA.INI");
  cfg.LoadCfg();
  cfg.Auto = static_cast<int16_t>(autoFlag);
  cfg.AutoDias = "11111111";
  cfg.PorPrograma = 0;
  cfg.RelojActivo = 1;
  if (!cfg.SaveCfg().ok) {
    std::fprintf(stderr, "demodata: %s\n", cfg.lastSaveError().c_str());
    return 1;
  }
  std::vector<stores::ClockSpec> clocks(1);
  clocks[0].description = "Demo clock on TCP (simulated)";
  clocks[0].port = port;
  clocks[0].path = folder;
  clocks[0].file = "R1.MIR";
  if (udpPort > 0) {
    stores::ClockSpec udp;
    udp.slot = 2;
    udp.description = "Demo clock on UDP (simulated)";
    udp.interface = 1;
    udp.port = udpPort;
    udp.path = folder;
    udp.file = "R2.MIR";
    stores::ClockSpec serial;
    serial.slot = 3;
    serial.description = "Demo clock on COM5 (simulated)";
    serial.interface = 0;
    serial.ip = "";
    serial.port = 0;
    serial.comPort = "COM5";
    serial.path = folder;
    serial.file = "R3.MIR";
    clocks.push_back(udp);
    clocks.push_back(serial);
  }
  stores::writeClocks(clocks);
  if (udpPort > 0) {
    // The UDP unit answers whatever port the program sends from.
    ClsListaRelojes store;
    store.Iniciar(folder + "velta002.dat");
    // written just above
    (void)store.CargarRelojes();
    store.GetCurData(2);
    store.m_PortLocal = 0;
    store.SetCurData(2);
    if (!store.GrabarRelojes().ok) {
      std::fprintf(stderr, "demodata: %s\n", store.status().message.c_str());
      return 1;
    }
  }
  return 0;
}

int writeFolder(std::string folder, int port, int autoFlag, int udpPort) {
  if (folder.empty()) return usage();
  if (folder.back() != '/') folder += '/';
  ProgramObjects objects;  // the stores' writers reach the data folder through it
  *gDataFolder = folder;
  if (int rc = writeSettingsAndClocks(folder, port, autoFlag, udpPort); rc != 0) return rc;
  stores::writeUsers({{"DEMO", 1234, 2}});
  std::string cards;
  const char* names[] = {"ANA DEMO", "BRUNO DEMO", "CARLA DEMO"};
  for (int i = 0; i < 3; ++i) {
    CardRecord r;
    r.version = ClsTarjetas::kVersion;
    r.card = 1000 + i;
    r.name = names[i];
    cards += ClsTarjetas::encodeRecord(r);
  }
  std::FILE* f = std::fopen((folder + "VELTA.TAR").c_str(), "wb");
  if (!f || std::fwrite(cards.data(), 1, cards.size(), f) != cards.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "demodata: could not write %sVELTA.TAR\n", folder.c_str());
    return 1;
  }
  std::printf("demodata: wrote %sVELTA.INI, velta002.dat, VELTA.DAT, VELTA.TAR\n", folder.c_str());
  return 0;
}

int writeStation(std::string folder, int port, int autoFlag) {
  if (folder.empty()) return usage();
  if (folder.back() != '/') folder += '/';
  ProgramObjects objects;
  *gDataFolder = folder;
  if (int rc = writeSettingsAndClocks(folder, port, autoFlag, 0); rc != 0) return rc;
  std::printf("demodata: wrote %sVELTA.INI, velta002.dat\n", folder.c_str());
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
  if (command == "write" && (argc == 5 || argc == 6)) {
    try {
      return writeFolder(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                         argc == 6 ? std::atoi(argv[5]) : 0);
    } catch (const std::exception& e) {  // a store the seeding could not write
      std::fprintf(stderr, "demodata: %s\n", e.what());
      return 1;
    }
  }
  if (command == "station" && argc == 5) {
    try {
      return writeStation(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "demodata: %s\n", e.what());
      return 1;
    }
  }
  if (command == "check-png" && argc == 3) return checkPng(argv[2]);
  return usage();
}

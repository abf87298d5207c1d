// Seeding a data folder: VELTA.DAT users and velta002.dat clocks written into gDataFolder
// through the stores themselves, so the files are what the program writes. The demo's data
// tool and the tests use them. A file that cannot be written throws std::runtime_error with the
// store's reason: a seeded folder that is not what the caller asked for must not pass unseen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stores {

struct UserSpec {
  std::string name;
  int32_t password = 0;
  int16_t level = 0;
};
void writeUsers(const std::vector<UserSpec>& users);

struct ClockSpec {
  int16_t slot = 1;
  std::string description = "Clock";
  std::string number = "1";
  int16_t model = 0;
  int16_t interface = 2;  // 0 serial, 1 UDP, 2 TCP
  std::string ip = "127.0.0.1";
  int32_t port = 7001;  // remote (and local) port
  std::string comPort = "COM2";
  std::string phone;
  int16_t cardKind = 1;  // m_TipoNumero
  std::string path;      // output folder ("" = gDataFolder)
  std::string file = "REGIS.MIR";
  int16_t dateNamed = 0;  // m_ArchivoFecha
};
void writeClocks(const std::vector<ClockSpec>& clocks);

}  // namespace stores

// The link switch: routes every link operation of the protocol object to the
// serial port (interface 0), the UDP unit (1) or the TCP server (2). Any other
// interface (a damaged clock record) is no link at all: PL_Open answers -300, as a
// port that would not open, so every command fails; the other operations do nothing.
#pragma once
#include "clocklink/CollectionStatus.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace clocklink {

class LinkBackend;
class SerialBackend;
class CPL_Ether232;
class CPL_SVR;
class MemoryBackend;
class NetSocket;

class CPL_Physical {
 public:
  CPL_Physical();
  ~CPL_Physical();
  CPL_Physical(const CPL_Physical&) = delete;
  CPL_Physical& operator=(const CPL_Physical&) = delete;

  uint8_t PL_PhysicalInterface = 0;
  // The interface byte of no link (what SetTimeRecorder stores for an interface out of range).
  static constexpr uint8_t kNoLink = 0xFF;

  int PL_Set232Port(const std::string& pPhone, int pPort, const std::string& pSpeed);
  int PL_SetUDPPort(NetSocket*& ws, const std::string& addr, long PLocal, long pRemote);
  int PL_SetIPPort(NetSocket*& ws, const std::string& addr, long PLocal, long pRemote,
                   int pTimeout);
  CollectionStatus PL_Open();
  CollectionStatus PL_Close();
  int PL_ClearRXBuf();
  int PL_SetInputLen(int n);
  int PL_SendBuffer(const std::string& s);
  std::string PL_GetBuff();
  long PL_IsData();

  // Blocks up to one slice (<= 20 ms) until input may be waiting, so callers
  // polling PL_IsData never spin. Returns at once when unread bytes remain.
  void PL_WaitInput(std::chrono::milliseconds slice);

  // The owner's cancel flag: sends waiting for room and host look-ups end on it.
  void watchCancel(const int16_t* flag);

  // Routes every operation to in-memory bytes instead of a port (fuzzing and
  // diagnostics): reads take from *input, sends append to *output. nullptr
  // returns to the real back ends.
  void useMemoryLink(std::string* input, std::string* output);

 private:
  // The back end of the current interface; nullptr for an interface that routes nowhere.
  LinkBackend* backend();

  std::unique_ptr<SerialBackend> serial_;
  std::unique_ptr<CPL_Ether232> udp_;
  std::unique_ptr<CPL_SVR> tcp_;
  std::unique_ptr<MemoryBackend> memory_;
  const int16_t* cancel_ = nullptr;
};

}  // namespace clocklink

// The link switch: routes every link operation of the protocol object to the
// serial port (interface 0), the UDP unit (1) or the TCP server (2). Any other
// interface makes each operation do nothing and return its preset result.
#pragma once
#include "clocklink/CPL_Ether232.h"
#include "clocklink/CPL_SVR.h"
#include "clocklink/CollectionStatus.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace clocklink {

class CPL_Physical {
 public:
  uint8_t PL_PhysicalInterface = 0;

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

  // Routes every operation to in-memory bytes instead of a port (fuzzing and
  // diagnostics): reads take from *input, sends append to *output. nullptr
  // returns to the real back ends.
  void useMemoryLink(std::string* input, std::string* output) {
    memIn_ = input;
    memOut_ = output;
  }

  CPL_Ether232& udp() { return udp_; }
  CPL_SVR& tcp() { return tcp_; }

 private:
  CPL_Ether232 udp_;
  CPL_SVR tcp_;
  std::string* memIn_ = nullptr;
  std::string* memOut_ = nullptr;
};

}  // namespace clocklink

#include "clocklink/CPL_Physical.h"

#include "clocklink/EventPump.h"
#include "clocklink/FComm.h"

namespace clocklink {

int CPL_Physical::PL_Set232Port(const std::string& pPhone, int pPort, const std::string& pSpeed) {
  FComm::instance().SetPort(pPhone, pPort, pSpeed);
  return 0;
}

int CPL_Physical::PL_SetUDPPort(NetSocket*& ws, const std::string& addr, long PLocal,
                                long pRemote) {
  return udp_.Iniciar(ws, addr, PLocal, pRemote);
}

int CPL_Physical::PL_SetIPPort(NetSocket*& ws, const std::string& addr, long PLocal, long pRemote,
                               int pTimeout) {
  return tcp_.Iniciar(ws, addr, PLocal, pRemote, pTimeout);
}

CollectionStatus CPL_Physical::PL_Open() {
  if (memIn_) return kSuccess;
  switch (PL_PhysicalInterface) {
    case 0:
      return FComm::instance().OpenPort();
    case 1:
      return udp_.UDP_Open();
    case 2:
      return tcp_.TCP_Open();
    default:
      return kSuccess;
  }
}

CollectionStatus CPL_Physical::PL_Close() {
  if (memIn_) return kSuccess;
  if (PL_PhysicalInterface == 0) return FComm::instance().ClosePort();
  return kSuccess;
}

int CPL_Physical::PL_ClearRXBuf() {
  if (memIn_) return 0;  // the scripted input is what the clock "will" send
  switch (PL_PhysicalInterface) {
    case 0:
      FComm::instance().xComm.clearInput();
      break;
    case 1:
      udp_.UDP_ClearRXBuf();
      break;
    case 2:
      tcp_.TCP_ClearRXBuf();
      break;
    default:
      break;
  }
  return 0;
}

int CPL_Physical::PL_SetInputLen(int n) {
  if (PL_PhysicalInterface == 0) FComm::instance().xComm.setInputLen(n);
  return 0;
}

int CPL_Physical::PL_SendBuffer(const std::string& s) {
  if (memIn_) {
    if (memOut_) memOut_->append(s);
    return 0;
  }
  switch (PL_PhysicalInterface) {
    case 0:
      FComm::instance().xComm.output(s);
      break;
    case 1:
      udp_.UDP_Send(s);
      break;
    case 2:
      tcp_.TCP_Send(s);
      break;
    default:
      break;
  }
  return 0;
}

std::string CPL_Physical::PL_GetBuff() {
  if (memIn_) {
    if (memIn_->empty()) return {};
    std::string c = memIn_->substr(0, 1);
    memIn_->erase(0, 1);
    return c;
  }
  switch (PL_PhysicalInterface) {
    case 0:
      return FComm::instance().xComm.input();
    case 1:
      return udp_.UDP_Get();
    case 2:
      return tcp_.TCP_Get();
    default:
      return {};
  }
}

long CPL_Physical::PL_IsData() {
  if (memIn_) return static_cast<long>(memIn_->size());
  switch (PL_PhysicalInterface) {
    case 0:
      return FComm::instance().xComm.inBufferCount();
    case 1:
      return udp_.UDP_IsData();
    case 2:
      return tcp_.TCP_IsData();
    default:
      return 0;
  }
}

void CPL_Physical::PL_WaitInput(std::chrono::milliseconds slice) {
  if (memIn_) return;
  int fd = -1;
  switch (PL_PhysicalInterface) {
    case 0:
      fd = FComm::instance().xComm.fd();
      break;
    case 1:
      fd = udp_.waitDescriptor();
      if (fd < 0 && udp_.UDP_IsData() > 0) return;
      break;
    case 2:
      fd = tcp_.waitDescriptor();
      if (fd < 0 && tcp_.TCP_IsData() > 0) return;
      break;
    default:
      break;
  }
  waitReadable(fd, slice);
}

}  // namespace clocklink

#include "clocklink/CPL_Physical.h"

#include "CPL_Ether232.h"
#include "CPL_SVR.h"
#include "FComm.h"
#include "MemoryBackend.h"
#include "SerialBackend.h"
#include "clocklink/EventPump.h"

namespace clocklink {

CPL_Physical::CPL_Physical()
    : serial_(std::make_unique<SerialBackend>()),
      udp_(std::make_unique<CPL_Ether232>()),
      tcp_(std::make_unique<CPL_SVR>()) {}

CPL_Physical::~CPL_Physical() = default;

LinkBackend* CPL_Physical::backend() {
  if (memory_) return memory_.get();
  switch (PL_PhysicalInterface) {
    case 0:
      return serial_.get();
    case 1:
      return udp_.get();
    case 2:
      return tcp_.get();
    default:
      return nullptr;
  }
}

void CPL_Physical::watchCancel(const int16_t* flag) {
  cancel_ = flag;
  serial_->watchCancel(flag);
  udp_->watchCancel(flag);
  tcp_->watchCancel(flag);
  if (memory_) memory_->watchCancel(flag);
}

void CPL_Physical::useMemoryLink(std::string* input, std::string* output) {
  memory_.reset();
  if (input) {
    memory_ = std::make_unique<MemoryBackend>(input, output);
    memory_->watchCancel(cancel_);
  }
}

int CPL_Physical::PL_Set232Port(const std::string& pPhone, int pPort, const std::string& pSpeed) {
  FComm::instance().SetPort(pPhone, pPort, pSpeed);
  return 0;
}

int CPL_Physical::PL_SetUDPPort(NetSocket*& ws, const std::string& addr, long PLocal,
                                long pRemote) {
  return udp_->Iniciar(ws, addr, PLocal, pRemote);
}

int CPL_Physical::PL_SetIPPort(NetSocket*& ws, const std::string& addr, long PLocal, long pRemote,
                               int pTimeout) {
  return tcp_->Iniciar(ws, addr, PLocal, pRemote, pTimeout);
}

CollectionStatus CPL_Physical::PL_Open() {
  // No link behind the interface: the port is not open, so no command can answer success
  // (a model that sends without an acknowledgement would otherwise report it done).
  LinkBackend* b = backend();
  return b ? b->open() : kPortNotOpen;
}

CollectionStatus CPL_Physical::PL_Close() {
  // Nothing was opened, as a serial port that is not open closes with a failure.
  LinkBackend* b = backend();
  return b ? b->close() : kFailure;
}

int CPL_Physical::PL_ClearRXBuf() {
  if (LinkBackend* b = backend()) b->clearInput();
  return 0;
}

int CPL_Physical::PL_SetInputLen(int n) {
  if (LinkBackend* b = backend()) b->setInputLen(n);
  return 0;
}

int CPL_Physical::PL_SendBuffer(const std::string& s) {
  // A failed send is not reported here: it shows as a missing reply above.
  if (LinkBackend* b = backend()) {
    b->send(s);
    b->expectAnswer();
  }
  return 0;
}

std::string CPL_Physical::PL_GetBuff() {
  LinkBackend* b = backend();
  return b ? b->read() : std::string();
}

long CPL_Physical::PL_IsData() {
  LinkBackend* b = backend();
  return b ? b->pending() : 0;
}

void CPL_Physical::PL_WaitInput(std::chrono::milliseconds slice) {
  if (LinkBackend* b = backend())
    b->waitInput(slice);
  else
    waitReadable(-1, slice);
}

}  // namespace clocklink

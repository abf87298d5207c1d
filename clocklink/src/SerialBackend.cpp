#include "SerialBackend.h"

#include "FComm.h"
#include "clocklink/EventPump.h"

namespace clocklink {

CollectionStatus SerialBackend::open() { return FComm::instance().OpenPort(); }

CollectionStatus SerialBackend::close() { return FComm::instance().ClosePort(); }

void SerialBackend::clearInput() { FComm::instance().xComm.clearInput(); }

void SerialBackend::setInputLen(int n) { FComm::instance().xComm.setInputLen(n); }

void SerialBackend::send(const std::string& s) { FComm::instance().xComm.output(s, cancel_); }

long SerialBackend::pending() {
  if (takeQuiet()) return 0;
  return FComm::instance().xComm.inBufferCount();
}

std::string SerialBackend::read() { return FComm::instance().xComm.input(); }

void SerialBackend::waitInput(std::chrono::milliseconds slice) {
  waitOn(FComm::instance().xComm.fd(), slice);
}

}  // namespace clocklink

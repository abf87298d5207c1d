#include "FComm.h"

#include "TextUtil.h"

namespace clocklink {
namespace {
using detail::trim;
}  // namespace

FComm& FComm::instance() {
  static FComm f;
  return f;
}

void FComm::unload() {
  FComm& f = instance();
  f.xComm.close();
  f.WSock.close();
  f.WsTCP.close();
  f.telephone_.clear();
  f.port_ = 0;
  f.speed_.clear();
}

void FComm::SetPort(const std::string& pTelefono, int pPuerto, const std::string& pVelocidad) {
  telephone_ = trim(pTelefono);
  port_ = pPuerto;
  speed_ = trim(pVelocidad);
}

CollectionStatus FComm::OpenPort() {
  if (!telephone_.empty()) {
    // Modem line: the modem object opened and dialled it; a device without
    // modem lines reads as CTS low (unless VELTA_ASSUME_CTS=1).
    return xComm.isOpen() && xComm.ctsLine() ? kSuccess : kModemNoCarrier;
  }
  if (xComm.isOpen()) {
    // Another clock on another port or speed must not be talked to through
    // the line left open for the previous one.
    if (xComm.port() == port_ && xComm.settings() == settingsText()) return kSuccess;
    xComm.close();
  }
  if (!xComm.open(port_, settingsText())) return kFailure;
  return xComm.isOpen() ? kSuccess : kPortNotOpen;
}

CollectionStatus FComm::ClosePort() {
  if (!telephone_.empty()) return kFailure;
  if (!xComm.isOpen()) return kFailure;
  xComm.close();
  return xComm.isOpen() ? kFailure : kSuccess;
}

}  // namespace clocklink

#include "core/FailureMessage.h"

#include "core/Basic.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"

#include <cerrno>

int failureMessage(clocklink::CollectionStatus code, int fallback, int modemMessage) {
  switch (code) {
    case clocklink::kPortNotOpen:
      return 306;
    case clocklink::kPortInUse:
      return 346;
    case clocklink::kModemNoCarrier:
      return modemMessage;
    default:
      return fallback;
  }
}

int failureMessage(const clocklink::SerialOpenFailure& failure) {
  using clocklink::SerialFailure;
  switch (failure.kind) {
    case SerialFailure::NoPort:
      return 344;
    case SerialFailure::InUse:
      return 346;
    case SerialFailure::System:
      if (failure.error == ENOENT || failure.error == ENODEV || failure.error == ENXIO) return 344;
      if (failure.error == EBUSY) return 346;
      return 0;
    default:
      return 0;
  }
}

std::string failureText(const clocklink::SerialOpenFailure& failure) {
  using clocklink::SerialFailure;
  if (const int msg = failureMessage(failure)) return GetMsg(msg);
  const std::string settings = basic::Trim(failure.settings);
  switch (failure.kind) {
    case SerialFailure::Settings:
      return GetExtraMsg(ExtraMsg::LineSettings, {settings});
    case SerialFailure::NotTerminal:
      return GetExtraMsg(ExtraMsg::NotSerialPort, {failure.device});
    case SerialFailure::DeviceRefused:
      return GetExtraMsg(ExtraMsg::DeviceRefused,
                         {failure.device, settings, systemReason(failure.error)});
    default:
      return GetMsg(306) + "\n" + failure.device + ": " + systemReason(failure.error);
  }
}

#include "core/FailureMessage.h"

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

#include "widgets/dialogs/ReleaseBoxes.h"

#include "core/FailureMessage.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <clocklink/ClsMirsol.h>

#include <string>

bool MensajeErrorComm(int16_t code, int16_t show) {
  // Any number may come in, a status or not: one that names no status fails silently.
  const auto status = static_cast<clocklink::CollectionStatus>(code);
  if (status == clocklink::kSuccess) return false;
  // Here the modem's failure is its set-up: 330 "Error al iniciar el modem".
  const int message = status == clocklink::kFailure ? 320 : failureMessage(status, 0, 330);
  if (message == 0) return true;  // an unknown code fails silently
  if (show != 0) MsgBox(message, msgbox::Critical);
  return true;
}

bool ValidarHora(const std::string& hour, const std::string& minute) {
  MsgBoxReporter boxes;
  return ValidarHora(hour, minute, boxes);
}

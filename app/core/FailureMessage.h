// The message that tells the operator why a clock exchange or a serial-port open failed. The
// port and modem failures have one message each wherever they show; every other code gets
// the message of the step that failed, which the caller gives.
#pragma once

#include <clocklink/CollectionStatus.h>
#include <clocklink/LineSettings.h>

#include <string>

// 306 "No se pudo abrir el puerto de comunicaciones" for kPortNotOpen, 346 "El puerto está
// siendo utilizado por otro dispositivo" for kPortInUse, `modemMessage` for kModemNoCarrier
// (322 "La comunicación con el modem no se ha establecido" unless the caller speaks of the
// modem's set-up), `fallback` for any other code.
int failureMessage(clocklink::CollectionStatus code, int fallback, int modemMessage = 322);

// A refused open of the serial port: 344 "El puerto ingresado es incorrecto" for no such
// device, 346 for a port in use; 0 when the failure's own description is to be shown.
int failureMessage(const clocklink::SerialOpenFailure& failure);
// The refusal's description in the current language: the message above, or a text built from
// the device, the settings and the system's reason (never the serial layer's English).
std::string failureText(const clocklink::SerialOpenFailure& failure);

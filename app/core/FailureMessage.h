// The message that tells the operator why a clock exchange failed. The port and modem
// failures have one message each wherever they show; every other code gets the message of
// the step that failed, which the caller gives.
#pragma once

#include <clocklink/CollectionStatus.h>

// 306 "No se pudo abrir el puerto de comunicaciones" for kPortNotOpen, 346 "El puerto está
// siendo utilizado por otro dispositivo" for kPortInUse, `modemMessage` for kModemNoCarrier
// (322 "La comunicación con el modem no se ha establecido" unless the caller speaks of the
// modem's set-up), `fallback` for any other code.
int failureMessage(clocklink::CollectionStatus code, int fallback, int modemMessage = 322);

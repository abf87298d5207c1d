// The one failure-message mapping: refused opens of the serial port, in the language of the
// settings.
#include "core/FailureMessage.h"

#include "core/ClsCfgFile.h"
#include "core/ProgramObjects.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// A refused open is said by its message where it has one, else by its own description in the
// language of the settings: never the serial layer's English.
TEST(FailureMessage, PortRefusalsInTheChosenLanguage) {
  using clocklink::SerialFailure;
  using F = clocklink::SerialOpenFailure;
  struct Case {
    F failure;
    int message;
    const char* es;
    const char* en;
  };
  const Case cases[] = {
      {F{SerialFailure::System, "/dev/ttyS3", "9600  ,N,8,1", ENOENT}, 344,
       "El puerto ingresado es incorrecto", "The port entered is wrong"},
      {F{SerialFailure::NoPort, "", "9600  ,N,8,1", 0}, 344, "El puerto ingresado es incorrecto",
       "The port entered is wrong"},
      {F{SerialFailure::InUse, "/dev/pts/4", "9600  ,N,8,1", EWOULDBLOCK}, 346,
       "El puerto está siendo utilizado por otro dispositivo",
       "The port is being used by another device"},
      {F{SerialFailure::System, "/dev/ttyS0", "9600  ,N,8,1", EACCES}, 0,
       "No se pudo abrir el puerto de comunicaciones\n/dev/ttyS0: permiso denegado",
       "The communication port could not be opened\n/dev/ttyS0: permission denied"},
      {F{SerialFailure::DeviceRefused, "/dev/ttyUSB0", "14400 ,N,8,1", EINVAL}, 0,
       "/dev/ttyUSB0: el dispositivo no acepta la configuración 14400 ,N,8,1: argumento no válido",
       "/dev/ttyUSB0: the device does not take the settings 14400 ,N,8,1: invalid argument"},
      {F{SerialFailure::NotTerminal, "/tmp/x", "9600,N,8,1", ENOTTY}, 0,
       "/tmp/x: no es un puerto serie", "/tmp/x: not a serial port"},
      {F{SerialFailure::Settings, "", "9600,N,9,1", 0}, 0,
       "Configuración de línea no válida: 9600,N,9,1", "Line settings not valid: 9600,N,9,1"},
  };
  ProgramObjects objects;
  ClsCfgFile& cfg = objects.createSettings();
  for (const Case& c : cases) {
    EXPECT_EQ(failureMessage(c.failure), c.message) << c.es;
    cfg.LENGUAJE = 0;
    EXPECT_EQ(failureText(c.failure), c.es);
    cfg.LENGUAJE = 1000;
    EXPECT_EQ(failureText(c.failure), c.en);
  }
}

}  // namespace

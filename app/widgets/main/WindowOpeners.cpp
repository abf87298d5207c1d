#include "widgets/main/WindowOpeners.h"

WindowOpeners& windowOpeners() {
  static WindowOpeners openers;
  return openers;
}

// The program's own windows behind the main window's commands: registerOpeners fills every
// opener slot with its real window (and sets the stores' editor hooks), as the program does
// at start-up. Tests of the main window alone register recording stubs instead.
#pragma once

#include "widgets/main/WindowOpeners.h"

void registerOpeners(WindowOpeners& openers);

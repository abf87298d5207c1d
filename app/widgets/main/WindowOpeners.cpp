#include "widgets/main/WindowOpeners.h"

#include "core/ProgramObjects.h"

WindowOpeners& windowOpeners() { return ProgramObjects::live().layer<WindowOpeners>(); }

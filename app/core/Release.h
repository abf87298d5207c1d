// Module Release: checks and small services that many windows share.
#pragma once

#include <cstdint>

// State marker files in the data folder, for outside programs: 1 a good single-company
// collection (OK.TMP), 2 the main window opened (IN.TMP), 3 it closed (OU.TMP). Nothing at all
// with MULTIEMPRESA or AUTO set.
void MarcarEstado(int16_t kind);

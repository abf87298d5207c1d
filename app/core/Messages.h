// Message table lookup: every text the program shows to a user comes from here, by its
// Spanish number (101-415). The language offset (0 Spanish, 1000 English, 2000 Portuguese)
// is added inside the lookup. Any failure gives "" and reports nothing.
#pragma once

#include <string>

// Text of message `id` in the language of the current settings (gCfgFile->LENGUAJE, read at
// each call so a change of language takes effect at once). "" when there are no settings.
std::string GetMsg(int id);

// The same lookup with an explicit language offset.
std::string GetMsgIn(int id, int lenguaje);

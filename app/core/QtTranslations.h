// Qt's own texts (the Yes/No/Cancel buttons, the file, folder and print dialogs) in the
// language of the LENGUAJE setting, from Qt's translations (qtbase_es, qtbase_pt_BR). Called
// once the settings are read at start-up and again when the configuration changes the
// language, so the toolkit's texts follow the message table's.
#pragma once

#include <string>

// Also makes the language's locale the default one, for the names of months and days.
// Installs the translator for `lenguaje` (0 Spanish, 1000 English, 2000 Portuguese; any other
// value as Spanish) on the running application in place of the one before; English needs
// none, since Qt's own texts are English. False when the language's translation could not be
// loaded (Qt's texts then stay English) or there is no application.
bool applyQtTranslations(int lenguaje);

// The translation file's locale for `lenguaje` ("es", "en", "pt_BR").
std::string qtTranslationLocale(int lenguaje);

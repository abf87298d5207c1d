// Qt's own texts (the Yes/No/Cancel buttons, the file, folder and print dialogs) in the
// language of the LENGUAJE setting, from Qt's translations (qtbase_es, qtbase_pt_BR). Called
// once the settings are read at start-up and again when the configuration changes the
// language, so the toolkit's texts follow the message table's.
#pragma once

#include <memory>
#include <string>

class QTranslator;

// The translators applyQtTranslations installed, owned by the live ProgramObjects: freeing
// them takes them off the application.
class InstalledQtTranslators {
 public:
  InstalledQtTranslators();
  ~InstalledQtTranslators();
  InstalledQtTranslators(const InstalledQtTranslators&) = delete;
  InstalledQtTranslators& operator=(const InstalledQtTranslators&) = delete;
  void removeAll();

  std::unique_ptr<QTranslator> fallback;  // the texts Qt's translation lacks
  std::unique_ptr<QTranslator> qt;        // Qt's translation
};

// Also makes the language's locale the default one, for the names of months and days.
// Installs the translator for `lenguaje` (0 Spanish, 1000 English, 2000 Portuguese; any other
// value as Spanish) on the running application in place of the one before; English needs
// none, since Qt's own texts are English. False when the language's translation could not be
// loaded (Qt's texts then stay English) or there is no application. The translators are the
// live owner's (ProgramObjects.h).
bool applyQtTranslations(int lenguaje);

// The translation file's locale for `lenguaje` ("es", "en", "pt_BR").
std::string qtTranslationLocale(int lenguaje);

// What Qt takes from the system locale, not the default one (the sizes and dates of the file
// dialog's list), follows the process's locale environment, which Qt reads once per process.
// So the language goes there too, before the QApplication is made: LC_ALL and LANG become
// `lenguaje`'s locale ("es_ES.UTF-8", "en_US.UTF-8", "pt_BR.UTF-8"). A later change of the
// language cannot reach it: Qt offers no public way to read the system locale again.
// The C library's numbers stay in the C locale (see keepCNumbers).
std::string systemLocaleName(int lenguaje);
void useLanguageAsSystemLocale(int lenguaje);

// The LENGUAJE of the settings file at `path`, read without touching the file: 0 when it is
// missing, cannot be read or holds no language (as the settings read it).
int lenguajeOfSettingsFile(const std::string& path);

// Numbers read and written by the C library (strtod, printf) keep the C locale's decimal
// point whatever the language's locale says; call it once the QApplication exists, since Qt
// sets the C library's locale from the environment when it starts.
void keepCNumbers();

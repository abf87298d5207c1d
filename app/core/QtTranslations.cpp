#include "core/QtTranslations.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ProgramObjects.h"

#include <basekit/inifile.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The few texts of Qt's file and print dialogs that Debian's qtbase translations lack ("Folder"
// in every file list), asked for only when the translation has no text of its own.
class MissingQtTexts : public QTranslator {
 public:
  explicit MissingQtTexts(bool portuguese) : m_portuguese(portuguese) {}
  bool isEmpty() const override { return false; }
  QString translate(const char*, const char* sourceText, const char*, int) const override {
    struct Text {
      const char* english;
      const char* spanish;
      const char* portuguese;
    };
    static const Text texts[] = {
        {"Folder", "Carpeta", "Pasta"},
        {"Drive", "Unidad", "Unidade"},
        {"Unknown", "Desconocido", "Desconhecido"},
        {"Double Sided Printing", "Impresión a doble cara", nullptr},
        {"Off", "Desactivada", nullptr},
        {"Long side binding", "Encuadernación por el lado largo", nullptr},
        {"Short side binding", "Encuadernación por el lado corto", nullptr},
        {"Pages", "Páginas", nullptr},
    };
    if (!sourceText) return {};
    for (const Text& t : texts) {
      if (std::strcmp(t.english, sourceText) != 0) continue;
      const char* text = m_portuguese ? t.portuguese : t.spanish;
      return text ? QString::fromUtf8(text) : QString();
    }
    return {};
  }

 private:
  bool m_portuguese;
};

}  // namespace

InstalledQtTranslators::InstalledQtTranslators() = default;
InstalledQtTranslators::~InstalledQtTranslators() { removeAll(); }

void InstalledQtTranslators::removeAll() {
  for (std::unique_ptr<QTranslator>* t : {&qt, &fallback}) {
    if (*t && QCoreApplication::instance()) QCoreApplication::removeTranslator(t->get());
    t->reset();
  }
}

std::string qtTranslationLocale(int lenguaje) {
  if (lenguaje == 1000) return "en";
  if (lenguaje == 2000) return "pt_BR";
  return "es";
}

std::string systemLocaleName(int lenguaje) {
  if (lenguaje == 1000) return "en_US.UTF-8";
  if (lenguaje == 2000) return "pt_BR.UTF-8";
  return "es_ES.UTF-8";
}

void useLanguageAsSystemLocale(int lenguaje) {
  const std::string name = systemLocaleName(lenguaje);
  ::setenv("LC_ALL", name.c_str(), 1);
  ::setenv("LANG", name.c_str(), 1);
}

int lenguajeOfSettingsFile(const std::string& path) {
  const basekit::IniDocument doc = basekit::IniDocument::load(path, ClsCfgFile::kMaxSettingsBytes);
  const std::optional<int16_t> v = basic::ParseInteger(doc.get("COMMON", "LENGUAJE", "0"));
  return v && (*v == 1000 || *v == 2000) ? *v : 0;
}

void keepCNumbers() { std::setlocale(LC_NUMERIC, "C"); }

bool applyQtTranslations(int lenguaje) {
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  InstalledQtTranslators& current = ProgramObjects::live().qtTranslators();
  current.removeAll();
  // Month and day names (the date boxes' calendar, the file dialog's dates) and the file
  // types' descriptions come from the default locale, not from the translations.
  QLocale::setDefault(QLocale(QString::fromStdString(qtTranslationLocale(lenguaje))));
  if (lenguaje == 1000) return true;
  auto qt = std::make_unique<QTranslator>();
  const QString locale = QString::fromStdString(qtTranslationLocale(lenguaje));
  if (!qt->load(QStringLiteral("qtbase_") + locale,
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  // The translator installed last is asked first: Qt's translation, then the missing texts.
  current.fallback = std::make_unique<MissingQtTexts>(lenguaje == 2000);
  QCoreApplication::installTranslator(current.fallback.get());
  QCoreApplication::installTranslator(qt.get());
  current.qt = std::move(qt);
  return true;
}

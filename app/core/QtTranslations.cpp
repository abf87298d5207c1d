#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator>& installed() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

}  // namespace

std::string qtTranslationLocale(int lenguaje) {
  if (lenguaje == 1000) return "en";
  if (lenguaje == 2000) return "pt_BR";
  return "es";
}

bool applyQtTranslations(int lenguaje) {
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  std::unique_ptr<QTranslator>& current = installed();
  if (current) {
    QCoreApplication::removeTranslator(current.get());
    current.reset();
  }
  if (lenguaje == 1000) return true;
  auto next = std::make_unique<QTranslator>();
  const QString locale = QString::fromStdString(qtTranslationLocale(lenguaje));
  if (!next->load(QStringLiteral("qtbase_") + locale,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  QCoreApplication::installTranslator(next.get());
  current = std::move(next);
  return true;
}

// A program of the language tests: the start of `velta` up to its application (the
// language's locale taken from VELTA.INI in the working directory), then the size and date
// texts Qt's file dialog lists for the file named as argument, one per line, and the C
// library's reading of "7.5".
#include "core/QtTranslations.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  useLanguageAsSystemLocale(lenguajeOfSettingsFile("VELTA.INI"));
  QApplication app(argc, argv);
  keepCNumbers();

  const QFileInfo file(QString::fromLocal8Bit(argv[1]));
  QFileSystemModel model;
  QObject::connect(&model, &QFileSystemModel::directoryLoaded, &app, &QApplication::quit);
  QTimer::singleShot(60000, &app, &QApplication::quit);  // a hang guard
  model.setRootPath(file.absolutePath());
  app.exec();
  const QModelIndex name = model.index(file.absoluteFilePath());
  if (!name.isValid()) return 3;
  const QString size = model.index(name.row(), 1, name.parent()).data().toString();
  const QString date = model.index(name.row(), 3, name.parent()).data().toString();
  std::printf("%s\n%s\n%g\n", size.toUtf8().constData(), date.toUtf8().constData(),
              std::strtod("7.5", nullptr));
  return 0;
}

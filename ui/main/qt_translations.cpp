#include "ui/main/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace norvale {

QString qtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool installQtTranslation(QCoreApplication& app, QTranslator& translator, const QString& folder) {
  const QString from = folder.isEmpty() ? qtTranslationsFolder() : folder;
  if (!translator.load(QLatin1String(QT_TRANSLATION), from)) return false;
  return app.installTranslator(&translator);
}

}  // namespace norvale

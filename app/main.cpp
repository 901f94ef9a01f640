// Norvale: starts the main window over the available screen area.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTranslator>

#include "ui/main/form1.h"
#include "ui/main/frame_fit.h"
#include "ui/main/qt_translations.h"
#include "ui/settings/preferences.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Norvale"));
  QApplication::setApplicationVersion(QStringLiteral("3.0"));
  QTranslator qtTexts;
  norvale::installQtTranslation(app, qtTexts);

  norvale::Preferences preferences(norvale::Preferences::userStore());
  norvale::Form1::Options options;
  options.preferences = &preferences;
  norvale::Form1 window(options);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) new norvale::FrameFit(window, screen->availableGeometry());
  window.show();
  return app.exec();
}

// Norvale: starts the main window over the available screen area. A lesson
// file named on the command line (as a file manager passes a double-clicked
// one) opens once the window is up.
//
//   norvale [lesson.norvale]
//   norvale --check-install   prints where the help page was found; status 0
//                             when it can be read, 1 when it cannot
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "ui/main/form1.h"
#include "ui/main/frame_fit.h"
#include "ui/main/help_window.h"
#include "ui/main/qt_translations.h"
#include "ui/settings/preferences.h"

namespace {

int checkInstallation(norvale::Form1& window) {
  window.openHelp();
  const bool found = window.helpWindow() && window.helpWindow()->pageLoaded();
  const QString path = norvale::helpFilePath(window.programFolder());
  std::printf("%s: %s\n", found ? "help page" : "help page missing", qPrintable(path));
  return found ? 0 : 1;
}

}  // namespace

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
  const QStringList arguments = QApplication::arguments();
  if (arguments.contains(QStringLiteral("--check-install"))) return checkInstallation(window);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) new norvale::FrameFit(window, screen->availableGeometry());
  window.show();
  if (arguments.size() > 1) {
    const QString lessonFile = arguments.at(1);
    QTimer::singleShot(0, &window, [&window, lessonFile] { window.openLessonFile(lessonFile); });
  }
  return app.exec();
}

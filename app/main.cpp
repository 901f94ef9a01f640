// Norvale: starts the main window over the available screen area.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "ui/main/form1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Norvale"));
  QApplication::setApplicationVersion(QStringLiteral("3.0"));

  norvale::Form1 window;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) window.move(screen->availableGeometry().topLeft());
  window.show();
  return app.exec();
}

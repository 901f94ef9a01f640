#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Tessaro——[Norvale3.0]"));
  window.showMaximized();
  return app.exec();
}

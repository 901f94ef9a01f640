// The save button of the main window: a selection drawn with the mouse, or
// none, captured and written by the save-as window.
#include <QClipboard>
#include <QPrinter>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "support/recording_messages.h"
#include "ui/export/canvas_output.h"
#include "ui/export/picture_export.h"
#include "ui/export/saveform.h"
#include "ui/main/form1.h"

using namespace norvale;

namespace {

struct Window {
  QTemporaryDir folder;
  RecordingMessages messages;
  std::unique_ptr<Form1> form;

  Window() {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.programFolder = folder.path();
    options.messages = &messages;
    form = std::make_unique<Form1>(options);
  }
  CanvasWidget& canvas() const { return form->canvas(); }
  void mouse(QEvent::Type type, float x, float y, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at = canvas().toPixel(x, y);
    QMouseEvent event(type, at, canvas().mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas(), &event);
  }
  void drag(float x1, float y1, float x2, float y2) {
    mouse(QEvent::MouseButtonPress, x1, y1, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, (x1 + x2) / 2, (y1 + y2) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, x2, y2, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, x2, y2, Qt::LeftButton, Qt::NoButton);
  }
  void click(float x, float y) {
    mouse(QEvent::MouseButtonPress, x, y, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, x, y, Qt::LeftButton, Qt::NoButton);
  }
  QPushButton* command6() const { return form->findChild<QPushButton*>(QStringLiteral("Command6")); }
};

bool samePixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestExportForm1 : public QObject {
  Q_OBJECT

 private slots:
  void saveButtonWritesTheRegion_data();
  void saveButtonWritesTheRegion();
  void secondSaveBringsTheWindowForward();
  void keysCopyAndPrint();
  void largerSizesShowTheWindowsDrawing();
};

void TestExportForm1::saveButtonWritesTheRegion_data() {
  QTest::addColumn<int>("how");  // 0 down-right, 1 up-left, 2 no selection
  QTest::newRow("dragged from upper left") << 0;
  QTest::newRow("dragged from lower right") << 1;
  QTest::newRow("no selection: the whole canvas") << 2;
}

void TestExportForm1::saveButtonWritesTheRegion() {
  QFETCH(int, how);
  // State: the start-up frame and a curve; a selection over the origin, or
  // one drawn and dismissed again.
  Window w;
  w.form->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("sin(x)"));
  w.form->drawCommand();
  if (how == 0) w.drag(-2.0f, 1.5f, 3.0f, -1.0f);
  if (how == 1) w.drag(3.0f, -1.0f, -2.0f, 1.5f);
  if (how == 2) {
    w.drag(-2.0f, 1.5f, 3.0f, -1.0f);
    w.click(4.0f, 2.0f);
  }
  QCOMPARE(w.form->selShown(), how != 2);
  const QImage canvas = w.canvas().image().copy();

  // Action: the save button, then "存 盘" in the window it opens.
  QTest::mouseClick(w.command6(), Qt::LeftButton);
  PictureExport* exporter = w.form->pictureExport();
  QVERIFY(exporter);
  QPointer<SaveForm> form = exporter->saveform();
  QVERIFY(form && form->isVisible());
  QCOMPARE(form->Label4->text(), w.folder.path());
  QTest::mouseClick(form->Command1, Qt::LeftButton);

  // Expected: norvale01.bmp in the program's folder holds the region.
  const QImage written(w.folder.filePath(QStringLiteral("norvale01.bmp")), "BMP");
  QVERIFY(!written.isNull());
  QVERIFY(w.messages.empty());
  if (how == 2) {
    QVERIFY(samePixels(written, canvas));
    return;
  }
  const QRect region = *selectionPixels({-2.0f, 1.5f, 3.0f, -1.0f}, w.form->view().canvasRight,
                                        w.form->view().canvasTop);
  QCOMPARE(written.size(), QSize(189, 94));
  QVERIFY(samePixels(written, canvas.copy(region)));
  QVERIFY(samePixels(QGuiApplication::clipboard()->image(), written));
  // The curve is in the region: not every pixel is white.
  QImage white(written.size(), QImage::Format_RGB32);
  white.fill(Qt::white);
  QVERIFY(written.convertToFormat(QImage::Format_RGB32) != white);
}

void TestExportForm1::secondSaveBringsTheWindowForward() {
  Window w;
  QTest::mouseClick(w.command6(), Qt::LeftButton);
  SaveForm* first = w.form->pictureExport()->saveform();
  QVERIFY(first && first->isVisible());
  QTest::mouseClick(w.command6(), Qt::LeftButton);
  QCOMPARE(w.form->pictureExport()->saveform(), first);
}

void TestExportForm1::keysCopyAndPrint() {
  // State: a curve drawn, the window active, the expression field focused
  // with nothing selected in it.
  Window w;
  auto* text1 = w.form->findChild<QLineEdit*>(QStringLiteral("Text1"));
  text1->setText(QStringLiteral("sin(x)"));
  w.form->drawCommand();
  w.form->show();
  QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
  text1->setFocus();
  text1->deselect();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();

  // Action: Ctrl+C. Expected: the whole canvas at twice its size.
  QTest::keyClick(text1, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->image().size(), w.canvas().size() * 2);

  // Action: select the text, Ctrl+C. Expected: the text field copies its text.
  text1->selectAll();
  QTest::keyClick(text1, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->text(), QStringLiteral("sin(x)"));

  // Action: a selection, Ctrl+C. Expected: the selection at twice its size.
  w.drag(-2.0f, 1.5f, 3.0f, -1.0f);
  text1->deselect();
  QTest::keyClick(text1, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->image().size(), QSize(189, 94) * 2);

  // Action: Ctrl+P, the print dialog answered with a PDF file. Expected: one
  // page, the selection printed.
  const QString pdf = w.folder.filePath(QStringLiteral("printed.pdf"));
  w.form->canvasOutput()->setPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  QTest::keyClick(w.form.get(), Qt::Key_P, Qt::ControlModifier);
  QFile file(pdf);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.readAll().startsWith("%PDF-"));
  QVERIFY(w.messages.empty());
}

// The window's canvas has been resized at start-up and drawn on since: the
// larger sizes and the printed page must still hold its drawing.
void TestExportForm1::largerSizesShowTheWindowsDrawing() {
  Window w;
  w.form->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("sin(x)"));
  w.form->drawCommand();
  QTest::mouseClick(w.command6(), Qt::LeftButton);
  const ExportPicture source = w.form->pictureExport()->exportPicture();
  auto ink = [](const QImage& img) {
    qint64 n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 160;
    return double(n) / (img.width() * img.height());
  };
  const double one = ink(source.picture);
  QVERIFY(one > 0);
  // Drawn into images, and through a painter as onto a PDF page or a printer.
  ExportPicture throughPainter = source;
  throughPainter.image = {};
  for (const ExportPicture& way : {source, throughPainter}) {
    for (int scale : {2, 4}) {
      const QImage big = pictureAtScale(way, scale);
      QCOMPARE(big.size(), source.picture.size() * scale);
      QVERIFY2(ink(big) > one * 0.5, qPrintable(QStringLiteral("%1x: %2 vs %3").arg(scale).arg(ink(big)).arg(one)));
    }
  }
}

QTEST_MAIN(TestExportForm1)
#include "test_export_form1.moc"

// The formats and sizes of the save: each file read back as what its name
// says, larger sizes drawn again rather than enlarged, drawings with one path
// per curve, copy and print of the canvas.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

#include "canvas/canvas_widget.h"
#include "plot/scene.h"
#include "support/recording_messages.h"
#include "ui/export/canvas_output.h"
#include "ui/export/export_format.h"
#include "ui/export/export_picture.h"
#include "ui/export/picture_export.h"
#include "ui/export/region_capture.h"
#include "ui/export/saveform.h"

namespace {

// Three curves in colours of their own (red in the low byte).
struct Curve {
  const char* text;
  std::uint32_t colour;
  std::int16_t width;
  QColor rgb;
};
const Curve CURVES[] = {
    {"sin(x)", 0x0000FF, 1, QColor(255, 0, 0)},
    {"x^2/4-2", 0x00A000, 2, QColor(0, 160, 0)},
    {"1/x", 0xC00000, 1, QColor(0, 0, 192)},
};

// A 600 x 400 canvas at unit 1 cm holding the frame and the three curves.
struct Scene {
  CanvasWidget canvas;
  ViewState view;
  Pen pen;
  FunctionRegistry registry;
  RecordingMessages messages;

  explicit Scene(bool antialiased = false) {
    canvas.resize(600, 400);
    canvas.setAntialiased(antialiased);
    const auto halfWidth = static_cast<float>(CanvasWidget::pixelsToCm(600) / 2);
    const auto halfHeight = static_cast<float>(CanvasWidget::pixelsToCm(400) / 2);
    view.canvasLeft = -halfWidth;
    view.canvasRight = halfWidth;
    view.canvasBottom = -halfHeight;
    view.canvasTop = halfHeight;
    view.unitLength = 1.0;
    canvas.setScale(view.canvasLeft, view.canvasTop, view.canvasRight, view.canvasBottom);
    for (const Curve& c : CURVES) registry.appendEntry(c.text, '1', c.width, c.colour);
    redrawScene(ReplotMessages::Drag, SceneContext{canvas, view, pen, registry, 0.1f, messages});
  }
  ExportPicture whole() {
    const PictureExport::RegionRenderer render = canvasRenderer(canvas);
    return ExportPicture{canvasPictureAtScaleOne(canvas),
                         [render](QPainter& p, const QRect& part, double s) { render(p, part, s); },
                         canvasImageRenderer(canvas)};
  }
};

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Mean absolute difference per channel, 0 to 255.
double meanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * x.width() * x.height());
}

// Paths and polylines drawn in each stroke colour of an SVG file, and the
// pen lifts (moves) inside them.
struct Shapes {
  int count = 0;
  int moves = 0;
};
QMap<QString, Shapes> strokedShapes(const QByteArray& svg) {
  QMap<QString, Shapes> shapes;
  QXmlStreamReader xml(svg);
  QStringList strokes{QStringLiteral("none")};
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const QString stroke = xml.attributes().hasAttribute(QStringLiteral("stroke"))
                                 ? xml.attributes().value(QStringLiteral("stroke")).toString().toLower()
                                 : strokes.last();
      strokes << stroke;
      if (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline")) {
        ++shapes[stroke].count;
        shapes[stroke].moves += static_cast<int>(xml.attributes().value(QStringLiteral("d")).count(QLatin1Char('M')));
      }
    } else if (xml.isEndElement()) {
      strokes.removeLast();
    }
  }
  return shapes;
}

// The size of the single page of a PDF file in points; empty when the file
// is no PDF or has another number of pages.
QSizeF singlePageSize(const QByteArray& pdf) {
  if (!pdf.startsWith("%PDF-")) return {};
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
  if (QString::fromLatin1(pdf).count(page) != 1) return {};
  static const QRegularExpression box(QStringLiteral("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)"));
  const auto m = box.match(QString::fromLatin1(pdf));
  if (!m.hasMatch()) return {};
  return {m.captured(3).toDouble() - m.captured(1).toDouble(), m.captured(4).toDouble() - m.captured(2).toDouble()};
}

}  // namespace

class TestExportFormats : public QObject {
  Q_OBJECT

 private slots:
  void formatFromName_data();
  void formatFromName();
  void typeEntriesFilterTheList();
  void savedFileReadsBack_data();
  void savedFileReadsBack();
  void largerSizeIsDrawnAgain_data();
  void largerSizeIsDrawnAgain();
  void oneTimesBitmapIsTheScreenPicture();
  void svgHasOnePathPerCurve();
  void pagePartsCoverTheRegion_data();
  void pagePartsCoverTheRegion();
  void copyAndPrint();
};

void TestExportFormats::formatFromName_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("format");
  const int bmp = int(ExportFormat::Bitmap), png = int(ExportFormat::Png), jpg = int(ExportFormat::Jpeg),
            svg = int(ExportFormat::Svg), pdf = int(ExportFormat::Pdf);
  QTest::newRow("no extension") << "graph" << bmp;
  QTest::newRow("bmp") << "norvale01.bmp" << bmp;
  QTest::newRow("BMP") << "A.BMP" << bmp;
  QTest::newRow("unknown extension") << "a.gif" << bmp;
  QTest::newRow("extension word without dot") << "png" << bmp;
  QTest::newRow("png") << "graph.png" << png;
  QTest::newRow("PNG") << "GRAPH.PNG" << png;
  QTest::newRow("jpg") << "photo.jpg" << jpg;
  QTest::newRow("Jpeg") << "photo.Jpeg" << jpg;
  QTest::newRow("svg") << "sheet.svg" << svg;
  QTest::newRow("SvG") << "sheet.SvG" << svg;
  QTest::newRow("pdf") << "sheet.pdf" << pdf;
  QTest::newRow("PDF") << "SHEET.PDF" << pdf;
  QTest::newRow("last ending counts") << "a.pdf.bmp" << bmp;
  QTest::newRow("last ending counts, png") << "a.bmp.png" << png;
  QTest::newRow("Chinese name") << "函数图.png" << png;
}

void TestExportFormats::formatFromName() {
  QFETCH(QString, name);
  QFETCH(int, format);
  QCOMPARE(int(formatForName(name)), format);
}

void TestExportFormats::typeEntriesFilterTheList() {
  // State: a folder holding one file of every kind, in both letter cases.
  QTemporaryDir dir;
  const QStringList files{"a.bmp", "b.PNG", "c.png", "d.jpg", "e.JPEG", "f.svg", "g.pdf", "h.txt", "i"};
  for (const QString& f : files) {
    QFile file(dir.filePath(f));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  RecordingMessages messages;
  WriteLayer writer;
  SaveForm form([] { return QImage(); }, messages, writer, dir.path());
  form.chooseFolder(dir.path());
  const QList<QPair<QString, QStringList>> expected{
      {"Bitmap files[*.bmp]", {"a.bmp"}},
      {"All files[*.*]", files},
      {"PNG files[*.png]", {"b.PNG", "c.png"}},
      {"JPEG files[*.jpg;*.jpeg]", {"d.jpg", "e.JPEG"}},
      {"SVG files[*.svg]", {"f.svg"}},
      {"PDF files[*.pdf]", {"g.pdf"}},
  };
  QCOMPARE(form.combo1->count(), expected.size());
  // Action: choose each entry, then the first again.
  for (int i = 0; i < expected.size(); ++i) {
    form.combo1->setCurrentIndex(i);
    QCOMPARE(form.combo1->itemText(i), expected[i].first);
    QCOMPARE(form.listedFiles(), expected[i].second);
  }
  form.combo1->setCurrentIndex(0);
  QCOMPARE(form.listedFiles(), QStringList{"a.bmp"});
}

void TestExportFormats::savedFileReadsBack_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("scale");
  QTest::addColumn<QByteArray>("readerFormat");  // empty: a drawing
  for (int scale : EXPORT_SCALES) {
    const QByteArray s = QByteArray::number(scale) + "x";
    QTest::newRow("bitmap " + s) << "graph" << scale << QByteArray("bmp");
    QTest::newRow("png " + s) << "graph.png" << scale << QByteArray("png");
    QTest::newRow("jpeg " + s) << "graph.JPG" << scale << QByteArray("jpeg");
    QTest::newRow("svg " + s) << "graph.svg" << scale << QByteArray();
    QTest::newRow("pdf " + s) << "graph.pdf" << scale << QByteArray();
  }
}

void TestExportFormats::savedFileReadsBack() {
  QFETCH(QString, name);
  QFETCH(int, scale);
  QFETCH(QByteArray, readerFormat);
  QTemporaryDir dir;
  Scene scene;
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  exporter.setClipboard(nullptr);
  exporter.setRenderer(canvasRenderer(scene.canvas));
  // State: a selection of 4 x 3 units captured, the window open.
  QVERIFY(exporter.run(canvasPictureAtScaleOne(scene.canvas), SelectionCorners{-2, 1.5f, 2, -1.5f},
                       scene.view.canvasRight, scene.view.canvasTop));
  const QSize logical = exporter.picture().size();
  QCOMPARE(logical, QSize(151, 113));
  QPointer<SaveForm> form = exporter.saveform();
  // Action: type the name, choose the size, press "存 盘".
  form->Text1->setText(name);
  form->comboSize->setCurrentIndex(form->comboSize->findData(scale));
  QCOMPARE(form->scale(), scale);
  QCOMPARE(form->comboSize->isEnabled(), !readerFormat.isEmpty());  // drawings have no pixel size
  QTest::mouseClick(form->Command1, Qt::LeftButton);
  QVERIFY(messages.empty());
  const QString path = dir.filePath(name);
  const QByteArray bytes = readBytes(path);
  // Expected: the file is what its name says.
  if (!readerFormat.isEmpty()) {
    QImageReader reader(path);
    QCOMPARE(reader.format(), readerFormat);
    const QImage image = reader.read();
    QCOMPARE(image.size(), logical * scale);
  } else if (name.endsWith(QLatin1String(".svg"))) {
    QSvgRenderer svg(bytes);
    QVERIFY(svg.isValid());
    QCOMPARE(svg.viewBoxF().size(), QSizeF(logical));  // a drawing: the size choice is for pixels
    // True size: the width in millimetres at 96 logical pixels to the inch.
    static const QRegularExpression width(QStringLiteral("<svg[^>]*width=\"([\\d.]+)mm\""));
    const auto m = width.match(QString::fromUtf8(bytes));
    QVERIFY(m.hasMatch());
    QVERIFY(std::abs(m.captured(1).toDouble() - logical.width() * 25.4 / 96) < 0.5);
    QVERIFY(bytes.contains("<text"));      // the scale's numbers stay text
  } else {
    const QSizeF page = singlePageSize(bytes);
    // True size: 96 logical pixels to the inch, 72 points to the inch.
    QVERIFY2(std::abs(page.width() - logical.width() * 0.75) < 0.5, qPrintable(QString::number(page.width())));
    QVERIFY(std::abs(page.height() - logical.height() * 0.75) < 0.5);
  }
}

void TestExportFormats::largerSizeIsDrawnAgain_data() {
  QTest::addColumn<bool>("antialiased");
  QTest::addColumn<int>("scale");
  QTest::addColumn<bool>("throughPainter");  // drawn as onto a PDF or a printer
  for (bool painter : {false, true}) {
    const char* how = painter ? ", through a painter" : "";
    QTest::addRow("aliased 2x%s", how) << false << 2 << painter;
    QTest::addRow("antialiased 2x%s", how) << true << 2 << painter;
    QTest::addRow("aliased 4x%s", how) << false << 4 << painter;
    QTest::addRow("antialiased 4x%s", how) << true << 4 << painter;
  }
}

void TestExportFormats::largerSizeIsDrawnAgain() {
  QFETCH(bool, antialiased);
  QFETCH(int, scale);
  QFETCH(bool, throughPainter);
  Scene scene(antialiased);
  ExportPicture source = scene.whole();
  if (throughPainter) source.image = {};
  const QImage one = pictureAtScale(source, 1);
  const QImage big = pictureAtScale(source, scale);
  // Expected: scale times the pixels; scaled down it looks like the screen...
  QCOMPARE(big.size(), one.size() * scale);
  const QImage down = big.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const double difference = meanDifference(down, one);
  QVERIFY2(difference < 6.0, qPrintable(QString::number(difference)));
  // ... but it is not the screen picture enlarged: enlarged pixels would
  // repeat every pixel in scale x scale blocks.
  const QImage enlarged = one.scaled(big.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  QVERIFY(big.convertToFormat(QImage::Format_RGB32) != enlarged.convertToFormat(QImage::Format_RGB32));
  // Thin lines stay thin relative to the picture: a 1-pixel curve is not
  // drawn scale pixels wide at full darkness everywhere; the curves' ink
  // grows with the area, not beyond.
  auto ink = [](const QImage& img) {
    qint64 n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 128;
    return double(n) / (img.width() * img.height());
  };
  QVERIFY2(ink(big) < ink(one) * 1.5, qPrintable(QStringLiteral("%1 vs %2").arg(ink(big)).arg(ink(one))));
  // And the curves are there: not a blank picture.
  QVERIFY2(ink(big) > ink(one) * 0.5, qPrintable(QStringLiteral("%1 vs %2").arg(ink(big)).arg(ink(one))));
}

void TestExportFormats::oneTimesBitmapIsTheScreenPicture() {
  // State: the aliased canvas at device ratio 1, a selection captured.
  QTemporaryDir dir;
  Scene scene(false);
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  exporter.setClipboard(nullptr);
  exporter.setRenderer(canvasRenderer(scene.canvas));
  const SelectionCorners sel{-3, 2, 1.5f, -1};
  QVERIFY(exporter.run(canvasPictureAtScaleOne(scene.canvas), sel, scene.view.canvasRight, scene.view.canvasTop));
  // Action: save at 1x as a bitmap.
  exporter.saveform()->Text1->setText(QStringLiteral("one.bmp"));
  QTest::mouseClick(exporter.saveform()->Command1, Qt::LeftButton);
  // Expected: 38 pixels per unit, and byte for byte the bitmap of the screen
  // picture's region as the save always wrote it; on a high-DPI screen the
  // same region drawn again at device ratio 1.
  const QRect region = *selectionPixels(sel, scene.view.canvasRight, scene.view.canvasTop);
  const QByteArray written = readBytes(dir.filePath(QStringLiteral("one.bmp")));
  QCOMPARE(QImage::fromData(written).size(), QSize(170, 113));
  if (scene.canvas.image().devicePixelRatio() == 1.0)
    QCOMPARE(written, bitmapBytes(scene.canvas.image().copy(region)));
  QCOMPARE(written, bitmapBytes(scene.canvas.renderImage(region, 1.0)));
}

void TestExportFormats::svgHasOnePathPerCurve() {
  Scene scene(true);
  const QByteArray svg = encodePicture(scene.whole(), ExportFormat::Svg, 1);
  QVERIFY(QSvgRenderer(svg).isValid());
  const QMap<QString, Shapes> shapes = strokedShapes(svg);
  for (const Curve& c : CURVES) {
    // One path per curve; 1/x is lifted at its pole, so its path starts twice.
    const Shapes got = shapes.value(c.rgb.name());
    QVERIFY2(got.count == 1, qPrintable(QStringLiteral("%1: %2 shapes").arg(c.text).arg(got.count)));
    if (QByteArray(c.text) == "1/x") QVERIFY2(got.moves >= 2, qPrintable(QString::number(got.moves)));
  }
  QVERIFY(!svg.contains("<image"));  // nothing of it is pixels
}

void TestExportFormats::pagePartsCoverTheRegion_data() {
  QTest::addColumn<QRect>("region");
  QTest::addColumn<QSizeF>("page");
  QTest::addColumn<int>("parts");
  QTest::newRow("fits on one page") << QRect(10, 20, 300, 200) << QSizeF(1000.5, 700.2) << 1;
  QTest::newRow("exactly one page") << QRect(0, 0, 1000, 700) << QSizeF(1000, 700) << 1;
  QTest::newRow("one pixel too wide") << QRect(0, 0, 1001, 700) << QSizeF(1000, 700) << 2;
  QTest::newRow("whole canvas on A4 landscape") << QRect(0, 0, 1900, 1000) << QSizeF(1047.0, 720.0) << 4;
  QTest::newRow("empty region") << QRect() << QSizeF(1000, 700) << 0;
  QTest::newRow("page below a pixel") << QRect(0, 0, 10, 10) << QSizeF(0.5, 0.5) << 0;
}

void TestExportFormats::pagePartsCoverTheRegion() {
  QFETCH(QRect, region);
  QFETCH(QSizeF, page);
  QFETCH(int, parts);
  const QList<QRect> got = pageParts(region, page);
  QCOMPARE(got.size(), parts);
  // Every pixel of the region on exactly one page, no page larger than a page.
  qint64 area = 0;
  for (int i = 0; i < got.size(); ++i) {
    QVERIFY(region.contains(got[i]));
    QVERIFY(got[i].width() <= page.width() && got[i].height() <= page.height());
    for (int j = 0; j < i; ++j) QVERIFY(!got[i].intersects(got[j]));
    area += qint64(got[i].width()) * got[i].height();
  }
  if (parts > 0) QCOMPARE(area, qint64(region.width()) * region.height());
}

void TestExportFormats::copyAndPrint() {
  QTemporaryDir dir;
  Scene scene(true);
  std::optional<SelectionCorners> selection;
  CanvasOutput output(scene.canvas, scene.messages, [&] { return selection; }, nullptr);
  // Copy without a selection: the whole canvas at twice its size.
  QVERIFY(output.copy());
  const QImage copied = QGuiApplication::clipboard()->image();
  QCOMPARE(copied.size(), QSize(1200, 800));
  QVERIFY(meanDifference(copied.scaled(600, 400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                         scene.canvas.renderImage(QRect(0, 0, 600, 400), 1.0)) < 6.0);
  // With a selection: the selection at twice its size.
  selection = SelectionCorners{-1, 1, 1, -1};
  QVERIFY(output.copy());
  QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(2 * 76, 2 * 76));
  // Print the selection to a PDF file, no printer needed.
  const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
  output.setPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  QVERIFY(output.print());
  QVERIFY(readBytes(pdf).startsWith("%PDF-"));
  QVERIFY(!singlePageSize(readBytes(pdf)).isEmpty());
  // A cancelled dialog prints nothing.
  QFile::remove(pdf);
  output.setPrintDialog([](QPrinter&) { return false; });
  QVERIFY(!output.print());
  QVERIFY(!QFile::exists(pdf));
  // An empty selection is told and neither copied nor printed.
  selection = SelectionCorners{1, 1, 1, 1};
  QVERIFY(!output.copy());
  QCOMPARE(scene.messages.last().text, std::string(SELECTION_ERROR_TEXT));
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  TestExportFormats test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_export_formats.moc"

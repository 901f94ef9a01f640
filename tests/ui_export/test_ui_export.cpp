// Picture export: the captured region, temp.bmp, the clipboard, and the
// save-as window writing bitmaps.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "support/filling_disk.h"
#include "support/recording_messages.h"
#include "ui/export/picture_export.h"
#include "ui/export/region_capture.h"
#include "ui/export/saveform.h"
#include "ui/export/write_layer.h"


namespace {

constexpr double PX = 96 / 2.54;  // pixels per centimetre

// A canvas picture 600 x 400 whose every pixel differs from its neighbours,
// so any shift of the cut shows.
QImage canvasPicture() {
  QImage img(600, 400, QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
  return img;
}
const float HALF_W = static_cast<float>(600 / PX / 2);
const float HALF_H = static_cast<float>(400 / PX / 2);

bool samePixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// A full disk that notes the save window's pointer while the bytes are written.
class FullDisk : public FillingDisk {
 public:
  using FillingDisk::FillingDisk;
  Qt::CursorShape cursorDuringWrite = Qt::BlankCursor;

 protected:
  void beforeChunk() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<SaveForm*>(w)) cursorDuringWrite = form->cursor().shape();
  }
};

// A folder path that no one, not even root, can write into: it runs through a
// regular file.
QString unwritableFolder(const QTemporaryDir& dir) {
  QFile f(dir.filePath(QStringLiteral("plainfile")));
  f.open(QIODevice::WriteOnly);
  f.write("x");
  f.close();
  return dir.filePath(QStringLiteral("plainfile/sub"));
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

class TestUiExport : public QObject {
  Q_OBJECT

 private slots:
  void pixelConversions_data();
  void pixelConversions();
  void selectionBothWaysCutsTheSameRegion_data();
  void selectionBothWaysCutsTheSameRegion();
  void noSelectionExportsTheWholeCanvas();
  void clipboardHoldsTheRegion();
  void temporaryBitmapFallsBack_data();
  void temporaryBitmapFallsBack();
  void emptySelectionIsToldNotOpened_data();
  void emptySelectionIsToldNotOpened();
  void saveformOpensWithItsDefaults();
  void saveWritesTheBitmap_data();
  void saveWritesTheBitmap();
  void failedSaveLeavesNothing_data();
  void failedSaveLeavesNothing();
  void filterSwitchesTheFileList();
  void drivesAndFolders();
  void secondCommandBringsTheSameWindowForward();
};

void TestUiExport::pixelConversions_data() {
  QTest::addColumn<double>("cm");
  QTest::addColumn<int>("horizontal");
  QTest::addColumn<int>("vertical");
  QTest::newRow("one unit") << 1.0 << 38 << 38;
  QTest::newRow("zero") << 0.0 << 0 << 0;
  QTest::newRow("whole old screen width") << 26.37898 << 997 << 997;
  QTest::newRow("whole old screen height") << 16.64231 << 629 << 629;
  QTest::newRow("negative") << -2.0 << -76 << -76;
  QTest::newRow("too wide for 16 bits") << 1000.0 << -1 << -1;
}

void TestUiExport::pixelConversions() {
  QFETCH(double, cm);
  QFETCH(int, horizontal);
  QFETCH(int, vertical);
  const auto h = horizontalPixels(cm);
  const auto v = verticalPixels(cm);
  if (horizontal == -1 && cm > 0) {
    QVERIFY(!h);
    QVERIFY(!v);
    return;
  }
  QVERIFY(h && v);
  QCOMPARE(int(*h), horizontal);
  QCOMPARE(int(*v), vertical);
}

void TestUiExport::selectionBothWaysCutsTheSameRegion_data() {
  QTest::addColumn<SelectionCorners>("drawn");
  QTest::addColumn<SelectionCorners>("reversed");
  QTest::addColumn<QRect>("expected");
  // Upper-left (-2, 1) to lower-right (1, -1): 3 x 2 cm.
  const QRect r(qRound((-2 + HALF_W) * PX), qRound((HALF_H - 1) * PX), 113, 76);
  QTest::newRow("upper left to lower right")
      << SelectionCorners{-2, 1, 1, -1} << SelectionCorners{1, -1, -2, 1} << r;
  QTest::newRow("lower left to upper right")
      << SelectionCorners{-2, -1, 1, 1} << SelectionCorners{1, 1, -2, -1} << r;
  QTest::newRow("one unit wide") << SelectionCorners{0, 0, 1, -1} << SelectionCorners{1, -1, 0, 0}
                                 << QRect(qRound(HALF_W * PX), qRound(HALF_H * PX), 38, 38);
}

void TestUiExport::selectionBothWaysCutsTheSameRegion() {
  QFETCH(SelectionCorners, drawn);
  QFETCH(SelectionCorners, reversed);
  QFETCH(QRect, expected);
  QTemporaryDir dir;
  CaptureRequest req;
  req.canvasImage = canvasPicture();
  req.canvasRight = HALF_W;
  req.canvasTop = HALF_H;
  req.programFolder = dir.path();
  req.selection = drawn;
  const CaptureResult a = captureRegion(req);
  req.selection = reversed;
  const CaptureResult b = captureRegion(req);
  QVERIFY(a.problem.empty() && b.problem.empty());
  // Within a pixel of the expected place, and exactly the canvas's pixels there.
  QCOMPARE(a.picture.size(), expected.size());
  QVERIFY(std::abs(selectionPixels(drawn, HALF_W, HALF_H)->x() - expected.x()) <= 1);
  QVERIFY(std::abs(selectionPixels(drawn, HALF_W, HALF_H)->y() - expected.y()) <= 1);
  QVERIFY(samePixels(a.picture, b.picture));
  QVERIFY(samePixels(a.picture, req.canvasImage.copy(*selectionPixels(drawn, HALF_W, HALF_H))));
}

void TestUiExport::noSelectionExportsTheWholeCanvas() {
  QTemporaryDir dir;
  CaptureRequest req;
  req.canvasImage = canvasPicture();
  req.canvasRight = HALF_W;
  req.canvasTop = HALF_H;
  req.programFolder = dir.path();
  const CaptureResult r = captureRegion(req);
  QVERIFY(r.problem.empty());
  QVERIFY(samePixels(r.picture, req.canvasImage));
  // temp.bmp holds the whole canvas in the program's folder.
  QCOMPARE(r.tempPath, dir.filePath(QStringLiteral("temp.bmp")));
  QVERIFY(samePixels(QImage(r.tempPath, "BMP"), req.canvasImage));
}

void TestUiExport::clipboardHoldsTheRegion() {
  // State: something unrelated on the clipboard.
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("old"));
  QTemporaryDir dir;
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  // Action: export a selection.
  const QImage canvas = canvasPicture();
  QVERIFY(exporter.run(canvas, SelectionCorners{-1, 1, 2, -2}, HALF_W, HALF_H));
  // Expected: the clipboard holds the region, the same picture the window saves.
  QVERIFY(samePixels(clipboard->image(), exporter.picture()));
  QCOMPARE(exporter.picture().width(), 113);
  QVERIFY(messages.empty());
}

void TestUiExport::temporaryBitmapFallsBack_data() {
  QTest::addColumn<bool>("programWritable");
  QTest::addColumn<bool>("fallbackWritable");
  QTest::newRow("program folder refuses, temp folder takes it") << false << true;
  QTest::newRow("nowhere to write: the canvas picture itself") << false << false;
}

void TestUiExport::temporaryBitmapFallsBack() {
  QFETCH(bool, programWritable);
  QFETCH(bool, fallbackWritable);
  QTemporaryDir dir, fallback;
  CaptureRequest req;
  req.canvasImage = canvasPicture();
  req.canvasRight = HALF_W;
  req.canvasTop = HALF_H;
  req.programFolder = programWritable ? dir.path() : unwritableFolder(dir);
  req.privateFolder = fallbackWritable ? fallback.path() : unwritableFolder(fallback);
  req.selection = SelectionCorners{0, 0, 1, -1};
  const CaptureResult r = captureRegion(req);
  QVERIFY(r.problem.empty());
  QCOMPARE(r.picture.size(), QSize(38, 38));
  QVERIFY(samePixels(r.picture, req.canvasImage.copy(*selectionPixels(*req.selection, HALF_W, HALF_H))));
  QCOMPARE(r.tempPath, fallbackWritable ? fallback.filePath(QStringLiteral("temp.bmp")) : QString());
}

void TestUiExport::emptySelectionIsToldNotOpened_data() {
  QTest::addColumn<SelectionCorners>("selection");
  QTest::newRow("a click without a drag") << SelectionCorners{1, 1, 1, 1};
  QTest::newRow("a flat line") << SelectionCorners{-1, 1, 2, 1};
  QTest::newRow("wholly beyond the canvas") << SelectionCorners{HALF_W + 1, 0, HALF_W + 3, -1};
}

void TestUiExport::emptySelectionIsToldNotOpened() {
  QFETCH(SelectionCorners, selection);
  QTemporaryDir dir;
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  // State: an earlier export left a picture and an open window.
  QVERIFY(exporter.run(canvasPicture(), SelectionCorners{0, 0, 1, -1}, HALF_W, HALF_H));
  QVERIFY(exporter.saveform());
  exporter.saveform()->close();
  // Action: export an empty selection.
  QVERIFY(!exporter.run(canvasPicture(), selection, HALF_W, HALF_H));
  // Expected: the user is told, nothing stale remains to be saved, no window.
  QCOMPARE(messages.count(), std::size_t(1));
  QCOMPARE(messages.last().text, std::string("选择区域错误!"));
  QCOMPARE(messages.last().icon, MessageIcon::Warning);
  QVERIFY(exporter.picture().isNull());
  QVERIFY(!exporter.saveform() || !exporter.saveform()->isVisible());
}

void TestUiExport::saveformOpensWithItsDefaults() {
  QTemporaryDir dir;
  RecordingMessages messages;
  WriteLayer writer;
  SaveForm form([] { return canvasPicture(); }, messages, writer, dir.path());
  QCOMPARE(form.objectName(), QStringLiteral("saveform"));
  QCOMPARE(form.windowTitle(), QStringLiteral("保存成为"));
  QCOMPARE(form.Text1->text(), QStringLiteral("norvale01.bmp"));
  QCOMPARE(form.Text1->selectedText(), QStringLiteral("norvale01.bmp"));
  QCOMPARE(form.Label4->text(), dir.path());
  QCOMPARE(form.combo1->count(), 6);  // the two bitmap entries first, then one per further format
  QCOMPARE(form.combo1->itemText(0), QStringLiteral("Bitmap files[*.bmp]"));
  QCOMPARE(form.combo1->itemText(1), QStringLiteral("All files[*.*]"));
  QCOMPARE(form.combo1->currentIndex(), 0);
  const QList<QPair<const char*, QString>> captions{{"Label1", QStringLiteral("文件名:")},
                                                     {"Label5", QStringLiteral("文件类型:")},
                                                     {"Label6", QStringLiteral("驱动器:")},
                                                     {"Label2", QStringLiteral("目录:")}};
  for (const auto& [name, text] : captions)
    QCOMPARE(form.findChild<QLabel*>(QLatin1String(name))->text(), text);
  QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("Command1"))->text(), QStringLiteral("存 盘"));
  QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("Command2"))->text(), QStringLiteral("取 消"));
  QCOMPARE(form.size(), QSize(491, 268));
  QCOMPARE(form.Command1->geometry(), QRect(424, 24, 57, 25));
  // Centred on the screen.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QVERIFY(std::abs(form.geometry().center().x() - screen.center().x()) <= 1);
  QVERIFY(std::abs(form.geometry().center().y() - screen.center().y()) <= 1);
  // The lists start in the process's current folder.
  QCOMPARE(form.folder(), QDir::cleanPath(QDir::currentPath()));
  QVERIFY(!form.drives().isEmpty());
  QVERIFY(form.Drive1->currentIndex() >= 0);
}

void TestUiExport::saveWritesTheBitmap_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("default name") << QString();
  QTest::newRow("no extension") << QStringLiteral("graph");
  QTest::newRow("other extension, still a bitmap") << QStringLiteral("picture.gif");
  QTest::newRow("upper-case bitmap extension") << QStringLiteral("PICTURE.BMP");
  QTest::newRow("replaces an existing file") << QStringLiteral("old.bmp");
}

void TestUiExport::saveWritesTheBitmap() {
  QFETCH(QString, name);
  QTemporaryDir dir;
  QFile old(dir.filePath(QStringLiteral("old.bmp")));
  old.open(QIODevice::WriteOnly);
  old.write("not a picture");
  old.close();
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  const QImage canvas = canvasPicture();
  // State: a region exported, the window open.
  QVERIFY(exporter.run(canvas, SelectionCorners{-2, 1.5f, 3, -1}, HALF_W, HALF_H));
  QPointer<SaveForm> form = exporter.saveform();
  QVERIFY(form && form->isVisible());
  // Action: type the name (or keep the default) and press "存 盘".
  if (!name.isEmpty()) {
    form->Text1->selectAll();
    QTest::keyClicks(form->Text1, name);
  }
  QTest::mouseClick(form->Command1, Qt::LeftButton);
  // Expected: a valid bitmap equal to the region, pixel for pixel; the window closed.
  const QString written = dir.filePath(name.isEmpty() ? QStringLiteral("norvale01.bmp") : name);
  QImage back(written, "BMP");
  QVERIFY(!back.isNull());
  QVERIFY(samePixels(back, exporter.picture()));
  QVERIFY(samePixels(back, canvas.copy(*selectionPixels({-2, 1.5f, 3, -1}, HALF_W, HALF_H))));
  QVERIFY(messages.empty());
  QVERIFY(!form || !form->isVisible());
  // Only the written file and temp.bmp are new: no temporary leftovers.
  QStringList expected{QStringLiteral("old.bmp"), QStringLiteral("temp.bmp")};
  if (!expected.contains(QFileInfo(written).fileName())) expected << QFileInfo(written).fileName();
  expected.sort();
  QCOMPARE(entries(dir.path()), expected);
}

void TestUiExport::failedSaveLeavesNothing_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("unwritableTarget");
  QTest::addColumn<qint64>("diskRoom");  // -1: a plain disk
  QTest::newRow("empty name") << QString() << false << qint64(-1);
  QTest::newRow("a full path as name") << QStringLiteral("/tmp/x.bmp") << false << qint64(-1);
  QTest::newRow("parent folder as name") << QStringLiteral("..") << false << qint64(-1);
  QTest::newRow("target folder through a file") << QStringLiteral("a.bmp") << true << qint64(-1);
  QTest::newRow("disk full at once") << QStringLiteral("old.bmp") << false << qint64(0);
  QTest::newRow("disk full half way") << QStringLiteral("old.bmp") << false << qint64(1000);
}

void TestUiExport::failedSaveLeavesNothing() {
  QFETCH(QString, name);
  QFETCH(bool, unwritableTarget);
  QFETCH(qint64, diskRoom);
  QTemporaryDir dir;
  QFile old(dir.filePath(QStringLiteral("old.bmp")));
  old.open(QIODevice::WriteOnly);
  old.write("kept");
  old.close();
  const QStringList before = entries(dir.path());
  RecordingMessages messages;
  WriteLayer plain;
  FullDisk full(diskRoom);
  WriteLayer& writer = diskRoom >= 0 ? static_cast<WriteLayer&>(full) : plain;
  SaveForm form([] { return canvasPicture(); }, messages, writer, dir.path());
  form.show();
  if (unwritableTarget) form.Label4->setText(unwritableFolder(dir));
  const QStringList withPlainFile = entries(dir.path());
  form.Text1->setText(name);
  // Action: press "存 盘".
  QTest::mouseClick(form.Command1, Qt::LeftButton);
  // Expected: "存盘错误!" with the warning icon, the window still open with an
  // arrow pointer, and the folder exactly as it was.
  QCOMPARE(messages.count(), std::size_t(1));
  QCOMPARE(messages.last().text, std::string("存盘错误!"));
  QCOMPARE(messages.last().icon, MessageIcon::Warning);
  QVERIFY(form.isVisible());
  QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
  QCOMPARE(entries(dir.path()), unwritableTarget ? withPlainFile : before);
  old.open(QIODevice::ReadOnly);
  QCOMPARE(old.readAll(), QByteArray("kept"));
  if (diskRoom >= 0) QCOMPARE(full.cursorDuringWrite, Qt::WaitCursor);
}

void TestUiExport::filterSwitchesTheFileList() {
  QTemporaryDir dir;
  for (const char* n : {"a.bmp", "B.BMP", "c.txt", "d"}) {
    QFile f(dir.filePath(QLatin1String(n)));
    f.open(QIODevice::WriteOnly);
  }
  QDir(dir.path()).mkdir(QStringLiteral("sub.bmp"));
  RecordingMessages messages;
  WriteLayer writer;
  SaveForm form([] { return canvasPicture(); }, messages, writer, dir.path());
  form.chooseFolder(dir.path());
  const QStringList bitmaps{QStringLiteral("a.bmp"), QStringLiteral("B.BMP")};
  const QStringList all{QStringLiteral("a.bmp"), QStringLiteral("B.BMP"), QStringLiteral("c.txt"),
                        QStringLiteral("d")};
  QCOMPARE(form.listedFiles(), bitmaps);
  form.combo1->setCurrentIndex(1);
  QCOMPARE(form.listedFiles(), all);
  form.combo1->setCurrentIndex(0);
  QCOMPARE(form.listedFiles(), bitmaps);
  // A click on a listed file takes its name.
  QTest::mouseClick(form.File1->viewport(), Qt::LeftButton, {},
                    form.File1->visualItemRect(form.File1->item(1)).center());
  QCOMPARE(form.Text1->text(), QStringLiteral("B.BMP"));
}

void TestUiExport::drivesAndFolders() {
  QTemporaryDir dir, other;
  QDir(dir.path()).mkdir(QStringLiteral("inner"));
  RecordingMessages messages;
  WriteLayer writer;
  SaveForm form([] { return canvasPicture(); }, messages, writer, QStringLiteral("/program"));
  form.setDrives({dir.path() + QStringLiteral("/missing-volume"), other.path(), dir.path()});
  form.chooseFolder(dir.path());
  QCOMPARE(form.Label4->text(), dir.path());
  // A drive that cannot be read: the notice, and the lists stay.
  QVERIFY(!form.chooseDrive(0));
  QCOMPARE(messages.count(), std::size_t(1));
  QCOMPARE(messages.last().text, std::string("驱动器错误!"));
  QCOMPARE(messages.last().icon, MessageIcon::Warning);
  QCOMPARE(form.folder(), dir.path());
  // A readable one: the folder list moves there and the target follows.
  QVERIFY(form.chooseDrive(1));
  QCOMPARE(form.folder(), other.path());
  QCOMPARE(form.Label4->text(), other.path());
  // Activating a subfolder in the folder list moves into it.
  form.chooseFolder(dir.path());
  QListWidgetItem* inner = nullptr;
  for (int i = 0; i < form.Dir1->count(); ++i)
    if (form.Dir1->item(i)->text().trimmed() == QStringLiteral("inner")) inner = form.Dir1->item(i);
  QVERIFY(inner);
  emit form.Dir1->itemActivated(inner);
  QCOMPARE(form.Label4->text(), dir.filePath(QStringLiteral("inner")));
  QCOMPARE(messages.count(), std::size_t(1));
}

void TestUiExport::secondCommandBringsTheSameWindowForward() {
  QTemporaryDir dir;
  RecordingMessages messages;
  PictureExport exporter(nullptr, messages, dir.path());
  QImage canvas = canvasPicture();
  // State: the window open and a name typed.
  QVERIFY(exporter.run(canvas, std::nullopt, HALF_W, HALF_H));
  SaveForm* first = exporter.saveform();
  first->Text1->setText(QStringLiteral("typed.bmp"));
  // Action: the save command again, after the canvas changed.
  canvas.fill(Qt::red);
  QVERIFY(exporter.run(canvas, std::nullopt, HALF_W, HALF_H));
  // Expected: the same window, not reloaded, saving the new picture.
  QCOMPARE(exporter.saveform(), first);
  QCOMPARE(first->Text1->text(), QStringLiteral("typed.bmp"));
  QTest::mouseClick(first->Command1, Qt::LeftButton);
  QVERIFY(samePixels(QImage(dir.filePath(QStringLiteral("typed.bmp")), "BMP"), canvas));
  // After it closed, the command opens it afresh.
  QVERIFY(exporter.run(canvas, std::nullopt, HALF_W, HALF_H));
  QVERIFY(exporter.saveform()->isVisible());
  QCOMPARE(exporter.saveform()->Text1->text(), QStringLiteral("norvale01.bmp"));
  // Cancel closes without writing.
  QTest::mouseClick(exporter.saveform()->Command2, Qt::LeftButton);
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("norvale01.bmp"))));
}

QTEST_MAIN(TestUiExport)
#include "test_ui_export.moc"

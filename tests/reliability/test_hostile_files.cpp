// Saving the picture where the disk or the folder works against the user: a
// file marked read-only, an immutable file, a folder that disappears or turns
// into a file, a name that is a folder or too long, a read-only file system,
// and a disk that fills up. Every failure must end with the notice
// "存盘错误!", the save-as window still open, the target untouched and no
// temporary file left behind.
//
// The program's tests run as root in CI, so every target here is unwritable
// in a way that holds for root as well. The full and read-only disks are a
// small tmpfs mounted in a private mount namespace of this test process (it
// vanishes with the process); where the process may not mount, the full disk
// is simulated by the write layer.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "support/filling_disk.h"
#include "support/recording_messages.h"
#include "ui/export/export_format.h"
#include "ui/export/export_picture.h"
#include "ui/export/saveform.h"
#include "ui/export/write_layer.h"

namespace {

const std::string SAVE_ERROR = "存盘错误!";
const QByteArray OLD_CONTENT = "the picture saved before";

bool privateMounts = false;  // set in main, before any thread exists

// A private mount namespace for this process, so the test's mounts are never
// seen by anyone else and disappear when it ends.
bool enterPrivateMountNamespace() {
  if (geteuid() != 0) return false;
  if (unshare(CLONE_NEWNS) != 0) return false;
  return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// A picture of 400 x 300 pixels; the nearly full disk below has room for
// less than half of its file in any format.
QImage picture() {
  QImage img(400, 300, QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
  return img;
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool setImmutable(const QString& path, bool on) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

// Removes the target folder, temporary file and all, as the first bytes are
// written: the folder disappears in the middle of the save.
class FolderRemovingDisk : public WriteLayer {
 public:
  explicit FolderRemovingDisk(QString folder) : folder_(std::move(folder)) {}

 protected:
  qint64 writeChunk(QIODevice& file, const char* data, qint64 size) override {
    if (!folder_.isEmpty()) {
      QDir(folder_).removeRecursively();
      folder_.clear();
    }
    return file.write(data, size);
  }

 private:
  QString folder_;
};

enum class Hostile {
  None,                 // a plain folder: the save succeeds (the control case)
  ReadOnlyFile,         // the target exists with no write permission for anyone
  ImmutableFile,        // the target exists with the immutable attribute
  NameIsFolder,         // the name typed is that of a folder
  FolderVanished,       // the target folder is removed after it was chosen
  FolderBecameFile,     // ... and a file of the same name takes its place
  FolderVanishesWhileWriting,
  ReadOnlyFileSystem,   // the folder lies on a file system mounted read-only
  ProcFolder,           // a folder of /proc, where no file can be created
  NameTooLong,          // 300 bytes of name
  DiskNearlyFull,       // a tmpfs with 16 KiB left
  DiskWithRoom,         // the same tmpfs with room: the save succeeds
};

}  // namespace

class TestHostileFiles : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void save_data();
  void save();

 private:
  QTemporaryDir mountPoint_;
  bool tmpfs_ = false;
};

void TestHostileFiles::initTestCase() {
  QVERIFY(mountPoint_.isValid());
  tmpfs_ = privateMounts && mount("norvale-test", QFile::encodeName(mountPoint_.path()).constData(), "tmpfs", 0,
                                  "size=1m") == 0;
  qInfo("%s", tmpfs_ ? "disk rows on a 1 MiB tmpfs in a private mount namespace"
                     : "no tmpfs here: the full disk is simulated by the write layer");
}

void TestHostileFiles::cleanupTestCase() {
  if (tmpfs_) umount2(QFile::encodeName(mountPoint_.path()).constData(), MNT_DETACH);
}

void TestHostileFiles::save_data() {
  QTest::addColumn<int>("hostile");
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("saves");
  // Every row for every format the save writes: each goes through the same write.
  for (const char* ext : {".bmp", ".png", ".jpg", ".svg", ".pdf"}) {
    const QString e = QLatin1String(ext);
    auto row = [&](const char* what, Hostile kind, const QString& name, bool saves) {
      QTest::newRow(qPrintable(QLatin1String(what) + QLatin1Char(' ') + e)) << int(kind) << name << saves;
    };
    row("plain folder", Hostile::None, "old" + e, true);
    row("read-only file", Hostile::ReadOnlyFile, "old" + e, false);
    row("immutable file", Hostile::ImmutableFile, "old" + e, false);
    row("name of a folder", Hostile::NameIsFolder, "pictures" + e, false);
    row("folder vanished", Hostile::FolderVanished, "new" + e, false);
    row("folder vanishes while writing", Hostile::FolderVanishesWhileWriting, "old" + e, false);
    row("folder became a file", Hostile::FolderBecameFile, "new" + e, false);
    row("read-only file system", Hostile::ReadOnlyFileSystem, "old" + e, false);
    row("folder of /proc", Hostile::ProcFolder, "norvale01" + e, false);
    row("name too long", Hostile::NameTooLong, QString(300, QLatin1Char('n')) + e, false);
    row("disk nearly full, new file", Hostile::DiskNearlyFull, "new" + e, false);
    row("disk nearly full, over a file", Hostile::DiskNearlyFull, "old" + e, false);
    row("disk with room", Hostile::DiskWithRoom, "old" + e, true);
  }
}

void TestHostileFiles::save() {
  QFETCH(int, hostile);
  QFETCH(QString, name);
  QFETCH(bool, saves);
  const auto kind = static_cast<Hostile>(hostile);
  const bool onDisk = kind == Hostile::DiskNearlyFull || kind == Hostile::DiskWithRoom ||
                      kind == Hostile::ReadOnlyFileSystem;
  if (kind == Hostile::ReadOnlyFileSystem && !tmpfs_) QSKIP("no file system to mount read-only here");

  // State: a folder holding an earlier picture old.bmp and a subfolder.
  QTemporaryDir scratch;
  QVERIFY(scratch.isValid());
  const QString folder = onDisk && tmpfs_ ? mountPoint_.path() : scratch.filePath(QStringLiteral("target"));
  QDir(folder).removeRecursively();
  QVERIFY(QDir().mkpath(folder));
  const QString ext = name.mid(name.lastIndexOf(QLatin1Char('.')));
  const QString old = folder + QStringLiteral("/old") + ext;
  QVERIFY(writeBytes(old, OLD_CONTENT));
  QVERIFY(QDir(folder).mkdir(QStringLiteral("pictures") + ext));

  RecordingMessages messages;
  WriteLayer plain;
  // The nearly full disk has room for less than half of the file.
  const qint64 fileSize = encodePicture(ExportPicture{picture(), {}, {}}, formatForName(name), 1).size();
  const qint64 room = std::min<qint64>(16 * 1024, fileSize / 2);
  FillingDisk filling(room);
  FolderRemovingDisk removing(folder);
  WriteLayer* writer = kind == Hostile::FolderVanishesWhileWriting ? &removing : &plain;
  auto* form = new SaveForm(picture, messages, *writer, folder);
  QPointer<SaveForm> alive(form);
  form->show();
  QCOMPARE(form->targetFolder(), folder);

  QString filler;
  bool immutable = false;
  switch (kind) {
    case Hostile::None:
    case Hostile::NameIsFolder:
    case Hostile::NameTooLong:
    case Hostile::DiskWithRoom:
      break;
    case Hostile::ReadOnlyFile:
      QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
      break;
    case Hostile::ImmutableFile:
      immutable = setImmutable(old, true);
      if (!immutable) QSKIP("the file system here has no immutable attribute");
      break;
    case Hostile::FolderVanished:
      QVERIFY(QDir(folder).removeRecursively());
      break;
    case Hostile::FolderVanishesWhileWriting:
      break;
    case Hostile::FolderBecameFile:
      QVERIFY(QDir(folder).removeRecursively());
      QVERIFY(writeBytes(folder, "not a folder"));
      break;
    case Hostile::ReadOnlyFileSystem:
      QVERIFY(mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
      break;
    case Hostile::ProcFolder:
      form->Label4->setText(QStringLiteral("/proc"));
      break;
    case Hostile::DiskNearlyFull:
      if (tmpfs_) {
        struct statvfs fs {};
        QVERIFY(statvfs(QFile::encodeName(folder).constData(), &fs) == 0);
        const qint64 free = static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
        filler = folder + QStringLiteral("/filler");
        QVERIFY(writeBytes(filler, QByteArray(static_cast<int>(free - room), 'f')));
      } else {
        writer = &filling;
        delete form;
        form = new SaveForm(picture, messages, *writer, folder);
        alive = form;
        form->show();
      }
      break;
  }
  const QStringList before = QFileInfo(folder).isDir() ? entries(folder) : QStringList();
  form->Text1->setText(name);

  // Action: press "存 盘".
  QTest::mouseClick(form->Command1, Qt::LeftButton);

  if (kind == Hostile::ReadOnlyFileSystem)
    mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT, nullptr);
  if (immutable) setImmutable(old, false);
  if (!filler.isEmpty()) QFile::remove(filler);

  if (saves) {
    // Expected: no notice, the window closed, the bitmap complete and nothing else new.
    QVERIFY2(messages.empty(), messages.empty() ? "" : messages.last().text.c_str());
    QTRY_VERIFY(alive.isNull());
    const QString written = folder + QLatin1Char('/') + name;
    switch (formatForName(name)) {
      case ExportFormat::Bitmap:
      case ExportFormat::Png:
        QCOMPARE(QImage(written).convertToFormat(QImage::Format_RGB32), picture());
        break;
      case ExportFormat::Jpeg:
        QCOMPARE(QImageReader(written).format(), QByteArray("jpeg"));
        QCOMPARE(QImage(written).size(), picture().size());
        break;
      case ExportFormat::Svg:
        QVERIFY(QSvgRenderer(written).isValid());
        break;
      case ExportFormat::Pdf:
        QVERIFY(readBytes(written).startsWith("%PDF-"));
        QVERIFY(readBytes(written).trimmed().endsWith("%%EOF"));
        break;
    }
    QCOMPARE(entries(folder), before);
  } else {
    // Expected: "存盘错误!" with the warning icon, the window still open, the
    // earlier picture unchanged and no file added, not even a temporary one.
    QCOMPARE(messages.count(), std::size_t(1));
    QCOMPARE(messages.last().text, SAVE_ERROR);
    QCOMPARE(messages.last().icon, MessageIcon::Warning);
    QVERIFY(!alive.isNull());
    QVERIFY(form->isVisible());
    if (QFileInfo(folder).isDir()) {
      QStringList after = entries(folder);
      QStringList expected = before;
      if (!filler.isEmpty()) expected.removeAll(QStringLiteral("filler"));
      QCOMPARE(after, expected);
      QCOMPARE(readBytes(old), OLD_CONTENT);
    }
    if (kind == Hostile::FolderBecameFile) QCOMPARE(readBytes(folder), QByteArray("not a folder"));
    if (kind == Hostile::FolderVanished || kind == Hostile::FolderVanishesWhileWriting)
      QVERIFY(!QFileInfo::exists(folder));  // not brought back by the save
    delete form;
  }
  if (onDisk && tmpfs_) {
    for (const QString& e : entries(folder)) {
      QFile::setPermissions(folder + QLatin1Char('/') + e, QFileDevice::WriteOwner | QFileDevice::ReadOwner);
      QFileInfo(folder + QLatin1Char('/') + e).isDir() ? QDir(folder + QLatin1Char('/') + e).removeRecursively()
                                                       : QFile::remove(folder + QLatin1Char('/') + e);
    }
  }
}

int main(int argc, char* argv[]) {
  privateMounts = enterPrivateMountNamespace();
  QApplication app(argc, argv);
  TestHostileFiles test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_hostile_files.moc"

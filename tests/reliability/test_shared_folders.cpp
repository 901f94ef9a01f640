// Export in folders that other users can write, tried as an attacker would:
// links planted first at every name the program might write, then the
// feature run, then the planted targets checked. The test makes its own
// sticky, world-writable temporary folder and points TMPDIR at it before
// anything else runs. Rows that need a file of another user are run only
// where the test may change owners (as root in CI).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "support/recording_messages.h"
#include "ui/export/picture_export.h"
#include "ui/export/saveform.h"
#include "ui/export/write_layer.h"

namespace {

const QByteArray HOMEWORK = "my homework, not a picture";
constexpr uid_t OTHER_USER = 65534;  // nobody
QString stickyTemp;                   // set in main

QImage canvasPicture() {
  QImage img(300, 200, QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
  return img;
}
const float HALF_W = static_cast<float>(300 / (96 / 2.54) / 2);
const float HALF_H = static_cast<float>(200 / (96 / 2.54) / 2);

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
QByteArray native(const QString& path) { return QFile::encodeName(path); }

bool makeFolder(const QString& path, mode_t mode) {
  return QDir().mkpath(path) && ::chmod(native(path).constData(), mode) == 0;
}
bool giveToOtherUser(const QString& path) { return ::lchown(native(path).constData(), OTHER_USER, OTHER_USER) == 0; }
bool mayChangeOwners() { return ::geteuid() == 0; }

struct stat lstatOf(const QString& path) {
  struct stat st {};
  ::lstat(native(path).constData(), &st);
  return st;
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void setAge(const QString& path, int seconds) {
  struct timeval times[2];
  gettimeofday(&times[0], nullptr);
  times[0].tv_sec -= seconds;
  times[1] = times[0];
  ::lutimes(native(path).constData(), times);
}

// Notes the temporary files of a save while its bytes are written.
class WatchingLayer : public WriteLayer {
 public:
  explicit WatchingLayer(QString folder) : folder_(std::move(folder)) {}
  QStringList seen;
  mode_t mode = 0;

 protected:
  qint64 writeChunk(QIODevice& file, const char* data, qint64 size) override {
    seen = QDir(folder_).entryList({QLatin1String(TEMP_PREFIX) + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    for (const QString& name : seen)
      if (lstatOf(folder_ + QLatin1Char('/') + name).st_mtime > ::time(nullptr) - 30 && !name.endsWith(QLatin1String("young")))
        mode = lstatOf(folder_ + QLatin1Char('/') + name).st_mode & 07777;
    return file.write(data, size);
  }

 private:
  QString folder_;
};

enum class ProgramFolder { Private, Sticky, OpenToAll, OtherUsers };
enum class Cache { Private, Sticky, NotYetMade };

}  // namespace

class TestSharedFolders : public QObject {
  Q_OBJECT

 private slots:
  void temporaryPictureNeverFollowsLinks_data();
  void temporaryPictureNeverFollowsLinks();
  void saveThroughLinks_data();
  void saveThroughLinks();
  void staleTemporariesRemoved();
};

void TestSharedFolders::temporaryPictureNeverFollowsLinks_data() {
  QTest::addColumn<int>("program");
  QTest::addColumn<int>("cache");
  QTest::addColumn<bool>("selection");
  QTest::newRow("private program folder") << int(ProgramFolder::Private) << int(Cache::Private) << false;
  QTest::newRow("private program folder, selection") << int(ProgramFolder::Private) << int(Cache::Private) << true;
  QTest::newRow("sticky program folder") << int(ProgramFolder::Sticky) << int(Cache::Private) << false;
  QTest::newRow("program folder open to all") << int(ProgramFolder::OpenToAll) << int(Cache::Private) << true;
  QTest::newRow("program folder of another user") << int(ProgramFolder::OtherUsers) << int(Cache::Private) << false;
  QTest::newRow("sticky program and cache folders") << int(ProgramFolder::Sticky) << int(Cache::Sticky) << false;
  QTest::newRow("open program folder, sticky cache") << int(ProgramFolder::OpenToAll) << int(Cache::Sticky) << true;
  QTest::newRow("sticky program folder, no cache yet") << int(ProgramFolder::Sticky) << int(Cache::NotYetMade) << false;
}

void TestSharedFolders::temporaryPictureNeverFollowsLinks() {
  QFETCH(int, program);
  QFETCH(int, cache);
  QFETCH(bool, selection);
  const auto kind = static_cast<ProgramFolder>(program);
  if (kind == ProgramFolder::OtherUsers && !mayChangeOwners()) QSKIP("needs to give a folder to another user");

  // State: the pupil's homework; the program's folder and the cache folder as
  // the row says; a link to the homework at every fixed name in reach.
  QTemporaryDir home;
  QVERIFY(home.isValid());
  const QString homework = home.filePath(QStringLiteral("homework.txt"));
  QVERIFY(writeBytes(homework, HOMEWORK));
  const QString programFolder = home.filePath(QStringLiteral("program"));
  const mode_t programMode = kind == ProgramFolder::Sticky ? 01777 : kind == ProgramFolder::OpenToAll ? 0777 : 0755;
  QVERIFY(makeFolder(programFolder, programMode));
  if (kind == ProgramFolder::OtherUsers) QVERIFY(giveToOtherUser(programFolder));
  const QString cacheFolder = static_cast<Cache>(cache) == Cache::Sticky ? stickyTemp : home.filePath(QStringLiteral("cache"));
  if (static_cast<Cache>(cache) == Cache::Private) QVERIFY(makeFolder(cacheFolder, 0700));
  if (static_cast<Cache>(cache) == Cache::NotYetMade) QVERIFY(makeFolder(cacheFolder, 0700));  // removed below
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheFolder));
  QStringList planted{programFolder + QStringLiteral("/temp.bmp"), stickyTemp + QStringLiteral("/temp.bmp"),
                            cacheFolder + QStringLiteral("/temp.bmp")};
  for (const QString& name : planted) {
    QFile::remove(name);
    QVERIFY(QFile::link(homework, name));
  }
  if (static_cast<Cache>(cache) == Cache::NotYetMade) {
    QVERIFY(QDir(cacheFolder).removeRecursively());
    planted.removeLast();
  }

  // Action: press "选择保存".
  RecordingMessages messages;
  QString madeFolder;
  QString tempPath;
  {
    PictureExport exporter(nullptr, messages, programFolder);
    exporter.setClipboard(nullptr);
    std::optional<SelectionCorners> sel;
    if (selection) sel = SelectionCorners{-1, 1, 1, -1};
    QVERIFY(exporter.run(canvasPicture(), sel, HALF_W, HALF_H));
    tempPath = exporter.tempPath();
    madeFolder = exporter.madePrivateFolder();

    // Expected: the homework unchanged; the temporary picture a regular file
    // of mode 0600 in a folder no one else can write.
    QCOMPARE(readBytes(homework), HOMEWORK);
    QVERIFY(!tempPath.isEmpty());
    const struct stat st = lstatOf(tempPath);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    QCOMPARE(st.st_uid, ::geteuid());
    QVERIFY(WriteLayer::isPrivateFolder(QFileInfo(tempPath).path()));
    QCOMPARE(QImage(tempPath, "BMP").convertToFormat(QImage::Format_RGB32), canvasPicture());
    if (kind == ProgramFolder::Private) {
      // Beside the program, the planted link replaced by the picture itself.
      QCOMPARE(tempPath, programFolder + QStringLiteral("/temp.bmp"));
      QVERIFY(madeFolder.isEmpty());
    } else {
      QVERIFY(!madeFolder.isEmpty());
      QCOMPARE(QFileInfo(tempPath).path(), madeFolder);
      QCOMPARE(lstatOf(madeFolder).st_mode & 07777, mode_t(0700));
      QVERIFY(!madeFolder.startsWith(programFolder + QLatin1Char('/')));
      // Never under a fixed name in an open folder: the made folder lies in
      // the cache only when that is private.
      QCOMPARE(QFileInfo(madeFolder).path(), static_cast<Cache>(cache) == Cache::Sticky ? stickyTemp : cacheFolder);
    }
    for (const QString& name : planted)
      if (name != tempPath) QVERIFY2(QFileInfo(name).isSymLink(), qPrintable(name));  // left alone
  }
  // The private folder goes with the program.
  if (!madeFolder.isEmpty()) QVERIFY(!QFileInfo::exists(madeFolder));
  QCOMPARE(readBytes(homework), HOMEWORK);
  QVERIFY(messages.empty());
  for (const QString& name : planted) QFile::remove(name);
}

void TestSharedFolders::saveThroughLinks_data() {
  QTest::addColumn<bool>("stickyFolder");
  QTest::addColumn<bool>("othersLink");
  QTest::addColumn<bool>("chain");  // an own link leading to the row's link
  QTest::addColumn<bool>("saves");
  QTest::newRow("own link, own folder") << false << false << false << true;
  QTest::newRow("own link, sticky folder") << true << false << false << true;
  QTest::newRow("another user's link, sticky folder") << true << true << false << false;
  QTest::newRow("own link to another user's link, sticky folder") << true << true << true << false;
  QTest::newRow("another user's link, own private folder") << false << true << false << true;
}

void TestSharedFolders::saveThroughLinks() {
  QFETCH(bool, stickyFolder);
  QFETCH(bool, othersLink);
  QFETCH(bool, chain);
  QFETCH(bool, saves);
  if (othersLink && !mayChangeOwners()) QSKIP("needs to give a link to another user");

  // State: the pupil's homework in a private folder; a link to it named
  // picture.bmp in the target folder (planted by the row's user).
  QTemporaryDir home;
  QVERIFY(home.isValid());
  const QString homework = home.filePath(QStringLiteral("homework.txt"));
  QVERIFY(writeBytes(homework, HOMEWORK));
  QTemporaryDir shared(stickyTemp + QStringLiteral("/shared-XXXXXX"));
  QVERIFY(shared.isValid());
  const QString folder = stickyFolder ? shared.path() : home.filePath(QStringLiteral("pictures"));
  QVERIFY(makeFolder(folder, stickyFolder ? 01777 : 0700));
  const QString link = folder + QStringLiteral("/picture.bmp");
  QVERIFY(QFile::link(homework, chain ? folder + QStringLiteral("/planted") : link));
  if (chain) {
    QVERIFY(QFile::link(folder + QStringLiteral("/planted"), link));
    if (othersLink) QVERIFY(giveToOtherUser(folder + QStringLiteral("/planted")));
  } else if (othersLink) {
    QVERIFY(giveToOtherUser(link));
  }
  const QStringList before = entries(folder);

  // Action: save picture.bmp in that folder.
  RecordingMessages messages;
  WriteLayer writer;
  auto* form = new SaveForm([] { return canvasPicture(); }, messages, writer, folder);
  QPointer<SaveForm> alive(form);
  form->show();
  form->Text1->setText(QStringLiteral("picture.bmp"));
  QTest::mouseClick(form->Command1, Qt::LeftButton);

  if (saves) {
    // Expected: as in any desktop program, the link's file holds the picture.
    QVERIFY(messages.empty());
    QCOMPARE(QImage(homework, "BMP").convertToFormat(QImage::Format_RGB32), canvasPicture());
    QVERIFY(QFileInfo(link).isSymLink());
  } else {
    // Expected: "存盘错误!", the homework unchanged, nothing written.
    QCOMPARE(messages.count(), std::size_t(1));
    QCOMPARE(messages.last().text, std::string("存盘错误!"));
    QCOMPARE(readBytes(homework), HOMEWORK);
    QCOMPARE(entries(folder), before);
    QCOMPARE(entries(home.path()), QStringList{QStringLiteral("homework.txt")});
    QVERIFY(alive && form->isVisible());
  }
  delete alive.data();
}

void TestSharedFolders::staleTemporariesRemoved() {
  // State: a folder with what earlier, interrupted saves left: the user's own
  // old temporary files, a young one (a save under way elsewhere), one of
  // another user, a folder under the prefix, and a plain file.
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString prefix = dir.path() + QLatin1Char('/') + QLatin1String(WriteLayer::TEMP_PREFIX);
  for (const char* name : {"old1", "old2", "young", "foreign"}) QVERIFY(writeBytes(prefix + QLatin1String(name), "x"));
  QVERIFY(QDir().mkdir(prefix + QStringLiteral("folder")));
  QVERIFY(writeBytes(dir.filePath(QStringLiteral("keep.bmp")), "x"));
  for (const char* name : {"old1", "old2", "foreign", "folder"})
    setAge(prefix + QLatin1String(name), 2 * WriteLayer::STALE_AFTER_SECONDS);
  const bool foreign = mayChangeOwners() && giveToOtherUser(prefix + QStringLiteral("foreign"));

  // Action: save a picture into that folder.
  WatchingLayer writer(dir.path());
  QVERIFY(writer.writeFile(dir.filePath(QStringLiteral("new.bmp")), QByteArray(100000, 'p')));

  // Expected: while writing, one recognisable temporary file of mode 0600
  // beside the survivors; afterwards only the user's stale ones are gone.
  QStringList expectedWhile{QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("folder"),
                            QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("young")};
  if (foreign) expectedWhile << QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("foreign");
  QStringList seen = writer.seen;
  QCOMPARE(seen.size(), foreign ? 3 : 2);  // the young, the foreign one and the save's own (no folders)
  seen.removeAll(QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("young"));
  seen.removeAll(QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("foreign"));
  QCOMPARE(seen.size(), 1);
  QCOMPARE(writer.mode, mode_t(0600));
  QStringList expected{QStringLiteral("keep.bmp"), QStringLiteral("new.bmp"),
                       QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("folder"),
                       QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("young")};
  if (foreign) expected << QLatin1String(WriteLayer::TEMP_PREFIX) + QStringLiteral("foreign");
  expected.sort();
  QCOMPARE(entries(dir.path()), expected);
  QCOMPARE(readBytes(dir.filePath(QStringLiteral("new.bmp"))), QByteArray(100000, 'p'));
  // The saved file has the usual permissions, not the temporary's 0600.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  QCOMPARE(lstatOf(dir.filePath(QStringLiteral("new.bmp"))).st_mode & 07777, mode_t(0666 & ~mask));
}

int main(int argc, char* argv[]) {
  // A sticky, world-writable temporary folder of the test's own, like /tmp.
  QTemporaryDir base;
  if (!base.isValid()) return 1;
  stickyTemp = base.filePath(QStringLiteral("tmp"));
  if (!makeFolder(stickyTemp, 01777)) return 1;
  qputenv("TMPDIR", QFile::encodeName(stickyTemp));
  QApplication app(argc, argv);
  TestSharedFolders test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_shared_folders.moc"

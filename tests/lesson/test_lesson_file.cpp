// Lesson files: what is saved comes back slot by slot, every kind of bad file
// is refused with a notice naming what is wrong, and saving is atomic and
// does not write through a link another user planted.
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "bad_lessons.h"
#include "lesson/lesson.h"
#include "lesson/lesson_document.h"
#include "lesson/lesson_file.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Expressions as users type them: digits (which the packed entry must not
// confuse with the width), blanks, the angle letter, Chinese text, quotes.
const char* const EXPRESSIONS[] = {"sin(x)", "x+12", " 2*e", "sqr(1-x^2)", "tg(x)\\2", "“函数”",
                                   "exp(e)*0.5", "\"quoted\"", "abs(x)-3.25", "1/x"};

FunctionRegistry registryFromDraws(int draws, std::uint32_t seed) {
  QRandomGenerator random(seed);
  FunctionRegistry registry;
  for (int i = 0; i < draws; ++i) {
    const char* expression = EXPRESSIONS[random.bounded(10)];
    registry.appendEntry(expression, random.bounded(2) ? '1' : '0', static_cast<std::int16_t>(1 + random.bounded(6)),
                         random.bounded(0x1000000));
  }
  return registry;
}

}  // namespace

class TestLessonFile : public QObject {
  Q_OBJECT

 private slots:
  void roundTripKeepsEverySlot_data();
  void roundTripKeepsEverySlot();
  void badFilesAreRefused_data();
  void badFilesAreRefused();
  void laterMembersOfVersionOneAreIgnored();
  void failedSaveKeepsTheOldFile();
  void foreignLinkInSharedFolderIsNotFollowed();
  void ownLinkIsFollowed();
  void outOfRangeLessonIsNotSaved();
};

void TestLessonFile::roundTripKeepsEverySlot_data() {
  QTest::addColumn<int>("draws");
  QTest::addColumn<QList<int>>("deleted");
  QTest::addColumn<double>("unit");
  QTest::newRow("empty") << 0 << QList<int>{} << 1.0;
  QTest::newRow("one") << 1 << QList<int>{} << 0.3;
  QTest::newRow("full") << 20 << QList<int>{} << 15.0;
  QTest::newRow("wrapped, ring at 7") << 27 << QList<int>{} << 0.2;
  QTest::newRow("partly empty") << 12 << QList<int>{1, 2, 5, 11} << 2.5;
  QTest::newRow("wrapped, holes") << 33 << QList<int>{13, 20} << 0.30000001192092896;
}

void TestLessonFile::roundTripKeepsEverySlot() {
  QFETCH(int, draws);
  QFETCH(QList<int>, deleted);
  QFETCH(double, unit);
  FunctionRegistry registry = registryFromDraws(draws, static_cast<std::uint32_t>(draws * 7 + deleted.size()));
  for (int slot : deleted) registry.clearEntry(slot);

  lesson::Lesson saved;
  lesson::takeFunctions(registry, saved);
  saved.frameShown = FRAME_POLAR;
  saved.originX = -3.1f;
  saved.originY = 2.7f;
  saved.unit = unit;
  saved.precision = 0.0125;
  saved.penWidth = 4;
  saved.penColour = 0x00C000;

  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("lesson.norvale"));
  QCOMPARE(lesson::writeLessonFile(path, saved), QString());
  const lesson::ParseResult read = lesson::readLessonFile(path);
  QCOMPARE(read.problem, QString());
  QVERIFY(read.lesson.has_value());
  QVERIFY(*read.lesson == saved);

  const FunctionRegistry back = lesson::registryOf(*read.lesson);
  QCOMPARE(back.funcLast(), registry.funcLast());
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    QCOMPARE(back.isEmpty(slot), registry.isEmpty(slot));
    QCOMPARE(back.entryText(slot), registry.entryText(slot));
    QCOMPARE(back.expressionLength(slot), registry.expressionLength(slot));
  }
  QVERIFY(back == registry);
  // No temporary file is left beside the lesson.
  QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("lesson.norvale")});
}

void TestLessonFile::badFilesAreRefused_data() {
  QTest::addColumn<int>("index");
  const std::vector<bad_lessons::BadFile> files = bad_lessons::table();
  QVERIFY(files.size() >= 15);
  for (std::size_t i = 0; i < files.size(); ++i) QTest::newRow(files[i].name) << static_cast<int>(i);
}

void TestLessonFile::badFilesAreRefused() {
  QFETCH(int, index);
  const bad_lessons::BadFile file = bad_lessons::table().at(static_cast<std::size_t>(index));
  QTemporaryDir folder;
  const QString path = bad_lessons::materialise(folder, file);
  const lesson::ParseResult read = lesson::readLessonFile(path);
  QVERIFY(!read.lesson.has_value());
  QVERIFY2(read.problem.contains(file.expected), qPrintable(read.problem));
}

void TestLessonFile::laterMembersOfVersionOneAreIgnored() {
  QJsonObject object = bad_lessons::validObject();
  object.insert(QStringLiteral("teacherNote"), QStringLiteral("第三课"));
  const lesson::ParseResult read = lesson::parseLesson(bad_lessons::bytesOf(object));
  QVERIFY(read.lesson.has_value());
  QVERIFY(*read.lesson == bad_lessons::validLesson());
}

void TestLessonFile::failedSaveKeepsTheOldFile() {
#ifdef Q_OS_UNIX
  if (::geteuid() == 0) QSKIP("the superuser writes into read-only folders");
#endif
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("old.norvale"));
  QCOMPARE(lesson::writeLessonFile(path, bad_lessons::validLesson()), QString());
  const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
  QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  lesson::Lesson other;
  const QString problem = lesson::writeLessonFile(path, other);
  QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QVERIFY(!problem.isEmpty());
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), before);
}

// State: a folder anyone may write to, with a link that another user planted
// under the lesson's name, pointing at a file of the attacker's choosing.
// Action: save the lesson under that name. Expected: a notice, the target
// untouched, the link still a link.
void TestLessonFile::foreignLinkInSharedFolderIsNotFollowed() {
#ifdef Q_OS_UNIX
  if (::geteuid() != 0) QSKIP("planting another user's link needs the superuser");
  QTemporaryDir shared;
  QTemporaryDir victimFolder;
  ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
  const QString victim = victimFolder.filePath(QStringLiteral("victim.txt"));
  {
    QFile f(victim);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("precious");
  }
  const QString link = shared.filePath(QStringLiteral("lesson.norvale"));
  QVERIFY(QFile::link(victim, link));
  QCOMPARE(::lchown(QFile::encodeName(link).constData(), 65534, 65534), 0);

  const QString problem = lesson::writeLessonFile(link, bad_lessons::validLesson());
  QVERIFY2(problem.contains(QStringLiteral("符号链接")), qPrintable(problem));
  QFile f(victim);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("precious"));
  QVERIFY(QFileInfo(link).isSymLink());
#else
  QSKIP("links and owners are a Unix matter here");
#endif
}

void TestLessonFile::ownLinkIsFollowed() {
  QTemporaryDir folder;
  const QString target = folder.filePath(QStringLiteral("real.norvale"));
  const QString link = folder.filePath(QStringLiteral("link.norvale"));
  QVERIFY(QFile::link(target, link));
  QCOMPARE(lesson::writeLessonFile(link, bad_lessons::validLesson()), QString());
  QVERIFY(QFileInfo(link).isSymLink());
  const lesson::ParseResult read = lesson::readLessonFile(target);
  QVERIFY(read.lesson.has_value());
}

void TestLessonFile::outOfRangeLessonIsNotSaved() {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("bad.norvale"));
  lesson::Lesson lesson = bad_lessons::validLesson();
  lesson.penWidth = 0;
  QVERIFY(lesson::writeLessonFile(path, lesson).contains(QStringLiteral("画笔的线宽 0 无效")));
  QVERIFY(!QFileInfo::exists(path));
  // Over an earlier lesson: that one stays as it was.
  QCOMPARE(lesson::writeLessonFile(path, bad_lessons::validLesson()), QString());
  lesson.functions[2] = lesson::Function{std::string(40000, 'x'), FRAME_CARTESIAN, 1, 0};
  lesson.penWidth = 1;
  QVERIFY(lesson::writeLessonFile(path, lesson).contains(QStringLiteral("超过了 32767 字节")));
  const lesson::ParseResult read = lesson::readLessonFile(path);
  QVERIFY(read.lesson.has_value());
  QVERIFY(*read.lesson == bad_lessons::validLesson());
}

QTEST_GUILESS_MAIN(TestLessonFile)
#include "test_lesson_file.moc"

// Lesson files that must be refused, each with a piece of the notice that
// says what is wrong. Shared by the file tests and the main window's tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "lesson/lesson_document.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace bad_lessons {

enum class Kind { Bytes, Missing, Directory, Unreadable };

struct BadFile {
  const char* name;
  Kind kind;
  QByteArray bytes;
  QString expected;  // a piece of the notice
};

// A valid lesson with two functions, as the base the bad files change.
inline lesson::Lesson validLesson() {
  lesson::Lesson lesson;
  lesson.functions[0] = lesson::Function{"sin(x)", FRAME_CARTESIAN, 2, 0x0000FF};
  lesson.functions[3] = lesson::Function{"2*e", FRAME_POLAR, 3, 0xFF0000};
  lesson.ringPosition = 4;
  return lesson;
}

inline QJsonObject validObject() { return QJsonDocument::fromJson(lesson::toJson(validLesson())).object(); }

inline QByteArray bytesOf(const QJsonObject& object) { return QJsonDocument(object).toJson(); }

// The valid lesson with one member of the root changed.
inline QByteArray withRoot(const char* key, const QJsonValue& value) {
  QJsonObject object = validObject();
  object.insert(QString::fromLatin1(key), value);
  return bytesOf(object);
}

// The valid lesson with one member of its first function changed.
inline QByteArray withFirstFunction(const char* key, const QJsonValue& value) {
  QJsonObject object = validObject();
  QJsonArray functions = object.value(QStringLiteral("functions")).toArray();
  QJsonObject first = functions.at(0).toObject();
  first.insert(QString::fromLatin1(key), value);
  functions.replace(0, first);
  object.insert(QStringLiteral("functions"), functions);
  return bytesOf(object);
}

inline QByteArray withoutRoot(const char* key) {
  QJsonObject object = validObject();
  object.remove(QString::fromLatin1(key));
  return bytesOf(object);
}

inline std::vector<BadFile> table() {
  const QByteArray valid = bytesOf(validObject());
  QJsonObject nineteen = validObject();
  QJsonArray shortList = nineteen.value(QStringLiteral("functions")).toArray();
  shortList.removeLast();
  nineteen.insert(QStringLiteral("functions"), shortList);
  QJsonObject origin;
  origin.insert(QStringLiteral("x"), 500);
  origin.insert(QStringLiteral("y"), 0);
  QJsonObject penColour;
  penColour.insert(QStringLiteral("width"), 1);
  penColour.insert(QStringLiteral("colour"), -1);

  std::vector<BadFile> files = {
      {"missing", Kind::Missing, {}, QStringLiteral("文件不存在")},
      {"a folder", Kind::Directory, {}, QStringLiteral("不是一个普通文件")},
      {"empty", Kind::Bytes, QByteArray(), QStringLiteral("文件是空的")},
      {"a picture", Kind::Bytes, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), QStringLiteral("不是课件文本")},
      {"corrupt in the middle", Kind::Bytes, QByteArray(valid).replace("\"unit\"", "\"unit\" ]"),
       QStringLiteral("文件内容已损坏")},
      {"truncated", Kind::Bytes, valid.left(valid.size() / 2), QStringLiteral("文件不完整")},
      {"over 4 MB", Kind::Bytes, QByteArray(valid).append(QByteArray(4 * 1024 * 1024, ' ')),
       QStringLiteral("文件太大")},
      {"newer version", Kind::Bytes, withRoot("version", 2), QStringLiteral("较新版本")},
      {"no format mark", Kind::Bytes, withoutRoot("format"), QStringLiteral("缺少格式标记")},
      {"a list, not a lesson", Kind::Bytes, QByteArray("[1, 2, 3]"), QStringLiteral("不是一个课件记录")},
      {"19 functions", Kind::Bytes, bytesOf(nineteen), QStringLiteral("文件中有 19 项")},
      {"width 0", Kind::Bytes, withFirstFunction("width", 0), QStringLiteral("第 1个函数的线宽 0 无效")},
      {"width 99", Kind::Bytes, withFirstFunction("width", 99), QStringLiteral("第 1个函数的线宽 99 无效")},
      {"width 2.5", Kind::Bytes, withFirstFunction("width", 2.5), QStringLiteral("线宽 2.5 无效")},
      {"width as text", Kind::Bytes, withFirstFunction("width", QStringLiteral("2")), QStringLiteral("线宽 “2” 无效")},
      {"colour over 0xFFFFFF", Kind::Bytes, withFirstFunction("colour", 0x1000000),
       QStringLiteral("第 1个函数的颜色 16777216 无效")},
      {"expression over 32767 bytes", Kind::Bytes, withFirstFunction("expression", QString(32768, QLatin1Char('x'))),
       QStringLiteral("表达式长 32768 字节")},
      {"empty expression", Kind::Bytes, withFirstFunction("expression", QString()), QStringLiteral("没有表达式")},
      {"unknown frame", Kind::Bytes, withFirstFunction("frame", QStringLiteral("sphere")),
       QStringLiteral("坐标系 “sphere” 无效")},
      {"unit beyond the drag (20)", Kind::Bytes, withRoot("unit", 20), QStringLiteral("单位长度 20 超出范围")},
      {"unit below the drag (0.1)", Kind::Bytes, withRoot("unit", 0.1), QStringLiteral("单位长度 0.1 超出范围")},
      {"ring position 21", Kind::Bytes, withRoot("ringPosition", 21), QStringLiteral("最后写入的位置 21 无效")},
      {"precision 1", Kind::Bytes, withRoot("precision", 1), QStringLiteral("绘图精度 1 无效")},
      {"origin 5 m out", Kind::Bytes, withRoot("origin", origin), QStringLiteral("原点位置 (500, 0) 无效")},
      {"pen colour -1", Kind::Bytes, withRoot("pen", penColour), QStringLiteral("画笔的颜色 -1 无效")},
      {"frame shown missing", Kind::Bytes, withoutRoot("frameShown"), QStringLiteral("显示的坐标系 （缺少） 无效")},
  };
#ifdef Q_OS_UNIX
  // The superuser reads every file: there the row would prove nothing.
  if (::geteuid() != 0)
    files.push_back({"unreadable", Kind::Unreadable, valid, QStringLiteral("文件无法读取")});
#endif
  return files;
}

// Puts the bad file into `folder` and returns its path.
inline QString materialise(const QTemporaryDir& folder, const BadFile& file) {
  const QString path = folder.filePath(QStringLiteral("bad.norvale"));
  QFile::remove(path);
  QDir(path).removeRecursively();
  switch (file.kind) {
    case Kind::Missing:
      break;
    case Kind::Directory:
      QDir().mkpath(path);
      break;
    case Kind::Bytes:
    case Kind::Unreadable: {
      QFile out(path);
      if (out.open(QIODevice::WriteOnly)) out.write(file.bytes);
      out.close();
      if (file.kind == Kind::Unreadable) out.setPermissions(QFileDevice::Permissions());
      break;
    }
  }
  return path;
}

}  // namespace bad_lessons

#include "lesson/lesson_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lesson {

namespace {

// Whether `path` is a link planted by another user in a folder that others
// can write to: the one kind of name the program must not write through.
bool isForeignLinkInSharedFolder(const QString& path) {
#ifdef Q_OS_UNIX
  const QByteArray local = QFile::encodeName(path);
  struct stat link {};
  if (::lstat(local.constData(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
  if (link.st_uid == ::geteuid()) return false;
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  struct stat dir {};
  if (::stat(folder.constData(), &dir) != 0) return true;  // cannot tell: refuse
  return (dir.st_mode & (S_IWOTH | S_IWGRP)) != 0 || dir.st_uid != ::geteuid();
#else
  Q_UNUSED(path);
  return false;
#endif
}

}  // namespace

ParseResult readLessonFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {std::nullopt, QStringLiteral("文件不存在。")};
  if (!info.isFile()) return {std::nullopt, QStringLiteral("这不是一个普通文件。")};
  if (info.size() > MAX_FILE_BYTES)
    return {std::nullopt, QStringLiteral("文件太大（%1 字节），课件不会超过 4 MB。").arg(info.size())};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {std::nullopt, QStringLiteral("文件无法读取（%1）。").arg(file.errorString())};
  // One byte more than allowed tells a file that grew since it was measured.
  const QByteArray bytes = file.read(MAX_FILE_BYTES + 1);
  if (file.error() != QFileDevice::NoError)
    return {std::nullopt, QStringLiteral("文件读取出错（%1）。").arg(file.errorString())};
  return parseLesson(bytes);
}

QString writeLessonFile(const QString& path, const Lesson& lesson) {
  const QString problem = problemOf(lesson);
  if (!problem.isEmpty()) return problem;
  if (isForeignLinkInSharedFolder(path))
    return QStringLiteral("这个名字是别的用户在共用文件夹中建立的符号链接，为安全起见不写入。请换一个文件名或文件夹。");
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) return QStringLiteral("这个名字已被一个文件夹或特殊文件占用。");
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("无法建立文件（%1）。").arg(file.errorString());
  const QByteArray text = toJson(lesson);
  if (file.write(text) != text.size()) {
    const QString why = file.errorString();
    file.cancelWriting();
    return QStringLiteral("写入失败（%1），原来的文件没有改变。").arg(why);
  }
  if (!file.commit()) return QStringLiteral("保存失败（%1），原来的文件没有改变。").arg(file.errorString());
  return {};
}

}  // namespace lesson

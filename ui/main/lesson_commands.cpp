#include "ui/main/lesson_commands.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

#include "lesson/lesson_file.h"

namespace norvale {

namespace {

QString fileFilter() { return QStringLiteral("Norvale 课件 (*.norvale);;所有文件 (*)"); }

QString shownName(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

LessonCommands::LessonCommands(std::function<lesson::Lesson()> capture,
                               std::function<void(const lesson::Lesson&)> replace, Messages& messages,
                               QObject* parent)
    : QObject(parent), capture_(std::move(capture)), replace_(std::move(replace)), messages_(messages) {
  folder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder_.isEmpty() || !QFileInfo(folder_).isDir()) folder_ = QDir::homePath();
}

void LessonCommands::chooseAndOpen(QWidget* dialogParent) {
  const QString path = QFileDialog::getOpenFileName(dialogParent, QStringLiteral("打开课件"), folder_, fileFilter());
  if (!path.isEmpty()) openFile(path);
}

void LessonCommands::chooseAndSave(QWidget* dialogParent) {
  QString path = QFileDialog::getSaveFileName(dialogParent, QStringLiteral("保存课件"),
                                              folder_ + QStringLiteral("/课件.norvale"), fileFilter());
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".norvale");
  saveFile(path);
}

bool LessonCommands::openFile(const QString& path) {
  const lesson::ParseResult read = lesson::readLessonFile(path);
  if (!read.lesson) {
    messages_.show(QStringLiteral("无法打开课件“%1”：%2\n当前的图像和函数列表没有改变。")
                       .arg(shownName(path), read.problem)
                       .toStdString(),
                   MessageIcon::Warning);
    return false;
  }
  folder_ = QFileInfo(path).absolutePath();
  replace_(*read.lesson);
  return true;
}

bool LessonCommands::saveFile(const QString& path) {
  const QString problem = lesson::writeLessonFile(path, capture_());
  if (!problem.isEmpty()) {
    messages_.show(QStringLiteral("无法保存课件“%1”：%2").arg(shownName(path), problem).toStdString(),
                   MessageIcon::Warning);
    return false;
  }
  folder_ = QFileInfo(path).absolutePath();
  return true;
}

bool looksLikeLesson(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String(lesson::FILE_SUFFIX), Qt::CaseInsensitive) == 0;
}

}  // namespace norvale

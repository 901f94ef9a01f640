// The lesson commands of the windows: open a lesson file (Ctrl+O, "打开…",
// a file named on the command line or dropped on the main window) and save
// one (Ctrl+S, "保存…"). A file that cannot be used is reported in one
// notice that names it and says what is wrong; nothing of the scene changes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "lesson/lesson.h"
#include "plot/messages.h"

class QWidget;

namespace norvale {

class LessonCommands : public QObject {
  Q_OBJECT

 public:
  // capture: the scene as a lesson; replace: puts a read lesson in place of
  // the scene and redraws it.
  LessonCommands(std::function<lesson::Lesson()> capture, std::function<void(const lesson::Lesson&)> replace,
                 Messages& messages, QObject* parent = nullptr);

  // Asks for a file (a dialog over `dialogParent`), then opens or saves it.
  void chooseAndOpen(QWidget* dialogParent);
  void chooseAndSave(QWidget* dialogParent);

  // True when the lesson was opened / saved; otherwise the user was told why.
  bool openFile(const QString& path);
  bool saveFile(const QString& path);

  // The folder the dialogs start in: the last one used.
  const QString& folder() const { return folder_; }

 private:
  std::function<lesson::Lesson()> capture_;
  std::function<void(const lesson::Lesson&)> replace_;
  Messages& messages_;
  QString folder_;
};

// Whether a dropped or named file looks like a lesson (its ending).
bool looksLikeLesson(const QString& path);

}  // namespace norvale

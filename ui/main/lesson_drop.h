// Dropping a lesson file on a window opens it: the window accepts a drag
// that carries one local file ending in ".norvale" and hands its path on.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace norvale {

class LessonDrop : public QObject {
 public:
  LessonDrop(QWidget* window, std::function<void(const QString&)> open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QString&)> open_;
};

}  // namespace norvale

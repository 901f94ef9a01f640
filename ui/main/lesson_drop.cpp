#include "ui/main/lesson_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <utility>

#include "ui/main/lesson_commands.h"

namespace norvale {

namespace {

// The one lesson file a drag carries, or empty.
QString droppedLesson(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile() || !looksLikeLesson(url.toLocalFile())) return {};
  return url.toLocalFile();
}

}  // namespace

LessonDrop::LessonDrop(QWidget* window, std::function<void(const QString&)> open)
    : QObject(window), open_(std::move(open)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

bool LessonDrop::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDropEvent*>(event);
    if (!droppedLesson(drag->mimeData()).isEmpty()) {
      drag->acceptProposedAction();
      return true;
    }
  } else if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = droppedLesson(drop->mimeData());
    if (!path.isEmpty()) {
      drop->acceptProposedAction();
      open_(path);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace norvale

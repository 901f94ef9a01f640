#include "ui/list/history_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

namespace {

const QKeySequence UNDO_KEYS(Qt::CTRL | Qt::Key_Z);
const QKeySequence REDO_KEYS(Qt::CTRL | Qt::Key_Y);
const QKeySequence REDO_KEYS_SHIFT(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

// Lets the window's shortcuts have the undo and redo keys before a text
// field claims them for its own undo.
class GiveUpHistoryKeys : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence typed(key->keyCombination());
      if (typed == UNDO_KEYS || typed == REDO_KEYS || typed == REDO_KEYS_SHIFT) {
        event->ignore();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

void addShortcut(QWidget* window, const QKeySequence& keys, const std::function<void()>& run) {
  auto* shortcut = new QShortcut(keys, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, run);
}

}  // namespace

void addListHistoryKeys(QWidget* window, std::function<void()> undo, std::function<void()> redo) {
  addShortcut(window, UNDO_KEYS, undo);
  addShortcut(window, REDO_KEYS, redo);
  addShortcut(window, REDO_KEYS_SHIFT, redo);
  auto* filter = new GiveUpHistoryKeys(window);
  for (QLineEdit* field : window->findChildren<QLineEdit*>()) field->installEventFilter(filter);
}

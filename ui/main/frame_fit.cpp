#include "ui/main/frame_fit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace norvale {

QRect clientRectFor(const QRect& area, const QMargins& frame) { return area.marginsRemoved(frame); }

FrameFit::FrameFit(QWidget& window, const QRect& area) : QObject(&window), window_(window), area_(area) {
  fit();
  window_.installEventFilter(this);
}

QMargins FrameFit::currentMargins() const {
  const QWindow* handle = window_.windowHandle();
  return handle ? handle->frameMargins() : QMargins();
}

void FrameFit::fit() {
  margins_ = currentMargins();
  // setGeometry places the client area; the decoration goes round it.
  window_.setGeometry(clientRectFor(area_, margins_));
}

// A maximised or full-screen window is the window manager's to place.
bool FrameFit::needsFit() const {
  if (window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return false;
  return currentMargins() != margins_;
}

bool FrameFit::eventFilter(QObject* watched, QEvent* event) {
  // The margins arrive with no event of their own (typically just before the
  // first paint), so every event of the window is a chance to notice them.
  // The fit itself waits until the event is done.
  if (watched == &window_ && !fitPending_ && needsFit()) {
    fitPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          fitPending_ = false;
          if (needsFit()) fit();
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace norvale

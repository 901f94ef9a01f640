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

bool FrameFit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_) {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowStateChange:
        if (currentMargins() != margins_) fit();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace norvale

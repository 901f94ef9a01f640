// Makes a top-level window's outer frame (title bar and borders included)
// cover an area of the screen exactly. The frame's size is known only once a
// window manager has decorated the window, and may change when it does, so
// the fit is applied again whenever the frame margins differ from those it
// last fitted with; a move or resize by the user with unchanged margins is
// left alone. Without a window manager the margins are zero and the client
// area is the whole area.
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

namespace norvale {

// The client rectangle whose frame, with these margins, is `area`.
QRect clientRectFor(const QRect& area, const QMargins& frame);

class FrameFit : public QObject {
  Q_OBJECT
 public:
  // Fits the window now (with the margins known so far) and keeps it fitted.
  FrameFit(QWidget& window, const QRect& area);
  QMargins fittedMargins() const { return margins_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMargins currentMargins() const;
  bool needsFit() const;
  void fit();

  QWidget& window_;
  QRect area_;
  QMargins margins_;
  bool fitPending_ = false;
};

}  // namespace norvale

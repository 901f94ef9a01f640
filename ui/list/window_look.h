// The look the secondary windows share: a light grey face and SimSun, or the
// CJK font the system has where SimSun is missing.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

namespace norvale {

inline void applyWindowLook(QWidget& window) {
  window.setAutoFillBackground(true);
  QPalette grey = window.palette();
  grey.setColor(QPalette::Window, QColor(192, 192, 192));
  window.setPalette(grey);
  QFont uiFont;
  uiFont.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
  uiFont.setPointSize(9);
  window.setFont(uiFont);
}

}  // namespace norvale

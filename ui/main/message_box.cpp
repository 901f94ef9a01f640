#include "ui/main/message_box.h"

#include <QMessageBox>

namespace norvale {

void MessageBoxMessages::show(const std::string& utf8Text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  QString::fromUtf8(MESSAGE_TITLE), QString::fromStdString(utf8Text), QMessageBox::Ok,
                  parent_.data());
  box.exec();
}

}  // namespace norvale

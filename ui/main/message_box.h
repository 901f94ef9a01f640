// The notices of the program as modal message boxes: title "提示", one OK
// button, and the warning icon when the caller asks for it.
#pragma once

#include <QWidget>
#include <QPointer>

#include "plot/messages.h"

namespace norvale {

inline constexpr const char* MESSAGE_TITLE = "提示";

class MessageBoxMessages : public Messages {
 public:
  explicit MessageBoxMessages(QWidget* parent = nullptr) : parent_(parent) {}
  void show(const std::string& utf8Text, MessageIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace norvale

// How the plotting engine and the windows tell the user something: a modal
// notice titled "提示" with an OK button. Tests replace it with a recorder.
#pragma once

#include <string>

enum class MessageIcon { None, Warning };

class Messages {
 public:
  virtual ~Messages() = default;
  virtual void show(const std::string& utf8Text, MessageIcon icon) = 0;
};

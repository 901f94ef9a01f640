// A Messages sink for tests: keeps every notice instead of showing a modal box.
#pragma once

#include <string>
#include <vector>

#include "plot/messages.h"

class RecordingMessages : public Messages {
 public:
  struct Record {
    std::string text;  // UTF-8
    MessageIcon icon = MessageIcon::None;
    bool operator==(const Record&) const = default;
  };

  void show(const std::string& utf8Text, MessageIcon icon) override { records.push_back({utf8Text, icon}); }

  void clear() { records.clear(); }
  std::size_t count() const { return records.size(); }
  bool empty() const { return records.empty(); }
  const Record& last() const { return records.back(); }

  std::vector<Record> records;
};

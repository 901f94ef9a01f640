#include "registry/list_history.h"

#include <utility>

void ListHistory::record(const FunctionRegistry& before, const FunctionRegistry& after, ListChange change,
                         int mergeKey) {
  if (before == after) return;
  redo_.clear();
  if (mergeKey >= 0 && mergeKey == mergeKey_ && !undo_.empty()) return;  // the step already holds the first state
  mergeKey_ = mergeKey;
  undo_.push_back({before, change});
  if (undo_.size() > DEPTH) undo_.pop_front();
}

bool ListHistory::undo(FunctionRegistry& registry) {
  mergeKey_ = -1;
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  std::swap(step.registry, registry);
  redo_.push_back(std::move(step));
  return true;
}

bool ListHistory::redo(FunctionRegistry& registry) {
  mergeKey_ = -1;
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  std::swap(step.registry, registry);
  undo_.push_back(std::move(step));
  return true;
}

void ListHistory::clear() {
  undo_.clear();
  redo_.clear();
  mergeKey_ = -1;
}

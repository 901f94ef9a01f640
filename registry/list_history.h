// The undo history of the function list: every change to the registry (a
// draw, an edit of a row, a deletion, "全部删除", an opened lesson) is
// recorded as the registry it replaced, so undo and redo swap whole
// registries — the ring position included, so undoing a draw that pushed the
// oldest function out of the ring brings that function back in its slot.
//
// A registry is at most twenty expressions of at most 32,767 bytes; the
// history keeps the last DEPTH steps and forgets the oldest beyond them.
#pragma once

#include <cstddef>
#include <deque>

#include "registry/function_registry.h"

enum class ListChange { Draw, Edit, Delete, DeleteAll, OpenLesson };

class ListHistory {
 public:
  static constexpr std::size_t DEPTH = 100;

  // Records a change from `before` to `after`; no step when nothing changed.
  // A new step forgets what could have been redone. Successive changes with
  // the same mergeKey (>= 0), with nothing else recorded, undone or redone in
  // between, make one step: the keystrokes of one edit of one row.
  void record(const FunctionRegistry& before, const FunctionRegistry& after, ListChange change, int mergeKey = -1);
  // The next change starts a step of its own even if its mergeKey is the
  // same (the user left the row).
  void endMerge() { mergeKey_ = -1; }

  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  std::size_t undoSteps() const { return undo_.size(); }
  std::size_t redoSteps() const { return redo_.size(); }

  // Puts the registry back as it was before the last recorded step and
  // returns true; false (registry untouched) when there is nothing to undo.
  bool undo(FunctionRegistry& registry);
  // Repeats the last undone step; false when there is nothing to redo.
  bool redo(FunctionRegistry& registry);
  // What the next undo / redo would reverse or repeat (undefined when none).
  ListChange nextUndo() const { return undo_.back().change; }
  ListChange nextRedo() const { return redo_.back().change; }

  void clear();

 private:
  struct Step {
    FunctionRegistry registry;  // the state on the other side of the step
    ListChange change;
  };
  std::deque<Step> undo_;
  std::deque<Step> redo_;
  int mergeKey_ = -1;
};

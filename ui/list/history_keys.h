// Ctrl+Z undoes and Ctrl+Y (or Ctrl+Shift+Z) redoes the last change to the
// function list in a window, also while one of its text fields has the
// focus: the fields give the keys up instead of undoing their own typing, so
// the same keys always mean the same thing.
#pragma once

#include <QWidget>
#include <functional>

void addListHistoryKeys(QWidget* window, std::function<void()> undo, std::function<void()> redo);

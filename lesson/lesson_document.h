// Reading, checking and writing the JSON text of a lesson (see lesson.h for
// the format). Every refusal is one Chinese sentence that says what is wrong,
// for the notice the user sees.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "lesson/lesson.h"

namespace lesson {

struct ParseResult {
  std::optional<Lesson> lesson;  // set exactly when problem is empty
  QString problem;
};

// The lesson in `bytes`, or what keeps them from being one.
ParseResult parseLesson(const QByteArray& bytes);

// What is out of range in a lesson, or empty when every value may be saved
// and read back.
QString problemOf(const Lesson& lesson);

// The indented JSON text of a lesson.
QByteArray toJson(const Lesson& lesson);

// "第 n个函数", the slot named as the program's other notices name it.
QString slotName(int slot);

}  // namespace lesson

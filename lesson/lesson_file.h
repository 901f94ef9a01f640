// Lesson files on disk. Reading never reads more than the size limit;
// writing is atomic: the lesson goes to a new file in the target's folder,
// which then takes the target's name, so a failed save leaves the old file as
// it was.
#pragma once

#include <QString>

#include "lesson/lesson_document.h"

namespace lesson {

// The lesson in the file at `path`, or what keeps it from being read.
ParseResult readLessonFile(const QString& path);

// Writes the lesson; returns an empty text on success, otherwise why nothing
// was written. Refuses a symbolic link that another user owns in a folder
// others may write to (someone may have planted it to make the program
// overwrite a file of theirs choosing), and anything that is not a plain file.
QString writeLessonFile(const QString& path, const Lesson& lesson);

}  // namespace lesson

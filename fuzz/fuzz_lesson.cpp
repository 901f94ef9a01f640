// libFuzzer target for the lesson reader.
//
// Input: the bytes of a lesson file.
//
// Checked on every input:
//  - parseLesson either gives a lesson and no problem, or a problem text and
//    no lesson (a refusal always says something);
//  - an accepted lesson holds only values the program can use: widths 1 to
//    6, colours up to 0xFFFFFF, expressions of 1 to 32,767 bytes, a ring
//    position of 0 to 20, a unit the drag can give, a precision in (0, 1),
//    finite origin coordinates;
//  - written back, the lesson reads as the same lesson, and the registry
//    built from it gives the same functions again.
#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lesson/lesson.h"
#include "lesson/lesson_document.h"

namespace {

struct Exercised {
  std::size_t inputs = 0;
  std::size_t accepted = 0;
  std::size_t functions = 0;
};
Exercised exercised;

void printExercised() {
  std::fprintf(stderr, "norvale_fuzz_lesson: %zu inputs, %zu accepted lessons, %zu functions read\n",
               exercised.inputs, exercised.accepted, exercised.functions);
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "lesson reader invariant broken: %s\n", what);
  std::abort();
}

bool colourOk(std::uint32_t c) { return c <= lesson::MAX_COLOUR; }
bool widthOk(int w) { return w >= lesson::MIN_WIDTH && w <= lesson::MAX_WIDTH; }
bool frameOk(int k) { return k == FRAME_CARTESIAN || k == FRAME_POLAR; }

void checkRanges(const lesson::Lesson& l) {
  for (const auto& function : l.functions) {
    if (!function) continue;
    ++exercised.functions;
    if (function->expression.empty() || function->expression.size() > lesson::MAX_EXPRESSION_BYTES)
      fail("expression length");
    if (!widthOk(function->width) || !colourOk(function->colour) || !frameOk(function->frameKind))
      fail("function pen or frame");
  }
  if (l.ringPosition < 0 || l.ringPosition > FunctionRegistry::SLOT_COUNT) fail("ring position");
  if (!frameOk(l.frameShown)) fail("frame shown");
  if (!std::isfinite(l.originX) || !std::isfinite(l.originY) || std::fabs(l.originX) > lesson::MAX_ORIGIN_CM ||
      std::fabs(l.originY) > lesson::MAX_ORIGIN_CM)
    fail("origin");
  if (!(l.unit >= lesson::MIN_UNIT && l.unit <= lesson::MAX_UNIT)) fail("unit");
  if (!(l.precision > 0 && l.precision < 1)) fail("precision");
  if (!widthOk(l.penWidth) || !colourOk(l.penColour)) fail("pen");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(printExercised);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ++exercised.inputs;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const lesson::ParseResult read = lesson::parseLesson(bytes);
  if (read.lesson.has_value() == !read.problem.isEmpty()) fail("a lesson and a problem, or neither");
  if (!read.lesson) return 0;
  ++exercised.accepted;
  checkRanges(*read.lesson);

  const lesson::ParseResult again = lesson::parseLesson(lesson::toJson(*read.lesson));
  if (!again.lesson || !(*again.lesson == *read.lesson)) fail("written back, the lesson reads differently");

  lesson::Lesson fromRegistry = *read.lesson;
  lesson::takeFunctions(lesson::registryOf(*read.lesson), fromRegistry);
  if (!(fromRegistry == *read.lesson)) fail("the registry built from the lesson gives other functions");
  return 0;
}

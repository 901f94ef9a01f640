#include "lesson/lesson.h"

namespace lesson {

void takeFunctions(const FunctionRegistry& registry, Lesson& lesson) {
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    std::optional<Function>& function = lesson.functions[static_cast<std::size_t>(slot - 1)];
    function.reset();
    if (registry.isEmpty(slot)) continue;
    const DecodedEntry entry = registry.decodeEntry(slot);
    if (entry.frameCharacter != "1" && entry.frameCharacter != "0") continue;
    function = Function{entry.expression, entry.frameCharacter == "1" ? FRAME_CARTESIAN : FRAME_POLAR, entry.width,
                        entry.colour};
  }
  lesson.ringPosition = registry.funcLast();
}

FunctionRegistry registryOf(const Lesson& lesson) {
  FunctionRegistry registry;
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    const std::optional<Function>& function = lesson.functions[static_cast<std::size_t>(slot - 1)];
    if (!function) continue;
    registry.writeEntry(slot, function->expression, function->frameKind == FRAME_CARTESIAN ? '1' : '0',
                        function->width, function->colour);
  }
  registry.restoreFuncLast(lesson.ringPosition);
  return registry;
}

}  // namespace lesson

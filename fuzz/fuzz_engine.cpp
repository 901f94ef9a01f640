// libFuzzer target for the expression engine.
//
// Input: the first four bytes are the bit pattern of the variable's value x
// (little-endian single precision, so infinities, NaNs and subnormals come up
// too); the rest is the expression text. Shorter inputs are all text, x = 0.
//
// Checked on every input:
//  - EvaluateExpr returns a finite float or NO_VALUE, never NaN or infinity;
//  - CalculateString sets good exactly when its result is not NO_VALUE, and
//    its result is finite as well;
//  - CompiledExpression gives the same bits and the same flag as
//    CalculateString, and consumes the random sequence the same way;
//  - ReplaceAngleLetter keeps the length and changes only a lowercase e into
//    x, every e except the one that begins "exp(";
//  - where the plain text-splitting reference evaluator of the engine tests is
//    linked in, EvaluateExpr and CalculateString agree with it bit for bit
//    (on texts of modest depth: the reference recurses once per bracket).
// A failure prints the text and x and aborts, so libFuzzer keeps the input.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/engine.h"

#ifdef NORVALE_FUZZ_WITH_REFERENCE
#include "engine/reference_evaluator.h"  // from the engine tests
#endif

namespace {

// What the run has exercised, printed when the fuzzer exits.
struct Exercised {
  std::size_t inputs = 0;
  std::size_t longestText = 0;
  int deepestNesting = 0;
  std::size_t defined = 0;     // CalculateString results that were not NO_VALUE
  std::size_t referenceCompared = 0;
};
Exercised exercised;

void printExercised() {
  std::fprintf(stderr,
               "norvale_fuzz_engine: %zu inputs, longest text %zu bytes, deepest bracket nesting %d, "
               "%zu defined results, %zu compared with the reference\n",
               exercised.inputs, exercised.longestText, exercised.deepestNesting, exercised.defined,
               exercised.referenceCompared);
}

// The reference evaluator recurses once per nesting level and copies each
// part of the text; beyond these it would only measure the stack and time.
constexpr int REFERENCE_MAX_NESTING = 200;
constexpr std::size_t REFERENCE_MAX_LENGTH = 1024;

std::uint32_t bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

[[noreturn]] void fail(const char* what, std::string_view text, float x, float got, float expected) {
  std::fprintf(stderr, "engine invariant broken: %s\n  x bits 0x%08x (%.9g)\n  got %.9g (0x%08x), expected %.9g (0x%08x)\n  text (%zu bytes): \"%.*s\"\n",
               what, bits(x), static_cast<double>(x), static_cast<double>(got), bits(got),
               static_cast<double>(expected), bits(expected), text.size(),
               static_cast<int>(std::min<std::size_t>(text.size(), 2000)), text.data());
  std::abort();
}

// A result is a finite float or NO_VALUE (which is finite too).
void checkResult(const char* what, std::string_view text, float x, float r) {
  if (!std::isfinite(r)) fail(what, text, x, r, NO_VALUE);
}

int deepestNesting(std::string_view text) {
  int depth = 0, deepest = 0;
  for (char c : text) {
    if (c == '(') deepest = std::max(deepest, ++depth);
    if (c == ')') --depth;
  }
  return deepest;
}

bool beginsExpCall(std::string_view text, std::size_t i) {
  return i + 3 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
         (text[i + 2] == 'p' || text[i + 2] == 'P') && text[i + 3] == '(';
}

void checkAngleLetter(std::string_view text) {
  const std::string replaced = ReplaceAngleLetter(text);
  if (replaced.size() != text.size()) fail("ReplaceAngleLetter changed the length", text, 0, 0, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char expected = (text[i] == 'e' && !beginsExpCall(text, i)) ? 'x' : text[i];
    if (replaced[i] != expected) fail("ReplaceAngleLetter changed the wrong letter", text, 0, 0, 0);
  }
}

// CalculateString, the compiled form and the reference agree on text at x.
void checkSubstituted(std::string_view text, float x, bool compareReference) {
  ResetRandomSequence();
  bool good = false;
  const float r = CalculateString(text, good, x);
  checkResult("CalculateString result is not finite", text, x, r);
  if (good != (r != NO_VALUE)) fail("CalculateString flag does not match its result", text, x, r, NO_VALUE);
  if (good) ++exercised.defined;
  const float afterCalculate = NextRandom();

  ResetRandomSequence();
  const CompiledExpression compiled(text);
  bool compiledGood = !good;
  const float c = compiled.evaluate(x, compiledGood);
  if (bits(c) != bits(r) || compiledGood != good)
    fail("compiled expression differs from CalculateString", text, x, c, r);
  if (bits(NextRandom()) != bits(afterCalculate))
    fail("compiled expression used the random sequence differently", text, x, c, r);

#ifdef NORVALE_FUZZ_WITH_REFERENCE
  if (compareReference) {
    ResetRandomSequence();
    bool referenceGood = false;
    const float expected = reference::CalculateString(std::string(text), referenceGood, x);
    if (bits(expected) != bits(r)) fail("CalculateString differs from the reference", text, x, r, expected);
  }
#else
  (void)compareReference;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(printExercised);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  float x = 0;
  if (size >= 4) {
    std::memcpy(&x, data, sizeof x);
    data += 4;
    size -= 4;
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  ++exercised.inputs;
  exercised.longestText = std::max(exercised.longestText, text.size());
  const int nesting = deepestNesting(text);
  exercised.deepestNesting = std::max(exercised.deepestNesting, nesting);
  const bool compareReference = nesting <= REFERENCE_MAX_NESTING && text.size() <= REFERENCE_MAX_LENGTH;
  if (compareReference) ++exercised.referenceCompared;

  ResetRandomSequence();
  const float e = EvaluateExpr(text);
  checkResult("EvaluateExpr result is not finite", text, x, e);
#ifdef NORVALE_FUZZ_WITH_REFERENCE
  if (compareReference) {
    ResetRandomSequence();
    const float expected = reference::EvaluateExpr(std::string(text));
    if (bits(expected) != bits(e)) fail("EvaluateExpr differs from the reference", text, x, e, expected);
  }
#endif

  checkSubstituted(text, x, compareReference);

  checkAngleLetter(text);
  checkSubstituted(ReplaceAngleLetter(text), x, compareReference);
  return 0;
}

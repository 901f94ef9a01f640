#include <array>
#include <atomic>
#include <cmath>

#include "engine/engine.h"
#include "engine/program.h"
#include "engine/variable_value.h"

struct CompiledExpression::Program : engine_detail::Program {};

namespace {

constexpr long kLengthLimit = 32767;

// SplitMix64 from a fixed start: the same sequence in every run.
constexpr std::uint64_t kRandomStart = 0x4E6F7276616C6533ull;
std::atomic<std::uint64_t> randomState{kRandomStart};

// Runs program at x, whose read-back value is value.
inline float EvaluateRead(const engine_detail::Program& program, float x, engine_detail::VariableValue value) {
  if (program.checkLength) {
    const long valueLength = static_cast<long>(VariableText(RoundVariable(x)).size());
    if (program.lengthWithoutValues + valueLength * program.variableCount >= kLengthLimit) return NO_VALUE;
  }
  // Without rnd nothing but the result can be observed, so a value that is no
  // number ends the evaluation at once.
  if (!value.valid && !program.hasRandom) return NO_VALUE;
  return program.run(value.value, value.valid);
}

float Evaluate(const engine_detail::Program& program, float x) {
  if (!program.usesVariable) return program.run(0.0f, true);
  return EvaluateRead(program, x, engine_detail::ReadBackVariable(x));
}

}  // namespace

float NextRandom() {
  const std::uint64_t state = randomState.load(std::memory_order_relaxed) + 0x9E3779B97F4A7C15ull;
  randomState.store(state, std::memory_order_relaxed);
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<float>(z >> 40) * 0x1p-24f;
}

void ResetRandomSequence() { randomState.store(kRandomStart, std::memory_order_relaxed); }

float RoundVariable(float x) {
  return static_cast<float>(std::floor(static_cast<double>(x) * 1e6) / 1e6);
}

float EvaluateExpr(std::string_view text) {
  engine_detail::Program program;
  engine_detail::Compile(text, false, program);
  return program.run(0.0f, true);
}

float CalculateString(std::string_view expr, bool& good, float xxx) {
  // A few recently used texts with their compiled forms, per thread.
  struct Entry {
    std::string text;
    std::shared_ptr<const CompiledExpression> compiled;
  };
  thread_local std::array<Entry, 8> cache;
  thread_local std::size_t nextSlot = 0;
  const CompiledExpression* compiled = nullptr;
  for (const Entry& entry : cache) {
    if (entry.compiled && entry.text == expr) {
      compiled = entry.compiled.get();
      break;
    }
  }
  if (!compiled) {
    Entry& entry = cache[nextSlot];
    nextSlot = (nextSlot + 1) % cache.size();
    entry.text.assign(expr);
    entry.compiled = std::make_shared<const CompiledExpression>(expr);
    compiled = entry.compiled.get();
  }
  return compiled->evaluate(xxx, good);
}

std::string ReplaceAngleLetter(std::string_view expression) {
  std::string text(expression);
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != 'e') continue;
    const bool beginsExp = i + 3 < text.size() && lower(text[i + 1]) == 'x' && lower(text[i + 2]) == 'p' &&
                           text[i + 3] == '(';
    if (!beginsExp) text[i] = 'x';
  }
  return text;
}

CompiledExpression::CompiledExpression(std::string_view expression) {
  auto program = std::make_shared<Program>();
  engine_detail::Compile(expression, true, *program);
  program_ = std::move(program);
}

CompiledExpression::~CompiledExpression() = default;
CompiledExpression::CompiledExpression(const CompiledExpression&) = default;
CompiledExpression& CompiledExpression::operator=(const CompiledExpression&) = default;

float CompiledExpression::evaluate(float x, bool& good) const {
  const float result = Evaluate(*program_, x);
  good = result != NO_VALUE;
  return result;
}

bool CompiledExpression::drawsRandomNumbers() const { return program_->hasRandom; }

CompiledExpression::Argument CompiledExpression::prepare(float x) {
  const engine_detail::VariableValue value = engine_detail::ReadBackVariable(x);
  Argument argument;
  argument.x = x;
  argument.value = value.value;
  argument.valid = value.valid;
  return argument;
}

float CompiledExpression::evaluate(const Argument& argument, bool& good) const {
  const engine_detail::Program& program = *program_;
  float result;
  if (!program.usesVariable) {
    result = program.run(0.0f, true);
  } else {
    engine_detail::VariableValue value;
    value.value = argument.value;
    value.valid = argument.valid;
    result = EvaluateRead(program, argument.x, value);
  }
  good = result != NO_VALUE;
  return result;
}

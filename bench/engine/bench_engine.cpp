// Per-sample cost of the path the plotters use (round x, form its value,
// evaluate the compiled expression) against the plain reference evaluator,
// x sweeping [-16, 16] in steps of 0.01; and the cost of compiling the
// deepest texts the engine accepts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/number_leaf.h"
#include "engine/reference_evaluator.h"
#include "engine/variable_value.h"

namespace {

std::string Nest20() {
  std::string text = "(x*1.01+0.01)";
  for (int i = 1; i < 20; ++i) text = "(" + text + "*1.01+0.01)";
  return text;
}

const std::string& Expression(int index) {
  static const std::string expressions[] = {
      "sin(x)", "x^2-3*x+1", "sqr(abs(x))*exp(-x^2)", "1/(x-1)+tg(x)", "arcsin(x/10)+lg(x^2+1)*cos(3*x)", Nest20(),
  };
  return expressions[index];
}

const std::vector<float>& Sweep() {
  static const std::vector<float> xs = [] {
    std::vector<float> values;
    for (int i = 0; i <= 3200; ++i) values.push_back(static_cast<float>(-16.0 + i * 0.01));
    return values;
  }();
  return xs;
}

void PerSample(benchmark::State& state) {
  state.counters["per_sample"] = benchmark::Counter(static_cast<double>(Sweep().size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
  state.SetLabel(Expression(static_cast<int>(state.range(0))));
}

void Shipped(benchmark::State& state) {
  const CompiledExpression compiled(Expression(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    for (float x : Sweep()) {
      bool good;
      benchmark::DoNotOptimize(compiled.evaluate(x, good));
      benchmark::DoNotOptimize(good);
    }
  }
  PerSample(state);
}

void ThroughCalculateString(benchmark::State& state) {
  const std::string& expr = Expression(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (float x : Sweep()) {
      bool good;
      benchmark::DoNotOptimize(CalculateString(expr, good, x));
      benchmark::DoNotOptimize(good);
    }
  }
  PerSample(state);
}

void Reference(benchmark::State& state) {
  const std::string& expr = Expression(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (float x : Sweep()) {
      bool good;
      benchmark::DoNotOptimize(reference::CalculateString(expr, good, x));
      benchmark::DoNotOptimize(good);
    }
  }
  PerSample(state);
}

// The value of x alone: the exact path without text, and the text round trip
// it replaces.
void VariableWithoutText(benchmark::State& state) {
  for (auto _ : state) {
    for (float x : Sweep()) benchmark::DoNotOptimize(engine_detail::ReadBackVariable(x));
  }
  PerSample(state);
  state.SetLabel("round x, value read back");
}

void VariableThroughText(benchmark::State& state) {
  for (auto _ : state) {
    for (float x : Sweep()) {
      const std::string text = VariableText(RoundVariable(x));
      float value = 0.0f;
      engine_detail::ReadNumberLeaf(std::string_view(text).substr(1), value);
      benchmark::DoNotOptimize(value);
    }
  }
  PerSample(state);
  state.SetLabel("round x, form its text, read it");
}

// The floor under sin(x): the double-precision sine alone, rounded to single.
void SineAlone(benchmark::State& state) {
  for (auto _ : state) {
    for (float x : Sweep()) benchmark::DoNotOptimize(static_cast<float>(std::sin(static_cast<double>(x))));
  }
  PerSample(state);
  state.SetLabel("(float)sin((double)x)");
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

const std::string& WorstText(int index) {
  static const std::string texts[] = {
      Repeat("(", 16383) + Repeat(")", 16383),
      Repeat("sin(", 6000) + "x" + Repeat(")", 6000),
      Repeat("-", 16000) + "x",
      "x" + Repeat("^1", 10000),
      Repeat("x+(", 4000) + "x" + Repeat(")", 4000),
      [] {
        std::mt19937 random(1);
        const char pieces[] = "()+-*/^ x1.5sin(cos(";
        std::string text;
        for (int i = 0; i < 32766; ++i) text += pieces[random() % (sizeof pieces - 1)];
        return text;
      }(),
  };
  return texts[index];
}

void CompileWorst(benchmark::State& state) {
  const std::string& text = WorstText(static_cast<int>(state.range(0)));
  static const char* const names[] = {"16383 brackets", "6000 sin", "16000 signs", "10000 powers",
                                      "4000 nested sums of x", "32766 random characters"};
  state.SetLabel(names[state.range(0)]);
  for (auto _ : state) {
    const CompiledExpression compiled(text);
    bool good;
    benchmark::DoNotOptimize(compiled.evaluate(0.5f, good));
  }
}

}  // namespace

BENCHMARK(Shipped)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(ThroughCalculateString)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(Reference)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(SineAlone)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(VariableWithoutText)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(VariableThroughText)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(CompileWorst)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

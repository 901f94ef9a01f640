// The analysis window's work for a full list over the start view of a
// 1900 x 1000 canvas (x from about -25.1 to 25.1): for 20 functions their
// derivatives, zeros and extrema, and the intersections of all 190 pairs.
// Goal: at most 100 ms for the whole.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analysis/curve_analysis.h"
#include "analysis/derivative.h"

namespace {

// 1900 logical pixels at 96 / 2.54 pixels per centimetre, unit length 1.
constexpr double HALF_WIDTH = 1900 / (96 / 2.54) / 2;

const std::vector<std::string>& Functions() {
  static const std::vector<std::string> functions{
      "sin(x)",        "cos(x)",          "x^2-2",           "x^3-3*x",        "1/x",
      "tg(x)",         "sqr(x)",          "abs(x)-3",        "exp(-x^2)",      "ln(x)",
      "x/2+1",         "sin(2*x)+cos(x)", "x^2/10-5",        "arctg(x)",       "2^x-4",
      "sqr(25-x^2)",   "x*sin(x)",        "1/(x^2+1)",       "lg(abs(x)+1)",   "0.5",
  };
  return functions;
}

struct Totals {
  std::size_t features = 0;
};

Totals AnalyseAll(int intervals) {
  const analysis::SampleGrid grid = analysis::makeGrid(-HALF_WIDTH, HALF_WIDTH, intervals);
  std::vector<analysis::CurveFunction> curves;
  curves.reserve(Functions().size());
  for (const std::string& f : Functions()) curves.emplace_back(f, analysis::derivativeText(f).text, grid);
  Totals totals;
  for (const analysis::CurveFunction& c : curves) totals.features += analysis::analyseFunction(c, grid).size();
  for (std::size_t i = 0; i < curves.size(); ++i)
    for (std::size_t j = i + 1; j < curves.size(); ++j)
      totals.features += analysis::findIntersections(curves[i], curves[j], grid).size();
  return totals;
}

void BM_AnalyseTwentyFunctions(benchmark::State& state) {
  std::size_t features = 0;
  for (auto _ : state) {
    features = AnalyseAll(static_cast<int>(state.range(0))).features;
    benchmark::DoNotOptimize(features);
  }
  state.counters["features"] = static_cast<double>(features);
}
BENCHMARK(BM_AnalyseTwentyFunctions)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

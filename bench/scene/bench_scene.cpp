// One full redraw of the scene (clear, frame, every registered curve) on a
// 1900 x 1000 pixel canvas, as a drag of a marker repeats it on every mouse
// move. Run with --benchmark_repetitions to read the median. The *Aliased
// cases draw without antialiasing; run the program again with QT_SCALE_FACTOR=2
// for the picture at device pixel ratio 2 (each case's label says the ratio).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>
#include <vector>

#include "canvas/canvas_widget.h"
#include "plot/scene.h"

namespace {

const std::vector<std::string> SCHOOL_FUNCTIONS = {
    "sin(x)",      "cos(x)",       "x^2",       "x^3-2*x",          "1/x",
    "sqr(x)",      "abs(x)",       "ln(x)",     "lg(x)",            "exp(x)",
    "tg(x)",       "ctg(x)",       "2*x+1",     "-x/2+3",           "x^2-4*x+3",
    "sin(2*x)+cos(x)", "arctg(x)", "arcsin(x)", "arccos(x)",        "1/(x^2+1)",
};

const std::vector<std::string> POLAR_CURVES = {
    "2",           "e",            "2*sin(e)",  "2*cos(e)",         "1+cos(e)",
    "2*sin(2*e)",  "3*cos(3*e)",   "4*sin(4*e)", "e/2",             "1-sin(e)",
    "2+cos(e)",    "4*cos(2*e)",   "3*sin(5*e)", "1/(1-0.5*cos(e))", "exp(e/20)",
    "2*abs(sin(e))", "sqr(e)",     "3",         "5*sin(3*e)",       "1+2*cos(e)",
};

// Takes every drawing call and draws nothing: what the plotting engine itself costs.
class NullCanvas : public Canvas {
 public:
  void clear() override {}
  void setScale(float, float, float, float) override {}
  void setDrawWidth(int) override {}
  void setDrawStyle(PenStyle) override {}
  void setFillSolid(bool) override {}
  void setFillColor(std::uint32_t) override {}
  void moveTo(float x, float y) override { benchmark::DoNotOptimize(x + y); }
  float currentX() const override { return 0; }
  float currentY() const override { return 0; }
  void lineTo(float x, float y, std::uint32_t) override { benchmark::DoNotOptimize(x + y); }
  void line(float, float, float x2, float y2, std::uint32_t) override { benchmark::DoNotOptimize(x2 + y2); }
  void circle(float cx, float, float, std::uint32_t) override { benchmark::DoNotOptimize(cx); }
  void setTextColor(std::uint32_t) override {}
  void print(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

class NullMessages : public Messages {
 public:
  void show(const std::string&, MessageIcon) override {}
};

struct Setup {
  CanvasWidget canvas;
  ViewState view;
  Pen pen;
  FunctionRegistry registry;
  NullMessages messages;
  PolarAngleTable polarSamples;  // kept between redraws, as the window keeps it

  Setup(std::int16_t frameKind, double unitLength, const std::vector<std::string>& functions,
        bool widthCycle = false, std::int16_t penWidth = 1) {
    canvas.resize(1900, 1000);
    const auto halfWidth = static_cast<float>(CanvasWidget::pixelsToCm(1900) / 2);
    const auto halfHeight = static_cast<float>(CanvasWidget::pixelsToCm(1000) / 2);
    view.canvasLeft = -halfWidth;
    view.canvasRight = halfWidth;
    view.canvasBottom = -halfHeight;
    view.canvasTop = halfHeight;
    view.unitLength = unitLength;
    view.frameKind = frameKind;
    canvas.setScale(view.canvasLeft, view.canvasTop, view.canvasRight, view.canvasBottom);
    const char mark = frameKind == FRAME_CARTESIAN ? '1' : '0';
    std::int16_t width = penWidth;
    std::uint32_t colour = 0x0000C0;
    for (const std::string& f : functions) {
      registry.appendEntry(f, mark, width, colour);
      width = static_cast<std::int16_t>(widthCycle ? width % 3 + 1 : penWidth);
      colour = (colour * 7 + 0x203040) & 0xFFFFFF;
    }
  }
};

// widths: penWidth for every curve (1 is the start-up pen), or 1, 2, 3, 1, ... in turn.
void redraw(benchmark::State& state, std::int16_t frameKind, double unitLength, float precision,
            const std::vector<std::string>& functions, bool mixedWidths = false, std::int16_t penWidth = 1,
            bool antialiased = true) {
  Setup s(frameKind, unitLength, functions, mixedWidths, penWidth);
  s.canvas.setAntialiased(antialiased);
  state.SetLabel("ratio " + std::to_string(s.canvas.devicePixelRatioF()).substr(0, 4));
  const SceneContext scene{s.canvas, s.view, s.pen, s.registry, precision, s.messages, &s.polarSamples};
  for (auto _ : state) {
    redrawScene(ReplotMessages::Drag, scene);
    benchmark::DoNotOptimize(s.canvas.image().constBits());  // ends the painting as a repaint would
  }
}

// The polar scene, aliased, as the first redraw after a change of the curves
// or the precision: no radii kept from an earlier redraw.
void BM_PolarUnit02AliasedFresh(benchmark::State& state) {
  Setup s(FRAME_POLAR, 0.2, POLAR_CURVES);
  s.canvas.setAntialiased(false);
  const SceneContext scene{s.canvas, s.view, s.pen, s.registry, 0.1f, s.messages};
  for (auto _ : state) {
    redrawScene(ReplotMessages::Drag, scene);
    benchmark::DoNotOptimize(s.canvas.image().constBits());
  }
}

// The polar scene, aliased, while the origin marker is dragged: every redraw
// has another origin.
void BM_PolarUnit02AliasedDragOrigin(benchmark::State& state) {
  Setup s(FRAME_POLAR, 0.2, POLAR_CURVES);
  s.canvas.setAntialiased(false);
  const SceneContext scene{s.canvas, s.view, s.pen, s.registry, 0.1f, s.messages, &s.polarSamples};
  int move = 0;
  for (auto _ : state) {
    s.view.markerLeft = -0.1f + 0.05f * static_cast<float>(move % 40);
    s.view.markerTop = 0.1f - 0.03f * static_cast<float>(move % 40);
    ++move;
    redrawScene(ReplotMessages::Drag, scene);
    benchmark::DoNotOptimize(s.canvas.image().constBits());
  }
}

// The same scene without drawing anything: sampling, evaluation and mapping.
void plotOnly(benchmark::State& state, std::int16_t frameKind, double unitLength, float precision,
              const std::vector<std::string>& functions) {
  Setup s(frameKind, unitLength, functions);
  NullCanvas canvas;
  const SceneContext scene{canvas, s.view, s.pen, s.registry, precision, s.messages, &s.polarSamples};
  for (auto _ : state) redrawScene(ReplotMessages::Drag, scene);
}

void BM_CartesianUnit1(benchmark::State& state) { redraw(state, FRAME_CARTESIAN, 1.0, 0.1f, SCHOOL_FUNCTIONS); }
void BM_PolarUnit02(benchmark::State& state) { redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES); }
void BM_CartesianUnit02Fine(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 0.2, 0.01f, SCHOOL_FUNCTIONS);
}
void BM_CartesianUnit1Aliased(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 1.0, 0.1f, SCHOOL_FUNCTIONS, false, 1, false);
}
void BM_PolarUnit02Aliased(benchmark::State& state) {
  redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES, false, 1, false);
}
void BM_CartesianUnit02FineAliased(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 0.2, 0.01f, SCHOOL_FUNCTIONS, false, 1, false);
}
void BM_CartesianUnit1MixedWidthsAliased(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 1.0, 0.1f, SCHOOL_FUNCTIONS, true, 1, false);
}
void BM_PolarUnit02Width3Aliased(benchmark::State& state) {
  redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES, false, 3, false);
}

// The floor of the polar case: the same operations drawn again from the
// canvas's record, with no evaluation and no plotting.
void BM_PolarUnit02DrawOnly(benchmark::State& state) {
  Setup s(FRAME_POLAR, 0.2, POLAR_CURVES);
  s.canvas.setAntialiased(false);
  const SceneContext scene{s.canvas, s.view, s.pen, s.registry, 0.1f, s.messages};
  redrawScene(ReplotMessages::Drag, scene);
  const QRect whole(QPoint(0, 0), s.canvas.size());
  for (auto _ : state) benchmark::DoNotOptimize(s.canvas.renderImage(whole, 1.0).constBits());
}

// The whole canvas with the 20 school functions drawn again at 4x, as an
// export for print does.
void BM_CartesianUnit1Render4x(benchmark::State& state) {
  Setup s(FRAME_CARTESIAN, 1.0, SCHOOL_FUNCTIONS);
  const SceneContext scene{s.canvas, s.view, s.pen, s.registry, 0.1f, s.messages};
  redrawScene(ReplotMessages::Drag, scene);
  const QRect whole(QPoint(0, 0), s.canvas.size());
  for (auto _ : state) benchmark::DoNotOptimize(s.canvas.renderImage(whole, 4.0).constBits());
}

void BM_PolarFrameAloneUnit02(benchmark::State& state) { redraw(state, FRAME_POLAR, 0.2, 0.1f, {}); }

void BM_CartesianUnit1MixedWidths(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 1.0, 0.1f, SCHOOL_FUNCTIONS, true);
}
void BM_PolarUnit02MixedWidths(benchmark::State& state) { redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES, true); }
void BM_PolarUnit02Width2(benchmark::State& state) { redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES, false, 2); }
void BM_PolarUnit02Width3(benchmark::State& state) { redraw(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES, false, 3); }
void BM_CartesianUnit02FineMixedWidths(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 0.2, 0.01f, SCHOOL_FUNCTIONS, true);
}

void BM_CartesianUnit1PlotOnly(benchmark::State& state) {
  plotOnly(state, FRAME_CARTESIAN, 1.0, 0.1f, SCHOOL_FUNCTIONS);
}
void BM_PolarUnit02PlotOnly(benchmark::State& state) { plotOnly(state, FRAME_POLAR, 0.2, 0.1f, POLAR_CURVES); }
void BM_CartesianUnit02FinePlotOnly(benchmark::State& state) {
  plotOnly(state, FRAME_CARTESIAN, 0.2, 0.01f, SCHOOL_FUNCTIONS);
}

// ---- Curves with poles, band crossings and domain edges ----------------------
// Every curve here is refined somewhere: at its poles, where it leaves or
// enters the view and at the edges of its domain.
const std::vector<std::string> BROKEN_CURVES = {
    "tg(x)",       "1/x",        "lg(x)",        "sqr(x)",      "ctg(x)",
    "ln(x)",       "1/(x-1)",    "1/x^2",        "ln(x^2)",     "x^2",
    "exp(x)",      "sqr(4-x^2)", "arcsin(x)",    "1/(x^2-4)",   "tg(2*x)",
    "x^3",         "abs(x)/x",   "lg(abs(x-2))", "1/sin(x)",    "x+1/x",
};

void BM_BrokenCurvesUnit03(benchmark::State& state) { redraw(state, FRAME_CARTESIAN, 0.3, 0.1f, BROKEN_CURVES); }
void BM_BrokenCurvesUnit1(benchmark::State& state) { redraw(state, FRAME_CARTESIAN, 1.0, 0.1f, BROKEN_CURVES); }
void BM_BrokenCurvesUnit03PlotOnly(benchmark::State& state) {
  plotOnly(state, FRAME_CARTESIAN, 0.3, 0.1f, BROKEN_CURVES);
}
// The finest precision the field takes against 0.01, the finest the sweep
// follows as it is.
void BM_BrokenCurvesUnit03Precision001(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 0.3, 0.01f, BROKEN_CURVES);
}
void BM_BrokenCurvesUnit03Precision1e7(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 0.3, 0.0000001f, BROKEN_CURVES);
}
void BM_BrokenCurvesUnit1Precision001(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 1.0, 0.01f, BROKEN_CURVES);
}
void BM_BrokenCurvesUnit1Precision1e7(benchmark::State& state) {
  redraw(state, FRAME_CARTESIAN, 1.0, 0.0000001f, BROKEN_CURVES);
}

}  // namespace

BENCHMARK(BM_BrokenCurvesUnit03)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit03PlotOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit03Precision001)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit03Precision1e7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit1Precision001)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrokenCurvesUnit1Precision1e7)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CartesianUnit1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit02Fine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarFrameAloneUnit02)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit1Aliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02Aliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02AliasedFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02AliasedDragOrigin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit02FineAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit1MixedWidthsAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02Width3Aliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02DrawOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit1Render4x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit1MixedWidths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02MixedWidths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02Width2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02Width3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit02FineMixedWidths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit1PlotOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolarUnit02PlotOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CartesianUnit02FinePlotOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Export of the whole 1900 x 1000 canvas holding 20 school curves: drawn
// again at 4x (and 2x) into an image, and the files the save writes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>
#include <vector>

#include "canvas/canvas_widget.h"
#include "plot/scene.h"
#include "ui/export/canvas_output.h"
#include "ui/export/export_picture.h"

namespace {

const std::vector<std::string> SCHOOL_FUNCTIONS = {
    "sin(x)",          "cos(x)",   "x^2",       "x^3-2*x",   "1/x",      "sqr(x)", "abs(x)",
    "ln(x)",           "lg(x)",    "exp(x)",    "tg(x)",     "ctg(x)",   "2*x+1",  "-x/2+3",
    "x^2-4*x+3",       "sin(2*x)+cos(x)", "arctg(x)", "arcsin(x)", "arccos(x)", "1/(x^2+1)",
};

class NullMessages : public Messages {
 public:
  void show(const std::string&, MessageIcon) override {}
};

struct Scene {
  CanvasWidget canvas;
  ViewState view;
  Pen pen;
  FunctionRegistry registry;
  NullMessages messages;
  ExportPicture source;

  Scene() {
    canvas.resize(1900, 1000);
    const auto halfWidth = static_cast<float>(CanvasWidget::pixelsToCm(1900) / 2);
    const auto halfHeight = static_cast<float>(CanvasWidget::pixelsToCm(1000) / 2);
    view.canvasLeft = -halfWidth;
    view.canvasRight = halfWidth;
    view.canvasBottom = -halfHeight;
    view.canvasTop = halfHeight;
    view.unitLength = 1.0;
    view.frameKind = FRAME_CARTESIAN;
    canvas.setScale(view.canvasLeft, view.canvasTop, view.canvasRight, view.canvasBottom);
    std::uint32_t colour = 0x0000C0;
    std::int16_t width = 1;
    for (const std::string& f : SCHOOL_FUNCTIONS) {
      registry.appendEntry(f, '1', width, colour);
      width = static_cast<std::int16_t>(width % 3 + 1);
      colour = (colour * 7 + 0x203040) & 0xFFFFFF;
    }
    redrawScene(ReplotMessages::Drag, SceneContext{canvas, view, pen, registry, 0.1f, messages});
    const PictureExport::RegionRenderer render = canvasRenderer(canvas);
    source.picture = canvasPictureAtScaleOne(canvas);
    source.draw = [render](QPainter& p, const QRect& part, double scale) { render(p, part, scale); };
    source.image = canvasImageRenderer(canvas);
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_WholeCanvasAt4x(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pictureAtScale(scene().source, 4).constBits());
}
// The same drawn through a painter on a 4x image (the way PDF and print go).
void BM_WholeCanvasAt4xThroughPainter(benchmark::State& state) {
  ExportPicture painterOnly = scene().source;
  painterOnly.image = {};
  for (auto _ : state) benchmark::DoNotOptimize(pictureAtScale(painterOnly, 4).constBits());
}
void BM_WholeCanvasAt2x(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pictureAtScale(scene().source, 2).constBits());
}
void BM_BitmapFileAt4x(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePicture(scene().source, ExportFormat::Bitmap, 4).size());
}
void BM_PngFileAt4x(benchmark::State& state) {
  qsizetype bytes = 0;
  for (auto _ : state) bytes = encodePicture(scene().source, ExportFormat::Png, 4).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
void BM_SvgFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePicture(scene().source, ExportFormat::Svg, 1).size());
}
void BM_PdfFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePicture(scene().source, ExportFormat::Pdf, 1).size());
}

}  // namespace

BENCHMARK(BM_WholeCanvasAt4x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeCanvasAt4xThroughPainter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeCanvasAt2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitmapFileAt4x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngFileAt4x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SvgFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfFile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

#include "plot/scene.h"

#include <memory>

#include "engine/engine.h"
#include "plot/frame.h"
#include "plot/plotters.h"
#include "plot/sweep_ahead.h"

std::string slotMessage(int slot, const char* reason) {
  return "第" + SignedIntegerText(slot) + "个函数" + reason;
}

namespace {

// The values of x that the Cartesian curves of a redraw share, and the
// curves evaluated ahead on a second thread when there are enough of them to
// be worth one. A redraw starts this before it whitens the picture and draws
// the frame, so that the first curves are ready when it comes to them.
struct CartesianSweeps {
  SweepArguments xValues;
  std::unique_ptr<SweepAhead> ahead;  // holds on to xValues' table

  CartesianSweeps(std::int16_t kind, const SceneContext& scene) {
    if (kind != FRAME_CARTESIAN) return;
    std::vector<std::string> expressions;
    for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
      if (scene.registry.isEmpty(slot)) continue;
      DecodedEntry entry = scene.registry.decodeEntry(slot);
      if (entry.frameCharacter == "1") expressions.push_back(std::move(entry.expression));
    }
    const std::span<const SweepArguments::Value> values =
        xValues.forView(scene.precision, scene.view.worldWindow(), scene.view.unitLength);
    if (SweepAhead::worthwhile(values.size(), expressions.size()))
      ahead = std::make_unique<SweepAhead>(values, expressions);
  }
};

ReplotOutcome replot(std::int16_t kind, ReplotMessages messages, const SceneContext& scene,
                     CartesianSweeps& sweeps) {
  const WorldWindow window = scene.view.worldWindow();
  const bool cartesian = kind == FRAME_CARTESIAN;
  const PlotContext context{scene.view.unitLength, scene.pen, scene.messages};
  ReplotOutcome outcome = ReplotOutcome::Completed;
  PolarAngleTable ownAngles;  // the curves of the polar frame share their angles
  PolarAngleTable& angles = scene.polarSamples ? *scene.polarSamples : ownAngles;
  angles.startRedraw();
  SweepArguments& xValues = sweeps.xValues;
  SweepAhead* const ahead = sweeps.ahead.get();
  std::size_t curve = 0;  // of the Cartesian curves drawn so far

  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    if (scene.registry.isEmpty(slot)) continue;
    const DecodedEntry entry = scene.registry.decodeEntry(slot);
    // Every visited entry lends its pen, whichever frame it belongs to; a
    // width outside 1..6 is caught where the pen reaches the canvas.
    scene.pen.lwidth = entry.width;
    scene.pen.lcolor = entry.colour;
    if (entry.frameCharacter != (cartesian ? "1" : "0")) continue;

    std::int16_t code = 0;
    if (cartesian)
      code = drawnorvaleMV(entry.expression, scene.canvas, scene.precision, window, context, xValues,
                           ahead ? ahead->samples(curve++) : std::span<const SweepSample>());
    else
      code = drawnorvale2MV(ReplaceAngleLetter(entry.expression), scene.canvas, scene.precision, window, context,
                            angles);

    if (messages == ReplotMessages::Drag) continue;
    if (code == PLOT_OUT_OF_VIEW) {
      const char* reason =
          messages == ReplotMessages::FrameToggle ? REASON_TOGGLE_OUT_OF_VIEW : REASON_LIST_OUT_OF_VIEW;
      scene.messages.show(slotMessage(slot, reason), MessageIcon::Warning);
    } else if (code == PLOT_UNDEFINED) {
      scene.messages.show(slotMessage(slot, REASON_SYNTAX), MessageIcon::Warning);
      outcome = ReplotOutcome::StoppedOnUndefined;
      break;
    }
  }
  scene.pen.restoreUser();
  return outcome;
}

}  // namespace

ReplotOutcome replotEntries(std::int16_t kind, ReplotMessages messages, const SceneContext& scene) {
  CartesianSweeps sweeps(kind, scene);
  return replot(kind, messages, scene, sweeps);
}

ReplotOutcome redrawScene(ReplotMessages messages, const SceneContext& scene) {
  CartesianSweeps sweeps(scene.view.frameKind, scene);
  scene.canvas.clear();
  scene.canvas.setDrawWidth(1);
  drawCartesianScale(scene.canvas, scene.view);
  drawAxes(scene.canvas, scene.view);
  if (scene.view.frameKind == FRAME_POLAR) drawPolarCircles(scene.canvas, scene.view, false);
  scene.canvas.setDrawWidth(canvasPenWidth(scene.pen.lwidth));
  return replot(scene.view.frameKind, messages, scene, sweeps);
}

ReplotOutcome redrawAfterToggle(const SceneContext& scene) {
  CartesianSweeps sweeps(scene.view.frameKind, scene);
  scene.canvas.clear();
  scene.canvas.setDrawWidth(1);
  if (scene.view.frameKind == FRAME_POLAR) {
    drawPolarCircles(scene.canvas, scene.view, true);
  } else {
    drawCartesianScale(scene.canvas, scene.view);
  }
  drawAxes(scene.canvas, scene.view);
  scene.canvas.setDrawWidth(canvasPenWidth(scene.pen.lwidth));
  return replot(scene.view.frameKind, ReplotMessages::FrameToggle, scene, sweeps);
}

void clearScene(Canvas& canvas, const ViewState& view, const Pen& pen) {
  canvas.clear();
  canvas.setDrawWidth(1);
  if (view.frameKind == FRAME_CARTESIAN) {
    drawCartesianScale(canvas, view);
  } else {
    drawPolarCircles(canvas, view, false);
    drawCartesianScale(canvas, view);
  }
  drawAxes(canvas, view);
  canvas.setDrawWidth(canvasPenWidth(pen.lwidth));
}

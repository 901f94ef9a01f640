// Rebuilding the picture from the registry: the canvas keeps only pixels, so
// whenever the view or the frame changes the whole scene is drawn again —
// clear, frame, then every registered function of the current frame kind
// through the silent plotters, each in its own width and colour. Afterwards
// the pen is the user's choice again.
#pragma once

#include <cstdint>
#include <string>

#include "canvas/canvas.h"
#include "plot/messages.h"
#include "plot/pen.h"
#include "plot/plotters.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"

// Who asked for the re-plot decides how a failing entry is reported.
enum class ReplotMessages {
  FrameToggle,  // out of view: notice, go on; undefined: notice, stop
  ListClose,    // out of view: notice, go on; undefined: notice, stop (the list window stays open)
  Drag,         // no notices; always go on
};

enum class ReplotOutcome {
  Completed,           // every slot was visited
  StoppedOnUndefined,  // an entry gave PLOT_UNDEFINED and the caller's choice stopped the re-plot
};

// Reasons appended to "第 n个函数".
inline constexpr const char* REASON_TOGGLE_OUT_OF_VIEW = "函数表达式语法错误或超出显示范围！";
inline constexpr const char* REASON_LIST_OUT_OF_VIEW = "超出显示范围！";
inline constexpr const char* REASON_SYNTAX = "函数表达式语法错误！";

// "第 n个函数" followed by the reason.
std::string slotMessage(int slot, const char* reason);

struct SceneContext {
  Canvas& canvas;
  const ViewState& view;
  Pen& pen;                          // borrowed per entry, the user's choice restored at the end
  const FunctionRegistry& registry;
  float precision;                   // the precision field's value at the time of the redraw
  Messages& messages;
  // The angles and radii of the polar curves, kept by the owner of the view
  // from one redraw to the next; without one each redraw works them out anew.
  PolarAngleTable* polarSamples = nullptr;
};

// Re-plots the entries of one frame kind (FRAME_CARTESIAN or FRAME_POLAR), in
// slot order, with the world window computed once from the view.
ReplotOutcome replotEntries(std::int16_t kind, ReplotMessages messages, const SceneContext& scene);

// Clear, pen width 1, the frame of view.frameKind (scale and axes, plus the
// unlabelled circles in the polar frame), the pen width of the pen, then the
// re-plot of the current frame kind. Used by the drags and the list window.
ReplotOutcome redrawScene(ReplotMessages messages, const SceneContext& scene);

// The frame toggle's redraw, after view.frameKind was switched: clear, pen
// width 1, the labelled circles and the axes (polar) or the scale and the axes
// (Cartesian), the pen width, then the re-plot with the toggle's notices.
ReplotOutcome redrawAfterToggle(const SceneContext& scene);

// The clear button: clear, pen width 1, the empty frame of the current kind
// (polar: unlabelled circles, scale, axes), then the pen width. No re-plot.
void clearScene(Canvas& canvas, const ViewState& view, const Pen& pen);

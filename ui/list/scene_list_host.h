// The list window's host on the real canvas: the redraw on exit is the scene
// redraw with the list window's notices ("超出显示范围！" goes on,
// "函数表达式语法错误！" stops and keeps the window open).
#pragma once

#include <functional>

#include "canvas/canvas.h"
#include "plot/messages.h"
#include "plot/pen.h"
#include "plot/view_state.h"
#include "registry/function_registry.h"
#include "ui/list/list_window_host.h"

class SceneListHost : public ListWindowHost {
 public:
  // precision is asked at every redraw: the drawing precision is the
  // precision field's value at that moment. afterRedraw, if set, runs after
  // every redraw (for example to repaint the canvas widget).
  SceneListHost(Canvas& canvas, const ViewState& view, Pen& pen, const FunctionRegistry& registry,
                Messages& messages, std::function<float()> precision, std::function<void()> afterRedraw = {});

  std::int16_t currentFrameKind() const override { return view_.frameKind; }
  const Pen& pen() const override { return pen_; }
  ListRedrawResult redrawOnListExit() override;

 private:
  Canvas& canvas_;
  const ViewState& view_;
  Pen& pen_;
  const FunctionRegistry& registry_;
  Messages& messages_;
  std::function<float()> precision_;
  std::function<void()> afterRedraw_;
};

#include "ui/list/scene_list_host.h"

#include <utility>

#include "plot/plotters.h"
#include "plot/scene.h"

SceneListHost::SceneListHost(Canvas& canvas, const ViewState& view, Pen& pen, const FunctionRegistry& registry,
                             Messages& messages, std::function<float()> precision, std::function<void()> afterRedraw)
    : canvas_(canvas),
      view_(view),
      pen_(pen),
      registry_(registry),
      messages_(messages),
      precision_(std::move(precision)),
      afterRedraw_(std::move(afterRedraw)) {}

ListRedrawResult SceneListHost::redrawOnListExit() {
  const SceneContext scene{canvas_, view_, pen_, registry_, precision_ ? precision_() : DEFAULT_PRECISION, messages_};
  const ReplotOutcome outcome = redrawScene(ReplotMessages::ListClose, scene);
  if (afterRedraw_) afterRedraw_();
  return outcome == ReplotOutcome::StoppedOnUndefined ? ListRedrawResult::StoppedAtMalformedEntry
                                                      : ListRedrawResult::Complete;
}

// The curve plotters. drawnorvale draws y = f(x) across the visible width;
// drawnorvale2 draws r = f(t) for t from 0 up to an angle limit (the
// expression already in x, see ReplaceAngleLetter). The MV forms are the
// silent re-plot forms used by every redraw of the scene: they never show a
// message, while drawnorvale and drawnorvale2 tell the user about result codes
// 1 and 2 through the message sink.
//
// Parameters, in order: the expression, the canvas, the drawing precision Jd
// (canvas centimetres between samples; for the polar forms the angle step in
// radians), the world window Tx1, Tx2 (x of the left and right edges), Ty1, Ty2
// (y of the bottom and top edges), the origin x0, y0 on the canvas, the result
// code II, and the context: the unit length, the pen the curve is drawn with
// and the message sink.
#pragma once

#include <cstdint>
#include <string>

#include <vector>

#include "canvas/canvas.h"
#include "engine/engine.h"
#include "plot/messages.h"
#include "plot/pen.h"
#include "plot/view_state.h"

// Result codes.
inline constexpr std::int16_t PLOT_OUT_OF_VIEW = 1;  // some sample defined, none in the visible band
inline constexpr std::int16_t PLOT_UNDEFINED = 2;    // no sample defined (every malformed expression)
inline constexpr std::int16_t PLOT_OK = 3;           // at least one sample in the visible band

// Angle limits of the polar sweep, divided by the unit length: 50 pi for the
// draw command, 60 pi for a redraw.
inline constexpr double POLAR_DRAW_ANGLE = 157.0796327;
inline constexpr double POLAR_REDRAW_ANGLE = 188.49555924;

// One sweep evaluates at most this many samples (or angles). A finer precision
// over a wider view would take minutes; beyond this count the step is
// enlarged so that the sweep still covers the whole range in this many samples.
inline constexpr std::int64_t MAX_SAMPLES_PER_SWEEP = 4'000'000;

// The entry and exit searches try at most this many candidates x -/+ h/k. The
// last one lies within h/1000 of the sample, less than Jd/2000 centimetres on
// the canvas (under a fiftieth of a pixel), so stopping there cannot change
// the picture visibly. When no defined candidate turns up, the entry search
// moves the pen to the sample and the exit search draws nothing, as when a
// search finds nothing.
inline constexpr int MAX_SEARCH_CANDIDATES = 1000;

// The precision used when the one handed in is not a positive number (the
// precision field can hold 0 or a negative number while it is being edited);
// the field itself falls back to the same value.
inline constexpr float DEFAULT_PRECISION = 0.1f;

// The user's notices for codes 1 and 2 (title "提示", warning icon).
inline constexpr const char* MESSAGE_OUT_OF_VIEW = "函数表达式语法错误或超出显示范围！";
inline constexpr const char* MESSAGE_UNDEFINED = "函数表达式语法错误或定义域不在显示范围内！";

struct PlotContext {
  double unitLength;   // canvas centimetres per world unit
  const Pen& pen;      // lwidth and lcolor of the curve
  Messages& messages;  // only the non-MV forms use it
};

// The angles of a polar sweep, t = 0, step, 2 step, ... while t <= tMax, each
// with its cosine, its sine and the angle as the evaluator reads it. Every
// curve of one redraw sweeps the same angles, so the redraw lends one table to
// all of them and the angles are worked out once instead of once per curve.
class PolarAngleTable {
 public:
  struct Angle {
    double cosine;
    double sine;
    CompiledExpression::Argument argument;
  };
  // A sweep with more angles than this works them out as it goes instead of
  // holding them all (about 8 MB at the limit).
  static constexpr double MAX_ANGLES = 1 << 18;

  // The angles of the sweep with this step and limit, worked out unless they
  // are held already; empty when there would be more than MAX_ANGLES.
  const std::vector<Angle>& angles(double step, double tMax);

 private:
  bool held_ = false;
  double step_ = 0;
  double tMax_ = 0;
  std::vector<Angle> angles_;
};

void drawnorvale(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                 float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context);
void drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                   float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context);
void drawnorvale2(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                  float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context);
void drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, float Tx1, float Tx2, float Ty1,
                    float Ty2, float x0, float y0, std::int16_t& II, const PlotContext& context);

// The same with the world window in one piece; they return the result code.
std::int16_t drawnorvale(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                         const PlotContext& context);
std::int16_t drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                           const PlotContext& context);
std::int16_t drawnorvale2(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                          const PlotContext& context);
std::int16_t drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                            const PlotContext& context);
// The same, taking the angles from a table shared by the curves of one redraw.
std::int16_t drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                            const PlotContext& context, PolarAngleTable& angles);

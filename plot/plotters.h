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

#include <span>
#include <unordered_map>
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

// Canvas centimetres per logical pixel (96 pixels to the inch).
inline constexpr double PIXEL_CM = 2.54 / 96.0;

// Samples are never closer on the canvas than a quarter of a pixel, whatever
// the precision field holds: the canvas rounds the ends of every segment to
// whole pixels, so a sample nearer than that to its neighbour cannot move the
// picture, and what changes faster (a pole, a domain edge) is found by the
// refinement below. A quarter leaves every precision from 0.01 (0.38 pixel)
// up with the sweep it always had, and a finer one costs at most about 1.5
// times the samples of 0.01. In the polar plotter the step is the angle that
// moves the point farthest from the pole that the canvas shows by a quarter
// of a pixel.
inline constexpr double MIN_SAMPLE_SPACING_CM = PIXEL_CM / 4;

// The refinement between two samples (see curve_refiner.h).
// Two samples in band are checked for a pole or a jump between them when the
// second difference with the sample before them, or with the sample after
// them, bends by more than a pixel: a smooth curve sampled every 0.1 cm bends
// far less (sin(x) at unit length 1 by 0.4 pixel), while a pole or a jump
// bends by about its height. Looking at both sides catches the pole that
// continues the trend on one side (tg(x)^2 rising into it from the left and
// still high on its right).
inline constexpr double SUSPECT_BEND_CM = PIXEL_CM;
// ... and by more than half the longer of the two steps, a turn of about 30
// degrees: a pole or a jump bends by about a whole step or more, a smooth
// curve sampled finely enough to look smooth turns less.
inline constexpr double SUSPECT_TURN = 0.5;
// Polar curves of school mathematics (roses, limacons, spirals) turn fast
// between two angles, so a pole is looked for only where the curve turns
// back: a pole in r throws the point to the far side of the pole, and the
// bend then exceeds the longer step.
inline constexpr double SUSPECT_TURN_POLAR = 0.9;
// The point halfway lying within two pixels of the chord shows a continuous
// piece: a smooth curve lies within an eighth of its bend of the chord, and a
// pole puts the point halfway out of the band or far from the chord. (One
// pixel finds nothing more in the tests and costs a fifth more evaluations
// on the steep flanks next to poles.)
inline constexpr double CHORD_TOLERANCE_CM = 2 * PIXEL_CM;
// Points of one search for an edge: the point halfway also counts as on the
// chord when it lies within the tolerance of the chord's line and at least
// this share of the chord's length from either end (a jump puts it at one end).
inline constexpr double CHORD_INNER_SHARE = 0.125;
// An interval narrower than an eighth of a pixel cannot show a pole as a gap;
// there only the height of a jump decides (it does not shrink when the
// interval is halved, where a continuous curve settles within a pixel).
inline constexpr double REFINE_FLOOR_CM = PIXEL_CM / 8;
// The in-band points a search for an edge finds on its way, less than a
// step apart, are joined directly when they lie at most this far apart, else
// checked as above: a pole between them would need a second branch across
// the band within the same step.
inline constexpr double NEAR_CM = 16 * PIXEL_CM;
// Below the floor, a piece whose smaller half carries at least this share of
// the larger half's change is steep, not a jump: near a pole that is not
// crossed, the half nearer the pole changes by at most 1 + w / d times the
// other (w the width, d the distance to the pole), which the floor keeps
// below 2 wherever the curve is in band; a jump puts all its height in one.
inline constexpr double SETTLE_SHARE = 0.125;
// Two ends within a pixel of each other have settled.
inline constexpr double SETTLED_CM = PIXEL_CM;
// Halvings of one search: from a step of a whole centimetre down to the
// resolution of single precision takes fewer than 50.
inline constexpr int MAX_HALVINGS = 64;
// Evaluations between two neighbouring samples at most. A pole costs a few
// dozen (about 20 per side found, plus the checks of the points on the way);
// a function that jumps everywhere (rnd) is joined as the sweep alone would
// join it once this is spent.
inline constexpr int MAX_REFINE_EVALUATIONS = 256;

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
// with its cosine, its sine and the angle as the evaluator reads it, and the
// radii of the curves at those angles. Every curve of one redraw sweeps the
// same angles, so a redraw lends one table to all of them. A table that
// outlives the redraw (the window keeps one) also keeps the radii: the next
// redraw with the same step sweeps the same angles again, whatever the origin
// and, up to the angles already held, whatever the unit, so dragging a marker
// in the polar frame evaluates each curve once instead of on every move.
class PolarAngleTable {
 public:
  struct Angle {
    double t;
    double cosine;
    double sine;
    CompiledExpression::Argument argument;
  };
  struct Radius {
    float r;
    bool defined;
  };
  // A sweep with more angles than this works them out as it goes instead of
  // holding them all (about 10 MB at the limit).
  static constexpr double MAX_ANGLES = 1 << 18;

  // The angles of the sweep with this step and limit, worked out unless they
  // are held already; empty when there would be more than MAX_ANGLES.
  std::span<const Angle> angles(double step, double tMax);

  // The radii of the expression at the first `count` angles of the step last
  // asked for, evaluated where not held yet. Empty for an expression that
  // draws random numbers: each of its evaluations must happen in turn.
  std::span<const Radius> radii(const std::string& expression, const CompiledExpression& f, std::size_t count);

  // A redraw begins: the radii of curves the last redraw did not draw are let go.
  void startRedraw();

 private:
  struct Curve {
    std::vector<Radius> radii;
    bool used = true;
  };
  double step_ = -1;
  bool complete_ = false;  // the step cannot move t any further
  std::vector<Angle> angles_;
  std::unordered_map<std::string, Curve> curves_;
};

// The values of x of a Cartesian sweep, x = from, from + step, ... while
// x <= to, each as the evaluator reads it. Every curve of one redraw sweeps
// the same values, so the redraw lends one table to all of them and each
// value is read back once instead of once per curve.
class SweepArguments {
 public:
  struct Value {
    double x;
    CompiledExpression::Argument argument;
  };
  // A sweep with more values than this works them out as it goes.
  static constexpr double MAX_VALUES = 1 << 18;

  // The values of the sweep, worked out unless held already; empty when there
  // would be more than MAX_VALUES.
  std::span<const Value> over(double from, double step, double to);
  // The values the Cartesian sweep of this view takes at this precision.
  std::span<const Value> forView(float Jd, const WorldWindow& window, double unitLength);

 private:
  double from_ = 0, step_ = -1, to_ = 0;
  std::vector<Value> values_;
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
// The same, taking the values of x from a table shared by the curves of one
// redraw, and, when given (one for each of those values), the curve's values
// evaluated beforehand.
struct SweepSample {
  float y;
  bool defined;
};
std::int16_t drawnorvaleMV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                           const PlotContext& context, SweepArguments& arguments,
                           std::span<const SweepSample> samples = {});
// The same, taking the angles from a table shared by the curves of one redraw.
std::int16_t drawnorvale2MV(const std::string& fgExppression, Canvas& Board, float Jd, const WorldWindow& window,
                            const PlotContext& context, PolarAngleTable& angles);

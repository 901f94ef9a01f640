// The Cartesian curves of one redraw evaluated ahead on a second thread. The
// redraw draws its curves one after another; while it draws one (walking its
// samples, refining, laying the segments), the thread evaluates the sweeps of
// the curves after it, and the redraw, when it finds the next curve not begun
// yet, evaluates that one itself, or one from the end while the thread is
// still at it. Every value is the evaluator's own for the same x, so the
// picture and the operations are those of evaluating in turn.
//
// Curves that draw random numbers are not evaluated ahead: the sequence must
// advance in the order the redraw evaluates them, between the refinements of
// the curves before them.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "plot/plotters.h"

class SweepAhead {
 public:
  // Starts on the sweep values and expressions (one for each curve, in the
  // order they are drawn). The values must outlive this.
  SweepAhead(std::span<const SweepArguments::Value> values, const std::vector<std::string>& expressions);
  // Stops the thread (a redraw may end early) and waits for it.
  ~SweepAhead();
  SweepAhead(const SweepAhead&) = delete;
  SweepAhead& operator=(const SweepAhead&) = delete;

  // The samples of curve i, one for each sweep value; empty for a curve that
  // draws random numbers (or that there was no memory to hold).
  std::span<const SweepSample> samples(std::size_t i);

  // Worth a thread: enough evaluations to outweigh starting one (tens of
  // microseconds), and not so many held at once that memory would suffer.
  static bool worthwhile(std::size_t values, std::size_t curves);

 private:
  enum State : int { Waiting, Evaluating, Ready, Skipped };
  struct Curve {
    explicit Curve(const std::string& expression) : f(expression) {}
    CompiledExpression f;
    std::vector<SweepSample> samples;
    std::atomic<int> state{Waiting};
  };
  bool claim(Curve& curve);
  void evaluate(Curve& curve);
  void runAhead();

  std::span<const SweepArguments::Value> values_;
  std::vector<std::unique_ptr<Curve>> curves_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

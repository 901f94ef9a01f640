#include "plot/sweep_ahead.h"

#include <new>
#include <system_error>

SweepAhead::SweepAhead(std::span<const SweepArguments::Value> values, const std::vector<std::string>& expressions)
    : values_(values) {
  curves_.reserve(expressions.size());
  for (const std::string& expression : expressions) {
    curves_.push_back(std::make_unique<Curve>(expression));
    if (curves_.back()->f.drawsRandomNumbers()) curves_.back()->state.store(Skipped, std::memory_order_relaxed);
  }
  try {
    thread_ = std::thread([this] { runAhead(); });
  } catch (const std::system_error&) {
    // No thread to be had: every curve is evaluated when it is drawn.
  }
}

SweepAhead::~SweepAhead() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

bool SweepAhead::worthwhile(std::size_t values, std::size_t curves) {
  constexpr std::size_t FEWEST = 4096, MOST = std::size_t{1} << 21;  // 16 MB of samples
  return curves >= 2 && values * curves >= FEWEST && values * curves <= MOST;
}

bool SweepAhead::claim(Curve& curve) {
  int expected = Waiting;
  return curve.state.compare_exchange_strong(expected, Evaluating, std::memory_order_acquire);
}

void SweepAhead::evaluate(Curve& curve) {
  try {
    curve.samples.resize(values_.size());
  } catch (const std::bad_alloc&) {
    // The curve is evaluated as it is drawn, as without this.
    curve.state.store(Skipped, std::memory_order_release);
    curve.state.notify_all();
    return;
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    bool ok = false;
    const float y = curve.f.evaluate(values_[i].argument, ok);
    curve.samples[i] = {y, ok};
  }
  curve.state.store(Ready, std::memory_order_release);
  curve.state.notify_all();
}

// The thread takes the curves from the first on, in the order they are drawn.
void SweepAhead::runAhead() {
  for (const auto& curve : curves_) {
    if (stop_.load(std::memory_order_relaxed)) return;
    if (claim(*curve)) evaluate(*curve);
  }
}

std::span<const SweepSample> SweepAhead::samples(std::size_t i) {
  if (i >= curves_.size()) return {};
  Curve& wanted = *curves_[i];
  if (claim(wanted)) evaluate(wanted);
  // While the thread evaluates the wanted curve, the redraw takes the last
  // curve nobody has begun.
  for (std::size_t j = curves_.size(); j > i + 1 && wanted.state.load(std::memory_order_acquire) == Evaluating;) {
    --j;
    if (claim(*curves_[j])) evaluate(*curves_[j]);
  }
  for (int state = wanted.state.load(std::memory_order_acquire); state == Evaluating;
       state = wanted.state.load(std::memory_order_acquire))
    wanted.state.wait(Evaluating, std::memory_order_acquire);
  if (wanted.state.load(std::memory_order_acquire) == Skipped) return {};
  return wanted.samples;
}

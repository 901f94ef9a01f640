// Shared pieces of the plotting tests: a compact path notation for what a
// plotter drew, and a canvas that only counts.
#pragma once

#include <QtTest>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "canvas/recording_canvas.h"

Q_DECLARE_METATYPE(std::string)

// One pen operation: a move ("M x y") or a segment ("S x1 y1 x2 y2").
struct PathStep {
  char kind = 'M';
  std::vector<double> v;
};

inline std::vector<PathStep> parsePath(const std::string& text) {
  std::vector<PathStep> steps;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ';')) {
    std::istringstream part(item);
    PathStep step;
    if (!(part >> step.kind)) continue;
    double value = 0;
    while (part >> value) step.v.push_back(value);
    steps.push_back(step);
  }
  return steps;
}

// The moves and segments a recording canvas received, in order.
inline std::vector<PathStep> recordedPath(const RecordingCanvas& canvas) {
  std::vector<PathStep> steps;
  for (const CanvasOp& op : canvas.ops()) {
    if (op.kind == CanvasOp::Kind::MoveTo) steps.push_back({'M', {op.a, op.b}});
    if (op.kind == CanvasOp::Kind::Segment) steps.push_back({'S', {op.a, op.b, op.c, op.d}});
  }
  return steps;
}

inline std::string pathText(const std::vector<PathStep>& steps) {
  std::ostringstream out;
  for (const PathStep& step : steps) {
    out << step.kind;
    for (double value : step.v) out << ' ' << value;
    out << "; ";
  }
  return out.str();
}

// Compares two paths point by point, to single precision.
inline bool samePath(const std::vector<PathStep>& actual, const std::vector<PathStep>& expected) {
  if (actual.size() != expected.size()) return false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i].kind != expected[i].kind || actual[i].v.size() != expected[i].v.size()) return false;
    for (std::size_t j = 0; j < actual[i].v.size(); ++j) {
      const double a = actual[i].v[j];
      const double e = expected[i].v[j];
      if (std::fabs(a - e) > 1e-5 * std::max(1.0, std::fabs(e))) return false;
    }
  }
  return true;
}

#define COMPARE_PATH(canvas, expectedText)                                                        \
  do {                                                                                            \
    const auto actualPath_ = recordedPath(canvas);                                                \
    QVERIFY2(samePath(actualPath_, parsePath(expectedText)),                                      \
             qPrintable(QString("drawn: %1\nwanted: %2")                                          \
                            .arg(QString::fromStdString(pathText(actualPath_)),                   \
                                 QString::fromStdString(expectedText))));                         \
  } while (0)

// Counts pen operations without keeping them, for sweeps of millions of samples.
class CountingCanvas : public Canvas {
 public:
  void clear() override {}
  void setScale(float, float, float, float) override {}
  void setDrawWidth(int pixels) override { width = pixels; }
  void setDrawStyle(PenStyle) override {}
  void setFillSolid(bool) override {}
  void setFillColor(std::uint32_t) override {}
  void moveTo(float x, float y) override {
    ++moves;
    curX = x;
    curY = y;
  }
  float currentX() const override { return curX; }
  float currentY() const override { return curY; }
  void lineTo(float x, float y, std::uint32_t) override {
    ++segments;
    curX = x;
    curY = y;
  }
  void line(float, float, float x2, float y2, std::uint32_t) override {
    ++segments;
    curX = x2;
    curY = y2;
  }
  void circle(float, float, float, std::uint32_t) override {}
  void setTextColor(std::uint32_t) override {}
  void print(std::string_view) override {}

  std::int64_t moves = 0;
  std::int64_t segments = 0;
  int width = 0;
  float curX = 0, curY = 0;
};

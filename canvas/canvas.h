// The drawing surface the plotting engine draws on. Positions are canvas
// units (centimetres unless the coordinate system says otherwise) in the user
// coordinate system set by setScale; y grows upwards when top > bottom.
// Colours are 32-bit RGB integers with red in the low byte, then green, then blue.
#pragma once

#include <cstdint>
#include <string_view>

enum class PenStyle { Solid, Dotted };

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Erases the drawing (not the overlay items) to the background colour.
  virtual void clear() = 0;

  // The user coordinate system: (left, top) is the upper-left corner of the
  // drawing, (right, bottom) the lower-right one.
  virtual void setScale(float left, float top, float right, float bottom) = 0;

  // Pen width in pixels (values below 1 draw as 1).
  virtual void setDrawWidth(int pixels) = 0;
  virtual void setDrawStyle(PenStyle style) = 0;
  // Whether circles are filled (in the fill colour) or only outlined.
  virtual void setFillSolid(bool solid) = 0;
  virtual void setFillColor(std::uint32_t colour) = 0;

  // The current point, shared by lines and text.
  virtual void moveTo(float x, float y) = 0;
  virtual float currentX() const = 0;
  virtual float currentY() const = 0;

  // A segment from the current point to (x, y); the current point moves there.
  virtual void lineTo(float x, float y, std::uint32_t colour) = 0;
  // A segment between two points; the current point moves to (x2, y2).
  virtual void line(float x1, float y1, float x2, float y2, std::uint32_t colour) = 0;
  // A circle outline in colour, filled as setFillSolid says; radius in canvas units
  // along x.
  virtual void circle(float cx, float cy, float radius, std::uint32_t colour) = 0;

  virtual void setTextColor(std::uint32_t colour) = 0;
  // Prints text with its upper-left corner at the current point; the current
  // point moves to the start of the next line.
  virtual void print(std::string_view utf8Text) = 0;
};

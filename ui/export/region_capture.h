// Capturing the picture to save: the selected rectangle of the canvas, or the
// whole canvas when nothing is selected.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class QClipboard;
class WriteLayer;

// The two corners of the selection rectangle in canvas units (centimetres,
// y upwards): the anchor (ax, ay) and the opposite corner (px, py).
struct SelectionCorners {
  float ax = 0, ay = 0, px = 0, py = 0;
};

// Canvas distances in centimetres to whole pixels, rounded to the nearest
// 16-bit integer with ties to even; nothing when the result does not fit.
std::optional<std::int16_t> horizontalPixels(double cm);
std::optional<std::int16_t> verticalPixels(double cm);

// The selection as a pixel rectangle of the canvas picture, whose upper-left
// corner is (-|canvasRight|, |canvasTop|) in canvas units. Nothing when a side
// does not fit in 16 bits. The rectangle is not cut to the picture.
std::optional<QRect> selectionPixels(const SelectionCorners& sel, float canvasRight, float canvasTop);

struct CaptureRequest {
  QImage canvasImage;  // the persistent picture of the canvas
  std::optional<SelectionCorners> selection;
  float canvasRight = 0;
  float canvasTop = 0;
  // temp.bmp goes beside the program when no other user can write that
  // folder, otherwise into the private folder (0700, the user's own); never
  // into a folder others can write.
  QString programFolder;
  QString privateFolder;
  QClipboard* clipboard = nullptr;  // receives the selected region (may be null)
  WriteLayer* writer = nullptr;     // writes temp.bmp (a plain layer when null)
};

struct CaptureResult {
  QImage picture;       // the picture to save; null when the capture failed
  QRect region;         // where the picture lies on the canvas, in its pixels
  QString tempPath;     // where temp.bmp was written; empty when nowhere
  std::string problem;  // the notice for the user when the capture failed
};

inline constexpr const char* TEMP_BITMAP_NAME = "temp.bmp";
// Told to the user when the selected rectangle holds no pixel of the canvas.
inline constexpr const char* SELECTION_ERROR_TEXT = "选择区域错误!";

CaptureResult captureRegion(const CaptureRequest& request);

// The picture encoded as a bitmap file.
QByteArray bitmapBytes(const QImage& picture);

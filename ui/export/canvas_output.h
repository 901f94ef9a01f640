// Copy and print of the canvas: the selection, or the whole canvas when no
// selection is shown, drawn again through the canvas at the resolution each
// target needs. Also the two links between the canvas and the save command:
// the picture at scale 1 and the way to draw a region again.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <optional>

#include "ui/export/picture_export.h"
#include "ui/export/region_capture.h"

class CanvasWidget;
class Messages;
class QClipboard;
class QPrinter;
class QWidget;

// The picture at one logical pixel per pixel (38 pixels per canvas unit) as
// the screen shows it at device pixel ratio 1: the canvas's own picture when
// it is exactly that (aliased, ratio 1), otherwise drawn again at that size.
QImage canvasPictureAtScaleOne(CanvasWidget& canvas);
// Draws a region of the canvas again, in the canvas's antialiasing mode,
// onto any painter, or into a new image.
PictureExport::RegionRenderer canvasRenderer(const CanvasWidget& canvas);
PictureExport::RegionImageRenderer canvasImageRenderer(const CanvasWidget& canvas);

// Logical pixels per printed inch: a canvas centimetre is a centimetre on paper.
inline constexpr double LOGICAL_PIXELS_PER_INCH = 96.0;

// The parts of a region that go on the pages, row by row, when one page
// shows pageSize logical pixels. At least one part for a non-empty region.
QList<QRect> pageParts(const QRect& region, QSizeF pageSize);

class CanvasOutput {
 public:
  static constexpr double COPY_SCALE = 2.0;
  // Shows the platform's print dialog; false when the user cancels.
  using PrintDialog = std::function<bool(QPrinter& printer)>;
  // The selection's corners when one is shown.
  using SelectionSource = std::function<std::optional<SelectionCorners>()>;

  CanvasOutput(CanvasWidget& canvas, Messages& messages, SelectionSource selection, QWidget* dialogParent);

  void setClipboard(QClipboard* clipboard) { clipboard_ = clipboard; }
  void setPrintDialog(PrintDialog dialog) { printDialog_ = std::move(dialog); }

  // Ctrl+C and Ctrl+P on the window; in a text field with selected text,
  // Ctrl+C still copies the text.
  void installShortcuts(QWidget& window);

  // The region at twice the screen size on the clipboard.
  bool copy();
  // The region at true size through the print dialog, over as many pages
  // as it needs. False when nothing was printed.
  bool print();
  // Prints on a printer set up already (no dialog).
  bool printOn(QPrinter& printer, const QRect& region);

  // The canvas pixels to output; nothing (after the notice) when the
  // selection holds no pixel of the canvas.
  std::optional<QRect> region();

 private:
  CanvasWidget& canvas_;
  Messages& messages_;
  SelectionSource selection_;
  QWidget* dialogParent_;
  QClipboard* clipboard_;
  PrintDialog printDialog_;
};

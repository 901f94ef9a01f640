#include "ui/export/region_capture.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/export/write_layer.h"

namespace {

// The screen the pictures were made for: 997 x 629 pixels over
// 26.37898 x 16.64231 cm, i.e. 96 pixels per inch both ways.
constexpr double PIXELS_WIDE = 997.0;
constexpr double CM_WIDE = 26.37898;
constexpr double PIXELS_HIGH = 629.0;
constexpr double CM_HIGH = 16.64231;

std::optional<std::int16_t> toInt16(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double r = std::nearbyint(v);  // the default rounding: ties to even
  if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(r);
}

QString writeTemporaryBitmap(const CaptureRequest& req, const QByteArray& bytes) {
  WriteLayer plain;
  WriteLayer& writer = req.writer ? *req.writer : plain;
  for (const QString& folder : {req.programFolder, req.privateFolder}) {
    if (!WriteLayer::isPrivateFolder(folder)) continue;
    const QString path = folder + QLatin1Char('/') + QLatin1String(TEMP_BITMAP_NAME);
    if (writer.writePrivateFile(path, bytes)) return path;
  }
  return {};
}

}  // namespace

std::optional<std::int16_t> horizontalPixels(double cm) { return toInt16(cm * PIXELS_WIDE / CM_WIDE); }
std::optional<std::int16_t> verticalPixels(double cm) { return toInt16(cm * PIXELS_HIGH / CM_HIGH); }

std::optional<QRect> selectionPixels(const SelectionCorners& sel, float canvasRight, float canvasTop) {
  // Distances from the canvas's left and top edges, in single precision.
  const float left = std::min(sel.ax, sel.px) + std::fabs(canvasRight);
  const float top = std::fabs(canvasTop) - std::max(sel.ay, sel.py);
  const float width = std::fabs(sel.px - sel.ax);
  const float height = std::fabs(sel.py - sel.ay);
  const auto x = horizontalPixels(left);
  const auto y = verticalPixels(top);
  const auto h = verticalPixels(height);
  const auto w = horizontalPixels(width);
  if (!x || !y || !h || !w) return std::nullopt;
  return QRect(*x, *y, *w, *h);
}

QByteArray bitmapBytes(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "BMP")) return {};
  return bytes;
}

CaptureResult captureRegion(const CaptureRequest& req) {
  CaptureResult result;
  if (req.selection && req.clipboard) req.clipboard->clear();

  // The whole canvas goes to temp.bmp and is read back from there; when the
  // file cannot be written or read, the canvas's own picture is used.
  QImage whole = req.canvasImage;
  result.tempPath = writeTemporaryBitmap(req, bitmapBytes(req.canvasImage));
  if (!result.tempPath.isEmpty()) {
    QImage reread(result.tempPath, "BMP");
    if (!reread.isNull() && reread.size() == req.canvasImage.size()) whole = reread;
  }
  if (whole.isNull()) {
    result.problem = SELECTION_ERROR_TEXT;
    return result;
  }

  if (!req.selection) {
    result.picture = whole;
    result.region = whole.rect();
    return result;
  }

  // The selected rectangle, cut to what the canvas has.
  const auto rect = selectionPixels(*req.selection, req.canvasRight, req.canvasTop);
  const QRect clip = rect ? rect->intersected(whole.rect()) : QRect();
  if (clip.isEmpty()) {
    result.problem = SELECTION_ERROR_TEXT;
    return result;
  }
  result.picture = whole.copy(clip);
  result.region = clip;
  if (req.clipboard) req.clipboard->setImage(result.picture);
  return result;
}

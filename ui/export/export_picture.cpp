#include "ui/export/export_picture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

// Logical pixels per inch: 96, the screen the pictures were made for.
constexpr double LOGICAL_DPI = 96.0;
// The PDF's device resolution: fine enough that positions rounded to it
// never show.
constexpr int PDF_DPI = 1200;
constexpr int JPEG_QUALITY = 95;
// Pixels a raster picture may hold (4x of a very large screen still fits).
constexpr qint64 MAX_PIXELS = qint64(1) << 28;

const char* rasterFormat(ExportFormat format) {
  switch (format) {
    case ExportFormat::Png:
      return "PNG";
    case ExportFormat::Jpeg:
      return "JPEG";
    default:
      return "BMP";
  }
}

void drawWhole(const ExportPicture& source, QPainter& painter, double scale) {
  const QRect whole(QPoint(0, 0), source.logicalSize());
  if (source.draw) {
    source.draw(painter, whole, scale);
  } else {
    painter.save();
    painter.scale(scale, scale);
    painter.drawImage(QPoint(0, 0), source.picture);
    painter.restore();
  }
}

QByteArray encodeRaster(const QImage& image, ExportFormat format) {
  if (image.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, rasterFormat(format));
  if (format == ExportFormat::Jpeg) writer.setQuality(JPEG_QUALITY);
  if (!writer.write(image)) return {};
  return bytes;
}

QByteArray encodeSvg(const ExportPicture& source) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(source.logicalSize());
  generator.setViewBox(QRect(QPoint(0, 0), source.logicalSize()));
  generator.setResolution(static_cast<int>(LOGICAL_DPI));
  generator.setTitle(QStringLiteral("Norvale"));
  QPainter painter;
  if (!painter.begin(&generator)) return {};
  painter.fillRect(QRect(QPoint(0, 0), source.logicalSize()), Qt::white);
  drawWhole(source, painter, 1.0);
  if (!painter.end()) return {};
  return bytes;
}

QByteArray encodePdf(const ExportPicture& source) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setCreator(QStringLiteral("Norvale"));
  writer.setTitle(QStringLiteral("Norvale"));
  writer.setResolution(PDF_DPI);
  const QSizeF inches = QSizeF(source.logicalSize()) / LOGICAL_DPI;
  writer.setPageSize(QPageSize(inches * 72.0, QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&writer)) return {};
  const double scale = PDF_DPI / LOGICAL_DPI;
  painter.fillRect(QRectF(QPointF(0, 0), QSizeF(source.logicalSize()) * scale), Qt::white);
  drawWhole(source, painter, scale);
  if (!painter.end()) return {};
  return bytes;
}

}  // namespace

QImage pictureAtScale(const ExportPicture& source, int scale) {
  if (source.picture.isNull() || scale < 1) return {};
  if (scale == 1) return source.picture;
  const QSize size = source.logicalSize() * scale;
  if (qint64(size.width()) * size.height() > MAX_PIXELS) return {};
  if (source.image) {
    QImage drawn = source.image(QRect(QPoint(0, 0), source.logicalSize()), scale);
    return drawn.size() == size ? drawn : QImage();
  }
  QImage out(size, QImage::Format_RGB32);
  if (out.isNull()) return {};
  out.fill(Qt::white);
  QPainter painter(&out);
  drawWhole(source, painter, scale);
  return out;
}

QByteArray encodePicture(const ExportPicture& source, ExportFormat format, int scale) {
  if (source.picture.isNull()) return {};
  switch (format) {
    case ExportFormat::Svg:
      return encodeSvg(source);
    case ExportFormat::Pdf:
      return encodePdf(source);
    default:
      return encodeRaster(pictureAtScale(source, scale), format);
  }
}

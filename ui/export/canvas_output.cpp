#include "ui/export/canvas_output.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <cmath>

#include "canvas/canvas_widget.h"
#include "plot/messages.h"

namespace {

// Lets Ctrl+C reach the window's shortcut when the text field has no text
// selected, so it copies the canvas instead of nothing.
class CopyPassThrough : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field || field->hasSelectedText()) return false;
    if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) return false;
    event->ignore();
    return true;
  }
};

QRect canvasRect(const CanvasWidget& canvas) { return QRect(QPoint(0, 0), canvas.size()); }

}  // namespace

QImage canvasPictureAtScaleOne(CanvasWidget& canvas) {
  const QImage& screen = canvas.image();
  if (!canvas.antialiased() && screen.devicePixelRatio() == 1.0 && screen.size() == canvas.size()) return screen;
  return canvas.renderImage(canvasRect(canvas), 1.0);
}

PictureExport::RegionRenderer canvasRenderer(const CanvasWidget& canvas) {
  return [canvas = &canvas](QPainter& painter, const QRect& region, double scale) {
    canvas->renderRegion(painter, region, scale, canvas->antialiased());
  };
}

PictureExport::RegionImageRenderer canvasImageRenderer(const CanvasWidget& canvas) {
  return [canvas = &canvas](const QRect& region, double scale) { return canvas->renderImage(region, scale); };
}

QList<QRect> pageParts(const QRect& region, QSizeF pageSize) {
  QList<QRect> parts;
  if (region.isEmpty() || pageSize.width() < 1 || pageSize.height() < 1) return parts;
  const int stepX = static_cast<int>(std::floor(pageSize.width()));
  const int stepY = static_cast<int>(std::floor(pageSize.height()));
  for (int y = region.top(); y <= region.bottom(); y += stepY)
    for (int x = region.left(); x <= region.right(); x += stepX)
      parts << QRect(x, y, stepX, stepY).intersected(region);
  return parts;
}

CanvasOutput::CanvasOutput(CanvasWidget& canvas, Messages& messages, SelectionSource selection,
                           QWidget* dialogParent)
    : canvas_(canvas),
      messages_(messages),
      selection_(std::move(selection)),
      dialogParent_(dialogParent),
      clipboard_(QGuiApplication::clipboard()),
      printDialog_([this](QPrinter& printer) {
        QPrintDialog dialog(&printer, dialogParent_);
        dialog.setWindowTitle(QStringLiteral("打印"));
        return dialog.exec() == QDialog::Accepted;
      }) {}

void CanvasOutput::installShortcuts(QWidget& window) {
  auto* copyKey = new QShortcut(QKeySequence::Copy, &window);
  QObject::connect(copyKey, &QShortcut::activated, &window, [this] { copy(); });
  auto* printKey = new QShortcut(QKeySequence::Print, &window);
  QObject::connect(printKey, &QShortcut::activated, &window, [this] { print(); });
  auto* passThrough = new CopyPassThrough(&window);
  for (QLineEdit* field : window.findChildren<QLineEdit*>()) field->installEventFilter(passThrough);
}

std::optional<QRect> CanvasOutput::region() {
  const std::optional<SelectionCorners> selection = selection_ ? selection_() : std::nullopt;
  const QRect whole = canvasRect(canvas_);
  if (!selection) return whole;
  const std::optional<QRect> rect = selectionPixels(*selection, canvas_.scaleRight(), canvas_.scaleTop());
  const QRect clip = rect ? rect->intersected(whole) : QRect();
  if (clip.isEmpty()) {
    messages_.show(SELECTION_ERROR_TEXT, MessageIcon::Warning);
    return std::nullopt;
  }
  return clip;
}

bool CanvasOutput::copy() {
  const std::optional<QRect> rect = region();
  if (!rect || !clipboard_) return false;
  const QImage picture = canvas_.renderImage(*rect, COPY_SCALE);
  if (picture.isNull()) return false;
  clipboard_->setImage(picture);
  return true;
}

bool CanvasOutput::print() {
  const std::optional<QRect> rect = region();
  if (!rect) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("Norvale"));
  printer.setPageOrientation(rect->width() > rect->height() ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (!printDialog_ || !printDialog_(printer)) return false;
  return printOn(printer, *rect);
}

bool CanvasOutput::printOn(QPrinter& printer, const QRect& region) {
  // One logical pixel covers resolution / 96 printer dots: true size.
  const double scale = printer.resolution() / LOGICAL_PIXELS_PER_INCH;
  const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
  const QList<QRect> parts = pageParts(region, QSizeF(paint.size()) / scale);
  QPainter painter;
  if (parts.isEmpty() || !painter.begin(&printer)) return false;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0 && !printer.newPage()) return false;
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(parts[i].size()) * scale));
    canvasRenderer(canvas_)(painter, parts[i], scale);
    painter.restore();
  }
  return painter.end();
}

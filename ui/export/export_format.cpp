#include "ui/export/export_format.h"

ExportFormat formatForName(const QString& name) {
  const QString lower = name.toLower();
  if (lower.endsWith(QLatin1String(".png"))) return ExportFormat::Png;
  if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg"))) return ExportFormat::Jpeg;
  if (lower.endsWith(QLatin1String(".svg"))) return ExportFormat::Svg;
  if (lower.endsWith(QLatin1String(".pdf"))) return ExportFormat::Pdf;
  return ExportFormat::Bitmap;
}

const QList<FileTypeEntry>& extraFileTypes() {
  static const QList<FileTypeEntry> entries{
      {QStringLiteral("PNG files[*.png]"), {QStringLiteral("*.png")}},
      {QStringLiteral("JPEG files[*.jpg;*.jpeg]"), {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}},
      {QStringLiteral("SVG files[*.svg]"), {QStringLiteral("*.svg")}},
      {QStringLiteral("PDF files[*.pdf]"), {QStringLiteral("*.pdf")}},
  };
  return entries;
}

// The file formats a picture can be saved in, chosen by the end of the name.
#pragma once

#include <QString>
#include <QStringList>

enum class ExportFormat { Bitmap, Png, Jpeg, Svg, Pdf };

// The format a name asks for: ".png", ".jpg" or ".jpeg", ".svg", ".pdf" in
// any letter case; every other name (no extension, ".bmp", anything else)
// is written as a bitmap, as it always was.
ExportFormat formatForName(const QString& name);

// True for formats written as drawings (paths and texts) rather than pixels.
inline bool isVectorFormat(ExportFormat f) { return f == ExportFormat::Svg || f == ExportFormat::Pdf; }

// The entries of the file-type list after "Bitmap files[*.bmp]" and
// "All files[*.*]", with the name patterns each one lists.
struct FileTypeEntry {
  QString caption;
  QStringList patterns;
};
const QList<FileTypeEntry>& extraFileTypes();

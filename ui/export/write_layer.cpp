#include "ui/export/write_layer.h"

#include <QSaveFile>

namespace {
constexpr qint64 CHUNK = 64 * 1024;
}

qint64 WriteLayer::writeChunk(QIODevice& file, const char* data, qint64 size) {
  return file.write(data, size);
}

bool WriteLayer::writeFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  // Never fall back to writing the target in place: that could leave half a file.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const char* data = bytes.constData();
  qint64 left = bytes.size();
  while (left > 0) {
    const qint64 n = writeChunk(file, data, std::min(left, CHUNK));
    if (n <= 0) {
      file.cancelWriting();
      file.commit();  // removes the temporary file, leaves the target alone
      return false;
    }
    data += n;
    left -= n;
  }
  return file.commit();
}

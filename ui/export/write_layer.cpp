#include "ui/export/write_layer.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 CHUNK = 64 * 1024;
}

qint64 WriteLayer::writeChunk(QIODevice& file, const char* data, qint64 size) {
  return file.write(data, size);
}

bool WriteLayer::writeFile(const QString& path, const QByteArray& bytes) {
  // A file marked read-only (no write permission for anyone) stays as it is.
  // The new bytes reach the target by a rename, which only the folder's
  // permissions govern, so the mark is honoured here, for root as well.
  const QFileInfo target(path);
  const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  if (target.exists() && !(target.permissions() & anyWrite)) return false;
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

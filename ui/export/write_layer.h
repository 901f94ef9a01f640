// Writing a file so that it is either wholly there or not changed at all:
// the bytes go to a temporary name in the target folder, which is renamed
// over the target only when everything was written.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class WriteLayer {
 public:
  virtual ~WriteLayer() = default;

  // Replaces (or creates) the file at path with bytes. On any failure the
  // target keeps its old content and no temporary file is left behind.
  bool writeFile(const QString& path, const QByteArray& bytes);

 protected:
  // One write into the temporary file; returns the bytes written or -1.
  // A test layer overrides it to behave like a full disk.
  virtual qint64 writeChunk(QIODevice& file, const char* data, qint64 size);
};

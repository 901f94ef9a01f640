// A write layer that behaves like a disk that is full after `room` bytes.
#pragma once

#include <QIODevice>
#include <algorithm>

#include "ui/export/write_layer.h"

class FillingDisk : public WriteLayer {
 public:
  explicit FillingDisk(qint64 room) : room_(room) {}

 protected:
  // Called before every chunk, while the save is under way.
  virtual void beforeChunk() {}

  qint64 writeChunk(QIODevice& file, const char* data, qint64 size) override {
    beforeChunk();
    if (room_ <= 0) return -1;
    const qint64 n = std::min(room_, size);
    room_ -= n;
    return file.write(data, n);
  }

 private:
  qint64 room_;
};

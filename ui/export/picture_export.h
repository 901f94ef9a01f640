// The save command: captures the selected region (or the whole canvas) into
// the export picture and opens the save-as window, or brings the open one to
// the front.
#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

#include "ui/export/export_picture.h"
#include "ui/export/region_capture.h"
#include "ui/export/saveform.h"
#include "ui/export/write_layer.h"

class Messages;
class QClipboard;
class QTemporaryDir;
class QWidget;

class PictureExport {
 public:
  // owner becomes the parent of the save-as window; programFolder is the
  // save-as window's first target folder and receives temp.bmp when no other
  // user can write it. Otherwise temp.bmp goes to a private folder made on
  // first use and removed with this object.
  PictureExport(QWidget* owner, Messages& messages, QString programFolder);
  ~PictureExport();
  PictureExport(const PictureExport&) = delete;
  PictureExport& operator=(const PictureExport&) = delete;

  // Captures and opens the window. canvasImage is the canvas's persistent
  // picture; selection the rectangle's corners when one is shown. Returns
  // false (after telling the user) when there was nothing to capture.
  bool run(const QImage& canvasImage, const std::optional<SelectionCorners>& selection, float canvasRight,
           float canvasTop);

  // Draws a region of the canvas (its pixels at scale 1) again at any scale;
  // with it the save-as window offers sharp larger sizes and drawings.
  using RegionRenderer = std::function<void(QPainter&, const QRect& canvasRegion, double scale)>;
  using RegionImageRenderer = std::function<QImage(const QRect& canvasRegion, double scale)>;
  void setRenderer(RegionRenderer renderer, RegionImageRenderer imageRenderer = {}) {
    renderer_ = std::move(renderer);
    imageRenderer_ = std::move(imageRenderer);
  }

  // The picture that "存 盘" writes at scale 1.
  const QImage& picture() const { return picture_; }
  // The same with the way to draw it again; where it lies on the canvas.
  ExportPicture exportPicture() const;
  const QRect& region() const { return region_; }
  // Where the last temp.bmp went (empty when it could not be written).
  const QString& tempPath() const { return tempPath_; }
  SaveForm* saveform() const { return saveform_; }

  // The private folder for temp.bmp, instead of one made on first use.
  void setPrivateFolder(const QString& folder) { privateFolder_ = folder; }
  // The private folder made on first use (empty until then).
  QString madePrivateFolder() const;
  void setWriter(WriteLayer* writer) { writer_ = writer ? writer : &plainWriter_; }
  void setClipboard(QClipboard* clipboard) { clipboard_ = clipboard; }

 private:
  QString privateFolder();

  QWidget* owner_;
  Messages& messages_;
  QString programFolder_;
  QString privateFolder_;
  std::unique_ptr<QTemporaryDir> madeFolder_;
  WriteLayer plainWriter_;
  WriteLayer* writer_ = &plainWriter_;
  QClipboard* clipboard_ = nullptr;
  QImage picture_;
  QRect region_;
  RegionRenderer renderer_;
  RegionImageRenderer imageRenderer_;
  QString tempPath_;
  QPointer<SaveForm> saveform_;
};

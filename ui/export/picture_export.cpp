#include "ui/export/picture_export.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "plot/messages.h"

PictureExport::PictureExport(QWidget* owner, Messages& messages, QString programFolder)
    : owner_(owner),
      messages_(messages),
      programFolder_(std::move(programFolder)),
      clipboard_(QGuiApplication::clipboard()) {}

PictureExport::~PictureExport() { delete saveform_.data(); }

QString PictureExport::madePrivateFolder() const { return madeFolder_ ? madeFolder_->path() : QString(); }

QString PictureExport::privateFolder() {
  if (!privateFolder_.isEmpty()) return privateFolder_;
  if (madeFolder_ && madeFolder_->isValid()) return madeFolder_->path();
  // A new folder of mode 0700 under a random name, in the user's cache folder
  // when that is the user's alone, else in the temporary folder; making it
  // fails rather than reuse anything already there.
  QString parent = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (!parent.isEmpty() && !QFileInfo::exists(parent)) QDir().mkpath(parent);
  if (!WriteLayer::isPrivateFolder(parent)) parent = QDir::tempPath();
  madeFolder_ = std::make_unique<QTemporaryDir>(parent + QStringLiteral("/norvale-XXXXXX"));
  return madeFolder_->isValid() ? madeFolder_->path() : QString();
}

bool PictureExport::run(const QImage& canvasImage, const std::optional<SelectionCorners>& selection,
                        float canvasRight, float canvasTop) {
  CaptureRequest req;
  req.canvasImage = canvasImage;
  req.selection = selection;
  req.canvasRight = canvasRight;
  req.canvasTop = canvasTop;
  req.programFolder = programFolder_;
  if (!WriteLayer::isPrivateFolder(programFolder_)) req.privateFolder = privateFolder();
  req.clipboard = clipboard_;
  req.writer = writer_;
  CaptureResult result = captureRegion(req);
  tempPath_ = result.tempPath;
  // A failed capture empties the picture, so an open window cannot save an
  // old one by mistake.
  picture_ = result.picture;
  region_ = result.region;
  if (!result.problem.empty()) {
    messages_.show(result.problem, MessageIcon::Warning);
    return false;
  }
  // A window that was closed but not yet deleted is gone: open a new one.
  if (saveform_ && !saveform_->isVisible()) saveform_ = nullptr;
  if (!saveform_) {
    saveform_ = new SaveForm(std::function<ExportPicture()>([this] { return exportPicture(); }), messages_, *writer_,
                             programFolder_, owner_);
  }
  saveform_->show();
  saveform_->raise();
  saveform_->activateWindow();
  return true;
}

ExportPicture PictureExport::exportPicture() const {
  ExportPicture out{picture_, {}, {}};
  if (renderer_ && !picture_.isNull()) {
    out.draw = [renderer = renderer_, origin = region_.topLeft()](QPainter& painter, const QRect& part, double scale) {
      renderer(painter, part.translated(origin), scale);
    };
  }
  if (imageRenderer_ && !picture_.isNull()) {
    out.image = [renderer = imageRenderer_, origin = region_.topLeft()](const QRect& part, double scale) {
      return renderer(part.translated(origin), scale);
    };
  }
  return out;
}

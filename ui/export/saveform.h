// The save-as window "保存成为": a file name, a type filter, the drive,
// folder and file lists, the target folder and the size. "存 盘" writes the
// picture to the target folder under the name as typed, in the format the
// name's ending asks for (a bitmap unless it ends in .png, .jpg, .jpeg, .svg
// or .pdf), raster formats at the chosen multiple of the screen size.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "ui/export/export_picture.h"

class Messages;
class WriteLayer;

class SaveForm : public QWidget {
  Q_OBJECT

 public:
  inline static const QString DEFAULT_NAME = QStringLiteral("norvale01.bmp");

  // picture gives the picture to save at the moment of saving; programFolder
  // is the first target folder.
  SaveForm(std::function<QImage()> picture, Messages& messages, WriteLayer& writer,
           const QString& programFolder, QWidget* parent = nullptr);
  // The same with a picture that can be drawn again at a larger size.
  SaveForm(std::function<ExportPicture()> source, Messages& messages, WriteLayer& writer,
           const QString& programFolder, QWidget* parent = nullptr);

  // The chosen multiple of the screen size (1, 2 or 4).
  int scale() const;

  // The drives offered; by default the mounted volumes.
  void setDrives(const QStringList& roots);
  QStringList drives() const;
  // Chooses a drive as the user would; false (after the notice) when it cannot be read.
  bool chooseDrive(int index);
  // Moves the folder list to a folder as the user would.
  void chooseFolder(const QString& path);
  QString folder() const { return dirPath_; }
  QStringList listedFiles() const;
  QString targetFolder() const { return Label4->text(); }

  static QStringList mountedDrives();
  // A name that can be a file in the target folder.
  static bool validFileName(const QString& name);

  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* combo1 = nullptr;
  QLabel* Label6 = nullptr;
  QComboBox* Drive1 = nullptr;
  QLabel* Label2 = nullptr;
  QListWidget* Dir1 = nullptr;
  QListWidget* File1 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QLabel* LabelSize = nullptr;
  QComboBox* comboSize = nullptr;

 public slots:
  void save();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void loadSteps(const QString& programFolder);
  void fillDirList();
  void fillFileList();
  void patternChosen(int index);
  void driveChosen(int index);

  std::function<ExportPicture()> source_;
  Messages& messages_;
  WriteLayer& writer_;
  QString dirPath_;
  QStringList patterns_{QStringLiteral("*.bmp")};
  int driveIndex_ = -1;
};

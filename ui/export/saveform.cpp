#include "ui/export/saveform.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QStorageInfo>

#include "plot/messages.h"
#include "ui/export/region_capture.h"
#include "ui/export/write_layer.h"

namespace {

// The window's design in twips (15 per logical pixel).
QRect twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

constexpr const char* SAVE_ERROR_TEXT = "存盘错误!";
constexpr const char* DRIVE_ERROR_TEXT = "驱动器错误!";

}  // namespace

SaveForm::SaveForm(std::function<QImage()> picture, Messages& messages, WriteLayer& writer,
                   const QString& programFolder, QWidget* parent)
    : SaveForm(std::function<ExportPicture()>([picture = std::move(picture)] {
                 return ExportPicture{picture ? picture() : QImage(), {}, {}};
               }),
               messages, writer, programFolder, parent) {}

SaveForm::SaveForm(std::function<ExportPicture()> source, Messages& messages, WriteLayer& writer,
                   const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)), messages_(messages), writer_(writer) {
  setObjectName(QStringLiteral("saveform"));
  setWindowTitle(QStringLiteral("保存成为"));
  setAttribute(Qt::WA_DeleteOnClose);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  setFont(font);
  setFixedSize(7365 / 15, 4020 / 15);

  auto label = [this](QLabel*& l, const char* name, const QString& text, QRect geometry) {
    l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
  };
  label(Label1, "Label1", QStringLiteral("文件名:"), twips(600, 360, 1455, 255));
  label(Label5, "Label5", QStringLiteral("文件类型:"), twips(600, 2880, 1815, 255));
  label(Label2, "Label2", QStringLiteral("目录:"), twips(3600, 360, 2055, 255));
  label(Label4, "Label4", QString(), twips(3480, 840, 2655, 255));
  label(Label6, "Label6", QStringLiteral("驱动器:"), twips(3720, 2880, 1935, 255));

  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(twips(480, 840, 2535, 285));

  File1 = new QListWidget(this);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setGeometry(twips(480, 1200, 2535, 1395));

  combo1 = new QComboBox(this);
  combo1->setObjectName(QStringLiteral("combo1"));
  combo1->setGeometry(twips(480, 3240, 2535, 300));

  Dir1 = new QListWidget(this);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setGeometry(twips(3480, 1200, 2655, 1380));

  Drive1 = new QComboBox(this);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Drive1->setGeometry(twips(3480, 3240, 2655, 315));

  Command1 = new QPushButton(QStringLiteral("存 盘"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(twips(6360, 360, 855, 375));
  Command2 = new QPushButton(QStringLiteral("取 消"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(twips(6360, 960, 855, 375));

  // The size of raster pictures, under the two buttons.
  label(LabelSize, "LabelSize", QStringLiteral("尺寸:"), twips(6360, 1560, 855, 255));
  comboSize = new QComboBox(this);
  comboSize->setObjectName(QStringLiteral("comboSize"));
  comboSize->setGeometry(twips(6360, 1860, 855, 300));
  for (int s : EXPORT_SCALES) comboSize->addItem(QStringLiteral("%1 倍").arg(s), s);
  comboSize->setCurrentIndex(0);
  LabelSize->setBuddy(comboSize);

  // The lists start in the process's current folder, on its drive.
  dirPath_ = QDir::cleanPath(QDir::currentPath());
  setDrives(mountedDrives());

  connect(combo1, &QComboBox::currentIndexChanged, this, &SaveForm::patternChosen);
  connect(Drive1, &QComboBox::activated, this, &SaveForm::driveChosen);
  connect(Dir1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { chooseFolder(item->data(Qt::UserRole).toString()); });
  connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Text1->setText(item->text()); });
  // Drawings have no pixel size: the size choice rests while the name asks for one.
  connect(Text1, &QLineEdit::textChanged, this,
          [this](const QString& name) { comboSize->setEnabled(!isVectorFormat(formatForName(name))); });
  connect(Command1, &QPushButton::clicked, this, &SaveForm::save);
  connect(Command2, &QPushButton::clicked, this, &SaveForm::close);
  // Enter in the name field saves; Esc cancels.
  connect(Text1, &QLineEdit::returnPressed, this, &SaveForm::save);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, Command2, &QPushButton::click);

  loadSteps(programFolder);
}

void SaveForm::loadSteps(const QString& programFolder) {
  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.left() + (s.width() - width()) / 2, s.top() + (s.height() - height()) / 2);
  }
  combo1->addItem(QStringLiteral("Bitmap files[*.bmp]"));
  combo1->addItem(QStringLiteral("All files[*.*]"));
  for (const FileTypeEntry& entry : extraFileTypes()) combo1->addItem(entry.caption);
  combo1->setCurrentIndex(0);
  patternChosen(0);
  Label4->setText(programFolder);
  Text1->setText(DEFAULT_NAME);
  Text1->selectAll();
  Text1->setFocus();
  setCursor(Qt::ArrowCursor);
}

QStringList SaveForm::mountedDrives() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && !roots.contains(volume.rootPath())) roots << volume.rootPath();
  roots.sort();
  return roots;
}

void SaveForm::setDrives(const QStringList& roots) {
  Drive1->clear();
  Drive1->addItems(roots);
  // Show the drive that holds the current folder: the longest root it lies under.
  driveIndex_ = -1;
  int best = -1;
  for (int i = 0; i < roots.size(); ++i) {
    const QString root = roots[i];
    const bool under = dirPath_ == root || dirPath_.startsWith(root.endsWith('/') ? root : root + '/');
    if (under && root.size() > best) {
      best = static_cast<int>(root.size());
      driveIndex_ = i;
    }
  }
  Drive1->setCurrentIndex(driveIndex_);
  fillDirList();
  fillFileList();
}

QStringList SaveForm::drives() const {
  QStringList out;
  for (int i = 0; i < Drive1->count(); ++i) out << Drive1->itemText(i);
  return out;
}

void SaveForm::driveChosen(int index) { chooseDrive(index); }

bool SaveForm::chooseDrive(int index) {
  const QString root = Drive1->itemText(index);
  const QFileInfo info(root);
  const QStorageInfo volume(root);
  if (root.isEmpty() || !info.isDir() || !info.isReadable() || !volume.isValid() || !volume.isReady() ||
      !QDir(root).exists()) {
    messages_.show(DRIVE_ERROR_TEXT, MessageIcon::Warning);
    Drive1->setCurrentIndex(driveIndex_);
    return false;
  }
  Drive1->setCurrentIndex(index);
  driveIndex_ = index;
  chooseFolder(root);
  return true;
}

void SaveForm::chooseFolder(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  if (!QFileInfo(clean).isDir()) return;
  dirPath_ = clean;
  fillDirList();
  fillFileList();
  Label4->setText(dirPath_);
}

void SaveForm::fillDirList() {
  // The folder's ancestors from the root down, then its subfolders, indented
  // like a tree.
  Dir1->clear();
  QStringList chain;
  QDir d(dirPath_);
  chain.prepend(d.absolutePath());
  while (d.cdUp()) chain.prepend(d.absolutePath());
  int depth = 0;
  for (const QString& p : chain) {
    const QString name = QFileInfo(p).fileName().isEmpty() ? p : QFileInfo(p).fileName();
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, Dir1);
    item->setData(Qt::UserRole, p);
    if (p == dirPath_) Dir1->setCurrentItem(item);
    ++depth;
  }
  const QStringList subs =
      QDir(dirPath_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& s : subs) {
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + s, Dir1);
    item->setData(Qt::UserRole, QDir(dirPath_).filePath(s));
  }
}

void SaveForm::fillFileList() {
  File1->clear();
  QDir d(dirPath_);
  d.setNameFilters(patterns_);  // without CaseSensitive: *.bmp lists .BMP too
  File1->addItems(d.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QStringList SaveForm::listedFiles() const {
  QStringList out;
  for (int i = 0; i < File1->count(); ++i) out << File1->item(i)->text();
  return out;
}

void SaveForm::patternChosen(int index) {
  const QList<FileTypeEntry>& extra = extraFileTypes();
  if (index == 0)
    patterns_ = {QStringLiteral("*.bmp")};
  else if (index >= 2 && index - 2 < extra.size())
    patterns_ = extra[index - 2].patterns;
  else
    patterns_ = {QStringLiteral("*")};
  fillFileList();
}

bool SaveForm::validFileName(const QString& name) {
  // The name is used as typed, but it must name a file inside the target
  // folder: not empty, no folder separators, not "." or "..".
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
    return false;
  return true;
}

void SaveForm::save() {
  setCursor(Qt::WaitCursor);
  const QString name = Text1->text();
  const QString path = Label4->text() + QLatin1Char('/') + name;
  const ExportPicture source = source_ ? source_() : ExportPicture{};
  bool ok = validFileName(name) && !Label4->text().isEmpty() && !source.picture.isNull();
  if (ok) {
    const QByteArray bytes = encodePicture(source, formatForName(name), scale());
    ok = !bytes.isEmpty() && writer_.writeFile(path, bytes);
  }
  if (ok) {
    close();
    return;
  }
  messages_.show(SAVE_ERROR_TEXT, MessageIcon::Warning);
  setCursor(Qt::ArrowCursor);
}

int SaveForm::scale() const { return comboSize->currentData().toInt(); }

void SaveForm::closeEvent(QCloseEvent* event) {
  setCursor(Qt::ArrowCursor);
  QWidget::closeEvent(event);
}

#include "ui/main/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

namespace norvale {

QString helpFilePath(const QString& programFolder) {
  const QString beside = programFolder + QLatin1Char('/') + QLatin1String(HELP_FILE_NAME);
  if (QFileInfo::exists(beside)) return beside;
  // Installed on the system: the program in bin/, its data in share/norvale/.
  const QString installed = QDir::cleanPath(programFolder + QLatin1Char('/') + QLatin1String(NORVALE_DATA_FROM_PROGRAM) +
                                            QLatin1Char('/') + QLatin1String(HELP_FILE_NAME));
  if (QFileInfo::exists(installed)) return installed;
  return beside;
}

HelpWindow::HelpWindow(const QString& helpFile, QWidget* parent)
    : QWidget(parent, Qt::Window), helpFile_(helpFile), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Norvale 3.0 帮助"));
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(720, 600);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::showHelp() {
  const QFileInfo info(helpFile_);
  loaded_ = info.isFile() && info.isReadable();
  if (loaded_) {
    browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    browser_->reload();
  } else {
    browser_->setHtml(QStringLiteral("<h2>找不到帮助文件</h2><p>帮助文件应放在程序所在的文件夹中：</p><p><tt>%1</tt></p>")
                          .arg(helpFile_.toHtmlEscaped()));
  }
  if (!isVisible() && parentWidget()) {
    // Over the middle of the main window.
    const QRect owner = parentWidget()->geometry();
    move(owner.center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

}  // namespace norvale

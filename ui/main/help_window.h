// The help window: the Chinese help page shipped beside the program, shown in
// a text browser. Opened by F1 and by the " ？" button.
#pragma once

#include <QString>
#include <QTextBrowser>
#include <QWidget>

namespace norvale {

// The help page's file name beside the program.
inline constexpr const char* HELP_FILE_NAME = "NORVALE30.html";

// The help page beside the program (the build folder), else in the data
// folder of an installation (bin/../share/norvale); when neither exists, the
// name beside the program, which the help window then reports as missing.
QString helpFilePath(const QString& programFolder);

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(const QString& helpFile, QWidget* parent = nullptr);
  // Loads the page again (it may have been edited) and brings the window forward.
  void showHelp();
  QTextBrowser* browser() const { return browser_; }
  bool pageLoaded() const { return loaded_; }

 private:
  QString helpFile_;
  QTextBrowser* browser_ = nullptr;
  bool loaded_ = false;
};

}  // namespace norvale

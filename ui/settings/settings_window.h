// The settings window "设置": the user's preferences in sections, each a
// titled box of controls. "确定" keeps the choices (and remembers them for
// the next run), "取消" and Esc close without changing anything. A new
// preference is one more row: a control bound to its getter and setter.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "plot/messages.h"
#include "ui/settings/preferences.h"

class QCheckBox;
class QDialogButtonBox;
class QGroupBox;
class QVBoxLayout;

namespace norvale {

inline constexpr const char* SETTINGS_TITLE = "设置";
inline constexpr const char* SETTINGS_SAVE_ERROR = "设置无法保存，下次启动时将恢复原来的设置。";

class SettingsWindow : public QDialog {
  Q_OBJECT

 public:
  SettingsWindow(Preferences& preferences, Messages& messages, QWidget* parent = nullptr);

  // Shows the stored values again and brings the window forward.
  void showSettings();
  QCheckBox* antialiasBox() const { return antialias_; }
  QDialogButtonBox* buttons() const { return buttons_; }

  void accept() override;

 private:
  QGroupBox* addSection(const QString& title);
  QCheckBox* addCheck(QGroupBox* section, const char* name, const QString& text, const QString& hint,
                      bool (Preferences::*get)() const, void (Preferences::*set)(bool));
  void load();

  Preferences& preferences_;
  Messages& messages_;
  QVBoxLayout* sections_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QCheckBox* antialias_ = nullptr;
  // One pair per control: show the stored value, keep the chosen one.
  std::vector<std::function<void()>> loaders_;
  std::vector<std::function<void()>> keepers_;
};

}  // namespace norvale

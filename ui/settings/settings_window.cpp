#include "ui/settings/settings_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace norvale {

SettingsWindow::SettingsWindow(Preferences& preferences, Messages& messages, QWidget* parent)
    : QDialog(parent), preferences_(preferences), messages_(messages) {
  setObjectName(QStringLiteral("SettingsWindow"));
  setWindowTitle(QString::fromUtf8(SETTINGS_TITLE));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  sections_ = new QVBoxLayout;
  layout->addLayout(sections_);

  QGroupBox* drawing = addSection(QStringLiteral("绘图"));
  antialias_ = addCheck(drawing, "antialiasBox", QStringLiteral("平滑曲线（抗锯齿）"),
                        QStringLiteral("关闭后曲线和圆逐像素画出，边缘呈锯齿状。"), &Preferences::antialiased,
                        &Preferences::setAntialiased);

  layout->addStretch(1);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName(QStringLiteral("settingsButtons"));
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &SettingsWindow::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &SettingsWindow::reject);

  load();
  setMinimumWidth(300);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

QGroupBox* SettingsWindow::addSection(const QString& title) {
  auto* box = new QGroupBox(title, this);
  box->setLayout(new QVBoxLayout);
  sections_->addWidget(box);
  return box;
}

QCheckBox* SettingsWindow::addCheck(QGroupBox* section, const char* name, const QString& text, const QString& hint,
                                    bool (Preferences::*get)() const, void (Preferences::*set)(bool)) {
  auto* check = new QCheckBox(text, section);
  check->setObjectName(QLatin1String(name));
  section->layout()->addWidget(check);
  if (!hint.isEmpty()) {
    auto* note = new QLabel(hint, section);
    note->setWordWrap(true);
    QPalette p = note->palette();
    p.setColor(QPalette::WindowText, QColor(64, 64, 64));
    note->setPalette(p);
    section->layout()->addWidget(note);
  }
  loaders_.push_back([this, check, get] { check->setChecked((preferences_.*get)()); });
  keepers_.push_back([this, check, set] { (preferences_.*set)(check->isChecked()); });
  return check;
}

void SettingsWindow::load() {
  for (const auto& show : loaders_) show();
}

void SettingsWindow::showSettings() {
  if (!isVisible()) load();
  show();
  raise();
  activateWindow();
}

void SettingsWindow::accept() {
  for (const auto& keep : keepers_) keep();
  // The choice holds for this run either way; the user learns that it will
  // not come back next time.
  if (!preferences_.save()) messages_.show(SETTINGS_SAVE_ERROR, MessageIcon::Warning);
  QDialog::accept();
}

}  // namespace norvale

#include "ui/settings/preferences.h"

namespace norvale {

namespace {

constexpr const char* KEY_ANTIALIASED = "drawing/antialiased";

}  // namespace

Preferences::Preferences(std::unique_ptr<QSettings> store, QObject* parent)
    : QObject(parent), store_(std::move(store)) {
  antialiased_ = readBool(KEY_ANTIALIASED, DEFAULT_ANTIALIASED);
}

Preferences::~Preferences() = default;

std::unique_ptr<QSettings> Preferences::userStore() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Norvale"),
                                     QStringLiteral("Norvale"));
}

std::unique_ptr<QSettings> Preferences::fileStore(const QString& path) {
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

// QSettings writes a Boolean as "true" or "false"; anything else is not ours.
bool Preferences::readBool(const char* key, bool fallback) const {
  if (!store_) return fallback;
  const QString text = store_->value(QLatin1String(key)).toString();
  if (text == QLatin1String("true")) return true;
  if (text == QLatin1String("false")) return false;
  return fallback;
}

void Preferences::setAntialiased(bool on) {
  if (on == antialiased_) return;
  antialiased_ = on;
  emit antialiasedChanged(on);
}

bool Preferences::save() {
  if (!store_) return true;
  store_->setValue(QLatin1String(KEY_ANTIALIASED), antialiased_);
  store_->sync();
  return store_->status() == QSettings::NoError && store_->isWritable();
}

QString Preferences::location() const { return store_ ? store_->fileName() : QString(); }

}  // namespace norvale

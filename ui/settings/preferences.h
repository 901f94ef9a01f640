// The user's preferences, remembered between runs. Each preference has a
// getter, a setter that tells its listeners when the value really changes,
// a key in the store and a default. The store is a QSettings handed in by the
// owner (the program gives the per-user one, tests a file of their own); with
// none, the preferences live in memory only.
//
// A value in the store that is not one the program writes (an edited or
// damaged file) reads as the default.
#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <memory>

namespace norvale {

class Preferences : public QObject {
  Q_OBJECT

 public:
  // Curves and circles drawn smooth (antialiased) or pixel by pixel.
  static constexpr bool DEFAULT_ANTIALIASED = true;

  explicit Preferences(std::unique_ptr<QSettings> store = nullptr, QObject* parent = nullptr);
  ~Preferences() override;

  // The store of the user running the program.
  static std::unique_ptr<QSettings> userStore();
  // A store in one INI file (tests, portable use).
  static std::unique_ptr<QSettings> fileStore(const QString& path);

  bool antialiased() const { return antialiased_; }
  void setAntialiased(bool on);

  // Writes what changed to the store. False when the store cannot be written
  // (the values still hold for this run); true without a store.
  bool save();
  // Where the values are kept, for messages; empty without a store.
  QString location() const;

 signals:
  void antialiasedChanged(bool on);

 private:
  bool readBool(const char* key, bool fallback) const;

  std::unique_ptr<QSettings> store_;
  bool antialiased_ = DEFAULT_ANTIALIASED;
};

}  // namespace norvale

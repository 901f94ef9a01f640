#include "ui/export/write_layer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 CHUNK = 64 * 1024;
// Links followed before a save gives up, as the kernel does.
constexpr int MAX_LINK_HOPS = 40;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString folderOf(const QString& path) {
  const QString folder = QFileInfo(path).path();
  return folder.isEmpty() ? QStringLiteral(".") : folder;
}

// A folder some other user can write: not the user's own, or open to the
// group or to everyone (a sticky bit does not stop anyone from adding a link).
bool openToOthers(const QString& folder) {
  struct stat st {};
  if (::stat(native(folder).constData(), &st) != 0) return true;
  return st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// The file a save to path replaces: the path itself, or where its trusted
// links lead. Nothing when a link is planted by another user in a folder
// others can write, when the links go round, or when the name holds
// something other than a regular file (a folder, a pipe, a device).
std::optional<QString> resolveTarget(QString path) {
  for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) {
      if (errno == ENOENT) return path;  // a new file
      return std::nullopt;
    }
    if (S_ISREG(st.st_mode)) return path;
    if (!S_ISLNK(st.st_mode)) return std::nullopt;
    const QString folder = folderOf(path);
    if (st.st_uid != ::geteuid() && openToOthers(folder)) return std::nullopt;
    QByteArray raw(static_cast<int>(st.st_size) + 1, '\0');
    const ssize_t n = ::readlink(native(path).constData(), raw.data(), raw.size());
    if (n <= 0 || n >= raw.size()) return std::nullopt;
    raw.truncate(static_cast<int>(n));
    const QString link = QFile::decodeName(raw);
    path = QDir::isAbsolutePath(link) ? link : QDir::cleanPath(folder + QLatin1Char('/') + link);
  }
  return std::nullopt;
}

// Permissions a newly created file gets from the process's umask.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Removes the user's own temporary files that an interrupted save left in
// the folder.
void removeStaleTemporaries(const QString& folder) {
  const QStringList names = QDir(folder).entryList({QLatin1String(WriteLayer::TEMP_PREFIX) + QLatin1Char('*')},
                                                   QDir::Files | QDir::Hidden | QDir::System);
  const std::time_t now = std::time(nullptr);
  for (const QString& name : names) {
    const QByteArray path = native(folder + QLatin1Char('/') + name);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (now - st.st_mtime < WriteLayer::STALE_AFTER_SECONDS) continue;
    ::unlink(path.constData());
  }
}

// A new temporary file in the folder, created exclusively and without
// following a link; -1 when none can be made.
int createTemporary(const QString& folder, QString& name) {
  static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    QString suffix;
    for (int i = 0; i < 10; ++i) suffix += QLatin1Char(LETTERS[QRandomGenerator::global()->bounded(62)]);
    name = folder + QLatin1Char('/') + QLatin1String(WriteLayer::TEMP_PREFIX) + suffix;
    const int fd = ::open(native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

qint64 WriteLayer::writeChunk(QIODevice& file, const char* data, qint64 size) { return file.write(data, size); }

bool WriteLayer::isPrivateFolder(const QString& folder) {
  struct stat st {};
  if (folder.isEmpty() || ::stat(native(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
         ::access(native(folder).constData(), W_OK | X_OK) == 0;
}

bool WriteLayer::writeFile(const QString& path, const QByteArray& bytes) {
  const std::optional<QString> target = resolveTarget(path);
  if (!target) return false;
  // A file marked read-only (no write permission for anyone) stays as it is.
  // The new bytes reach the target by a rename, which only the folder's
  // permissions govern, so the mark is honoured here, for root as well.
  struct stat st {};
  if (::stat(native(*target).constData(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    return false;
  return replace(*target, bytes, false);
}

bool WriteLayer::writePrivateFile(const QString& path, const QByteArray& bytes) {
  struct stat st {};
  // A folder at the name cannot be replaced by a rename; anything else is.
  if (::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  return replace(path, bytes, true);
}

bool WriteLayer::replace(const QString& target, const QByteArray& bytes, bool privateFile) {
  const QString folder = folderOf(target);
  removeStaleTemporaries(folder);
  QString temporary;
  const int fd = createTemporary(folder, temporary);
  if (fd < 0) return false;

  // The replaced file keeps its permissions; a new one gets the usual ones.
  mode_t mode = privateFile ? 0600 : newFileMode();
  struct stat old {};
  if (!privateFile && ::stat(native(target).constData(), &old) == 0) mode = old.st_mode & 07777;

  QFile file;
  bool ok = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
  const char* data = bytes.constData();
  qint64 left = bytes.size();
  while (ok && left > 0) {
    const qint64 n = writeChunk(file, data, std::min(left, CHUNK));
    ok = n > 0;
    data += n;
    left -= n;
  }
  ok = ok && file.flush() && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  file.close();
  ok = ok && ::rename(native(temporary).constData(), native(target).constData()) == 0;
  if (!ok) ::unlink(native(temporary).constData());
  return ok;
}

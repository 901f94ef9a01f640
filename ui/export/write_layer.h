// Writing a file so that it is either wholly there or not changed at all:
// the bytes go to a new temporary file in the target folder, which is renamed
// over the target only when everything was written.
//
// Folders that other users can write (a sticky /tmp, a shared classroom
// folder) are where a symbolic link can be planted under the name the user
// or the program is about to write. So:
// - a save the user asks for follows a link only when the link is the user's
//   own, or when nobody but the user can write the folder that holds it;
//   a link planted by someone else there makes the save fail;
// - a private file (the temporary picture) never follows a link: whatever is
//   found at its name is replaced by a new regular file of mode 0600.
// The temporary file is created exclusively, without following links, under
// the recognisable name TEMP_PREFIX + random letters. A crash can leave one
// behind on file systems that cannot drop it; the next save into the same
// folder removes the user's own ones that are older than STALE_AFTER_SECONDS.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class WriteLayer {
 public:
  static constexpr const char* TEMP_PREFIX = ".norvale-save-";
  // A younger temporary file may belong to a save still under way in another
  // copy of the program.
  static constexpr int STALE_AFTER_SECONDS = 60;

  virtual ~WriteLayer() = default;

  // Replaces (or creates) the file at path with bytes. On any failure the
  // target keeps its old content and no temporary file is left behind.
  bool writeFile(const QString& path, const QByteArray& bytes);
  // The same for a file only the user may read, at a name that is never
  // followed: a link or special file there is replaced, the new file has
  // mode 0600.
  bool writePrivateFile(const QString& path, const QByteArray& bytes);

  // True when the folder exists, the user can write it and no other user
  // can: it belongs to the user and grants no write to group or others.
  static bool isPrivateFolder(const QString& folder);

 protected:
  // One write into the temporary file; returns the bytes written or -1.
  // A test layer overrides it to behave like a full disk.
  virtual qint64 writeChunk(QIODevice& file, const char* data, qint64 size);

 private:
  bool replace(const QString& target, const QByteArray& bytes, bool privateFile);
};

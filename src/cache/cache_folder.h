#pragma once
#include <QList>
#include <QString>

namespace cache {

// One file of the engine's download folder.
struct CacheEntry {
  QString name;
  QString path;
  bool partial = false;  // a download the engine has not finished: its name holds ".!mv"
};

// The folder's files by name in natural order (第2集 before 第10集); the engine's own bookkeeping
// (its index of items) is not one of the user's files and is left out.
QList<CacheEntry> list_cache(const QString& folder);

// What a picked folder means as the cache folder, with a trailing "/": a file-system root or a
// mount point (or a drive root such as "D:\") gets "media/" appended, so the cache never spreads
// over a whole disk.
QString cache_target(const QString& picked);

// The same folder, trailing separators aside (or the same folder by its real path); letter case
// aside only for paths of the Windows form ("D:\media").
bool same_folder(const QString& a, const QString& b);

// A folder the system lists as a mount point, or the root.
bool is_mount_point(const QString& folder);

// The engine's bookkeeping files in a cache folder (they move with the cache, and are not listed).
bool is_engine_file(const QString& name);

}  // namespace cache

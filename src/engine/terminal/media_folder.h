#pragma once
#include <QString>
#include <map>
#include <mutex>
#include <optional>

#include "engine/terminal/qvod_item.h"

namespace terminal {

// The terminal's download folder, shared with the user (the cache manager lists it; the user may
// keep files of their own there). An item's files are found by its hash through an index kept in
// the folder; a name that another file has already gets a unique one; nothing the terminal did not
// create for an item is ever deleted or overwritten.
class MediaFolder {
 public:
  explicit MediaFolder(QString path);

  struct Place {
    QString final_path;    // the finished file
    QString partial_path;  // the download while it is incomplete: final_path + ".!mv"
  };
  // Where an item's download lives: chosen and recorded at its first download, the same after.
  Place place_for(const QvodItem& item);
  // Gives a verified partial its final name without replacing any file; the final path, or nothing.
  std::optional<QString> finish(const QvodItem& item, const QString& partial);

  static constexpr const char* kIndexName = ".morvane-items";
  static constexpr int kMaxNameBytes = 255;

 private:
  bool taken(const QString& name, const QString& hash) const;
  void record(const QString& hash, const QString& name);
  QString path_;
  std::mutex mutex_;
  std::map<QString, QString> index_;  // hash -> file name
};

// A file name that, with ".!mv" and a " (n)" of a second copy, stays within the file system's limit
// of 255 bytes: the stem is shortened, the extension kept.
QString fitting_name(const QString& name);
// "name (n).ext"
QString numbered_name(const QString& name, int n);

}  // namespace terminal

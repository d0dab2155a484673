#pragma once
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "engine/terminal/media_folder.h"
#include "engine/terminal/qvod_item.h"
#include "engine/terminal/stream_hasher.h"

namespace terminal {

// One item's download into the media folder: "name.!mv" while incomplete (its length is how far
// it got, so a restart resumes there), renamed to "name" only once size and SHA-1 match. The names
// are the folder's choice (a name another file has gets a unique one). Bytes are written in large
// blocks and hashed as they are written; the file is synced once, before its rename.
class DownloadTask {
 public:
  enum class State { Downloading, Done, Failed };

  DownloadTask(QvodItem item, MediaFolder& folder, QStringList sources);
  ~DownloadTask();

  const QvodItem& item() const { return item_; }
  State state() const { return state_; }
  QString reason() const;
  int64_t downloaded() const { return downloaded_; }
  int progress_tenths() const;  // 1000 = complete
  int rate_kbps() const;

  // Bytes [offset, offset + length) as far as they are here, waiting a little for the download
  // front when it is close; false when they are not (the caller then fetches them itself).
  bool read_local(int64_t offset, int64_t length, std::string& out);
  // The same bytes straight from a source, for a player that jumped ahead of the download.
  bool fetch_range(int64_t offset, int64_t length, std::string& out) const;

  QString partial_path() const { return place_.partial_path; }
  QString final_path() const;

 private:
  void run();
  bool download_from(const QString& source);
  void written(int64_t front, int64_t bytes);
  bool verify_and_finish();
  void fail(const QString& why);
  std::string source_url(const QString& source) const;

  QvodItem item_;
  MediaFolder& folder_;
  MediaFolder::Place place_;
  QString finished_path_;  // set once the download has its final name
  QStringList sources_;
  std::atomic<State> state_{State::Downloading};
  std::atomic<int64_t> downloaded_{0};
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable grown_;
  QString reason_;
  std::deque<std::pair<int64_t, int64_t>> samples_;  // (ms, bytes) of the last second
  StreamHasher hasher_;                              // the hash of the bytes on disk, as they are written
  std::thread thread_;
};

}  // namespace terminal

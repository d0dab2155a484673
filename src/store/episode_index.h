#pragma once
#include <QString>
#include <atomic>
#include <future>
#include <optional>
#include <vector>

namespace store {

// Which episodes' addresses may hold a given QVOD hash (40 hex digits), so that finding "the first
// episode whose j_url holds it" reads a few rows instead of every one. Every run of 40 or more hex
// digits in an address is indexed at each of its 40-digit windows, by a 64-bit digest of the window
// without case: an address holds the hash, as the case-blind match finds it, only if one of its
// windows is that hash. So the candidates always include every episode that matches; a caller keeps
// those that really do, which also drops entries left by rows since removed or readdressed.
// Built from the file on a thread of its own and its own connection; episodes added or readdressed
// through the client's connection are noted as they are written.
class EpisodeIndex {
 public:
  static constexpr int kHashLength = 40;

  EpisodeIndex() = default;
  ~EpisodeIndex();
  EpisodeIndex(const EpisodeIndex&) = delete;
  EpisodeIndex& operator=(const EpisodeIndex&) = delete;

  // Starts building from the catalogue at path; version: the file's version as the client's
  // connection sees it now (another program's writes after it make the index stale).
  void build(const QString& path, int version);
  // An episode added or readdressed through the client's connection.
  void note(qint64 id, const QByteArray& address);
  // The ids (ascending) of every episode whose address may hold key; nothing when the index cannot
  // tell: not built yet, built before another program's writes (a new build is started), or a key
  // that is not 40 hex digits.
  std::optional<std::vector<qint64>> candidates(const QString& key, int version);
  // Ends a build under way and forgets the index (the file is being closed).
  void stop();
  // Waits until a build started has ended (tests and benchmarks); true when the index is ready.
  bool wait_ready(int ms);

  struct Entry {
    quint64 digest;
    qint64 id;
    bool operator<(const Entry& o) const { return digest < o.digest || (digest == o.digest && id < o.id); }
  };

 private:
  void adopt_build();

  QString path_;
  int version_ = -1;
  bool ready_ = false;
  std::vector<Entry> sorted_;   // the build's, and notes merged in now and then
  std::vector<Entry> recent_;   // notes since the last merge
  std::vector<qint64> unruly_;  // addresses with runs of hex digits too long to index window by window
  struct Built {
    std::vector<Entry> entries;
    std::vector<qint64> unruly;
    bool complete = false;
  };
  std::future<Built> building_;
  std::shared_ptr<std::atomic_bool> cancel_;
};

}  // namespace store

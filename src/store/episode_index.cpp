#include "store/episode_index.h"

#include <sqlite3.h>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <limits>

namespace store {

namespace {

constexpr int kLongestRun = 256;         // a longer run of hex digits: its row is always a candidate
constexpr int kRowsPerRead = 20000;      // the build lets go of the file between reads of this many rows
constexpr size_t kMergeAfter = 4096;     // notes kept unsorted until there are this many (or 1/16 of the rest)
constexpr size_t kMostCandidates = 512;  // more than this: the index tells nothing (a scan is cheaper)

bool is_hex(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

// FNV-1a of the window's digits, each as upper case.
quint64 digest(const char* window) {
  quint64 h = 14695981039346656037ull;
  for (int i = 0; i < EpisodeIndex::kHashLength; ++i) {
    const unsigned char c = static_cast<unsigned char>(window[i]);
    h ^= c >= 'a' ? c - ('a' - 'A') : c;  // only hex digits reach here
    h *= 1099511628211ull;
  }
  return h;
}

// Adds an entry for every 40-digit window of every run of hex digits; false when a run is too long.
bool add_windows(qint64 id, const char* s, int n, std::vector<EpisodeIndex::Entry>& out) {
  for (int i = 0; i < n;) {
    if (!is_hex(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    int end = i;
    while (end < n && is_hex(static_cast<unsigned char>(s[end]))) ++end;
    if (end - i > kLongestRun) return false;
    for (int k = i; k + EpisodeIndex::kHashLength <= end; ++k) out.push_back({digest(s + k), id});
    i = end;
  }
  return true;
}

void add_address(qint64 id, const char* s, int n, std::vector<EpisodeIndex::Entry>& entries,
                 std::vector<qint64>& unruly) {
  const size_t before = entries.size();
  if (add_windows(id, s, n, entries)) return;
  entries.resize(before);
  unruly.push_back(id);
}

}  // namespace

EpisodeIndex::~EpisodeIndex() { stop(); }

void EpisodeIndex::stop() {
  if (cancel_) *cancel_ = true;
  if (building_.valid()) building_.wait();
  building_ = {};
  cancel_.reset();
  ready_ = false;
}

void EpisodeIndex::build(const QString& path, int version) {
  stop();
  path_ = path;
  version_ = version;
  ready_ = false;
  sorted_.clear();
  recent_.clear();
  unruly_.clear();
  cancel_ = std::make_shared<std::atomic_bool>(false);
  building_ = std::async(std::launch::async, [file = QFile::encodeName(path), cancel = cancel_] {
    Built built;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      sqlite3_close(db);
      return built;
    }
    sqlite3_busy_timeout(db, 1500);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select jjID, j_url from jj where jjID > ? order by jjID limit ?", -1, &st, nullptr);
    qint64 last = std::numeric_limits<qint64>::min();
    int rc = SQLITE_DONE, rows = kRowsPerRead;
    while (st && rows == kRowsPerRead && !*cancel) {
      sqlite3_bind_int64(st, 1, last);
      sqlite3_bind_int(st, 2, kRowsPerRead);
      for (rows = 0; (rc = sqlite3_step(st)) == SQLITE_ROW; ++rows) {
        last = sqlite3_column_int64(st, 0);
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        add_address(last, text ? text : "", sqlite3_column_bytes(st, 1), built.entries, built.unruly);
      }
      sqlite3_reset(st);  // lets go of the file until the next read
      if (rc != SQLITE_DONE) break;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    built.complete = st && rc == SQLITE_DONE && !*cancel;
    if (built.complete) std::sort(built.entries.begin(), built.entries.end());
    return built;
  });
}

void EpisodeIndex::adopt_build() {
  if (!building_.valid() || building_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
  Built built = building_.get();
  cancel_.reset();
  if (!built.complete) return;  // the file could not be read through: the scan serves
  sorted_ = std::move(built.entries);
  unruly_.insert(unruly_.end(), built.unruly.begin(), built.unruly.end());
  ready_ = true;
}

void EpisodeIndex::note(qint64 id, const QByteArray& address) {
  if (!ready_ && !building_.valid()) return;
  add_address(id, address.constData(), static_cast<int>(address.size()), recent_, unruly_);
  if (!ready_ || recent_.size() < std::max(kMergeAfter, sorted_.size() / 16)) return;
  std::sort(recent_.begin(), recent_.end());
  const auto middle = sorted_.insert(sorted_.end(), recent_.begin(), recent_.end());
  std::inplace_merge(sorted_.begin(), middle, sorted_.end());
  recent_.clear();
}

std::optional<std::vector<qint64>> EpisodeIndex::candidates(const QString& key, int version) {
  const QByteArray hash = key.toLatin1();
  if (hash.size() != kHashLength ||
      !std::all_of(hash.begin(), hash.end(), [](char c) { return is_hex(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  adopt_build();
  if (!ready_) return std::nullopt;
  if (version != version_) {  // another program has written since: what it wrote is not in the index
    build(path_, version);
    return std::nullopt;
  }
  const quint64 d = digest(hash.constData());
  std::vector<qint64> ids = unruly_;
  const auto first = std::lower_bound(sorted_.begin(), sorted_.end(), Entry{d, std::numeric_limits<qint64>::min()});
  for (auto it = first; it != sorted_.end() && it->digest == d; ++it) ids.push_back(it->id);
  for (const Entry& e : recent_)
    if (e.digest == d) ids.push_back(e.id);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  if (ids.size() > kMostCandidates) return std::nullopt;
  return ids;
}

bool EpisodeIndex::wait_ready(int ms) {
  if (building_.valid()) building_.wait_for(std::chrono::milliseconds(ms));
  adopt_build();
  return ready_;
}

}  // namespace store

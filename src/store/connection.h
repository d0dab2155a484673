#pragma once
#include <QHash>
#include <QString>

#include "store/episode_index.h"

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// One SQLite connection that speaks the Jet dialect (translated before it runs).
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens an existing catalogue file (never creates one). Fails, with a reason, when the file
  // is not a database or lacks the catalogue's tables.
  bool open(const QString& path, QString* error = nullptr);
  void close();
  bool is_open() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // Runs one statement; its rows are discarded. False, with a reason, when it fails.
  bool execute(const QString& jet_statement, QString* error = nullptr);

  // A prepared statement for the Jet text (kept for reuse; owned by the connection).
  sqlite3_stmt* prepare(const QString& jet_statement, QString* error = nullptr);

  // Title rows (det) added or re-keyed through this connection: counted by temporary triggers of
  // this connection, so that asking costs nothing. `opened()` tells one opening from the next.
  quint64 title_writes() const { return title_writes_; }
  quint64 opened() const { return opened_; }
  // The file's version as other connections' commits move it (this connection's own do not). It
  // takes the file's lock: ask it seldom.
  int foreign_version() const;
  // Which episodes' addresses may hold a QVOD hash: built when the file opens, kept current with
  // the episodes written through this connection.
  EpisodeIndex& episode_index() { return episode_index_; }

  bool begin();
  // Only the outermost commit reaches the file. One that fails (another program holds the file past
  // the busy wait, a full disk) is rolled back and logged, so the connection goes on working.
  bool commit();
  void rollback();
  bool in_transaction() const { return depth_ > 0; }

  // A write that failed for a cause the user must know of (a read-only file or folder, a full
  // disk): said once per run. Other failures are only logged by the caller.
  void note_failure(int sqlite_code) const;

  // The user has been told that the file cannot be opened (once per run, until it opens again).
  bool unusable_said = false;

  // How long a statement waits for another program's lock before it fails.
  static constexpr int kBusyWaitMs = 1500;

 private:
  void drop_cache();
  // Another program (a compaction) may have put a new file in this one's place: between
  // transactions the connection follows the name to the file that is there now.
  void follow_replaced_file();
  void watch_writes();

  sqlite3* db_ = nullptr;
  QString path_;
  QHash<QString, sqlite3_stmt*> cache_;
  int depth_ = 0;
  quint64 title_writes_ = 0;
  EpisodeIndex episode_index_;
  quint64 opened_ = 0;
};

// Groups statements into one transaction; rolls back unless committed. Nests: only the
// outermost guard commits.
class Transaction {
 public:
  explicit Transaction(Connection& c);
  ~Transaction();
  bool commit();

 private:
  Connection& c_;
  bool active_ = false;
};

// The connection statements run on: the live session's (session::Session), opened by open_db.
// Without a session there is none, and asking for it ends the program (a fault of the program).
Connection& shared_connection();
// Makes c the connection statements run on; returns the one before (null: none).
Connection* use_connection(Connection* c);

// Program folder + "/mydb.mdb".
QString db_path();

// Makes sure the shared connection is open. A missing file shows "系统数据库丢失" and ends the
// process at once; a file that is no catalogue database is reported once, then every statement
// fails quietly (and is logged).
void open_db();

}  // namespace store

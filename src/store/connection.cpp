#include "store/connection.h"

#include <sqlite3.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <utility>

#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/trap.h"
#include "store/jet_sql.h"

namespace store {

namespace {

constexpr size_t kCacheLimit = 64;

bool has_catalogue_tables(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  const char* sql = "select count(*) from sqlite_master where type='table' and name in ('det','jj','fenlei','hist')";
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return false;
  const bool ok = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == 4;
  sqlite3_finalize(st);
  return ok;
}

// Tells the user once per run that nothing will be saved, and why.
void tell_unsaved(const QString& why, const QString& path) {
  static bool told = false;
  if (told || platform::ending()) return;
  told = true;
  platform::log_failure(QStringLiteral("catalogue"), why + QStringLiteral(": ") + path);
  platform::show_message(
      QStringLiteral("片库无法保存：%1。\n本次运行中对片库和播放记录的改动不会被保存。请检查 %2 的写入权限和磁盘空间。")
          .arg(why, path),
      platform::app_title());
}

bool only_blanks(const char* tail) {
  while (tail && *tail) {
    if (!isspace(static_cast<unsigned char>(*tail)) && *tail != ';') return false;
    ++tail;
  }
  return true;
}

}  // namespace

Connection::~Connection() { close(); }

bool Connection::open(const QString& path, QString* error) {
  close();
  const QByteArray p = path.toUtf8();
  // The wait comes before the first read: another program writing at this moment holds the file
  // for a few milliseconds, and that is no broken catalogue.
  const bool opened = sqlite3_open_v2(p.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
  if (opened) sqlite3_busy_timeout(db_, kBusyWaitMs);
  if (!opened || !has_catalogue_tables(db_)) {
    if (error) *error = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("cannot open");
    if (error && error->isEmpty()) *error = QStringLiteral("no catalogue tables");
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  path_ = path;
  ++opened_;
  watch_writes();
  episode_index_.build(path, foreign_version());
  const QString folder = QFileInfo(path).absolutePath();
  if (sqlite3_db_readonly(db_, "main") == 1) tell_unsaved(QStringLiteral("数据库文件是只读的"), path);
  else if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
    tell_unsaved(QStringLiteral("数据库所在的文件夹不能写入"), folder);
  return true;
}

// Temporary triggers live in this connection only (the file's schema stays as shipped).
void Connection::watch_writes() {
  sqlite3_create_function_v2(
      db_, "morvane_title_written", 0, SQLITE_UTF8, this,
      [](sqlite3_context* ctx, int, sqlite3_value**) {
        ++static_cast<Connection*>(sqlite3_user_data(ctx))->title_writes_;
      },
      nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(
      db_, "morvane_episode_written", 2, SQLITE_UTF8, this,
      [](sqlite3_context* ctx, int, sqlite3_value** args) {
        const auto* text = static_cast<const char*>(sqlite3_value_blob(args[1]));
        static_cast<Connection*>(sqlite3_user_data(ctx))
            ->episode_index_.note(sqlite3_value_int64(args[0]), QByteArray(text, sqlite3_value_bytes(args[1])));
      },
      nullptr, nullptr, nullptr);
  sqlite3_exec(db_,
               "create temp trigger if not exists morvane_title_added after insert on main.det "
               "begin select morvane_title_written(); end;"
               "create temp trigger if not exists morvane_title_rekeyed after update of keyID on main.det "
               "begin select morvane_title_written(); end;"
               "create temp trigger if not exists morvane_episode_added after insert on main.jj "
               "begin select morvane_episode_written(new.jjID, new.j_url); end;"
               "create temp trigger if not exists morvane_episode_readdressed after update on main.jj "
               "when new.jjID is not old.jjID or new.j_url is not old.j_url "
               "begin select morvane_episode_written(new.jjID, new.j_url); end;",
               nullptr, nullptr, nullptr);
}

void Connection::close() {
  episode_index_.stop();
  drop_cache();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  depth_ = 0;
}

void Connection::drop_cache() {
  for (sqlite3_stmt* st : std::as_const(cache_)) sqlite3_finalize(st);
  cache_.clear();
}

void Connection::follow_replaced_file() {
  if (depth_ > 0 || !sqlite3_get_autocommit(db_)) return;
  int moved = 0;
  if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || !moved) return;
  const QString path = path_;
  platform::log_failure(QStringLiteral("Connection"), path + QStringLiteral(" was replaced; opened again"));
  QString why;
  if (!open(path, &why)) platform::log_failure(QStringLiteral("Connection"), path + QStringLiteral(": ") + why);
}

sqlite3_stmt* Connection::prepare(const QString& jet_statement, QString* error) {
  if (db_) follow_replaced_file();
  if (!db_) {
    if (error) *error = QStringLiteral("the connection is not open");
    return nullptr;
  }
  if (sqlite3_stmt* hit = cache_.value(jet_statement)) {
    sqlite3_reset(hit);
    sqlite3_clear_bindings(hit);
    return hit;
  }
  const auto sql = translate_jet(jet_statement, error);
  if (!sql) return nullptr;
  const QByteArray utf8 = sql->toUtf8();
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &st, &tail) != SQLITE_OK || !st) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db_));
    return nullptr;
  }
  if (!only_blanks(tail)) {  // one statement per call, as Jet runs them
    sqlite3_finalize(st);
    if (error) *error = QStringLiteral("more than one statement");
    return nullptr;
  }
  if (size_t(cache_.size()) >= kCacheLimit) drop_cache();
  cache_.insert(jet_statement, st);
  return st;
}

bool Connection::execute(const QString& jet_statement, QString* error) {
  sqlite3_stmt* st = prepare(jet_statement, error);
  if (!st) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db_));
    note_failure(rc);
    return false;
  }
  return true;
}

void Connection::note_failure(int code) const {
  switch (code & 0xff) {
    case SQLITE_READONLY: return tell_unsaved(QStringLiteral("数据库文件或它所在的文件夹是只读的"), path_);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      return tell_unsaved(QStringLiteral("数据库所在的文件夹不能写入"), QFileInfo(path_).absolutePath());
    case SQLITE_FULL: return tell_unsaved(QStringLiteral("磁盘已满"), path_);
    case SQLITE_IOERR: return tell_unsaved(QStringLiteral("写入数据库文件时出错"), path_);
    default: return;
  }
}

int Connection::foreign_version() const {
  if (!db_) return -1;
  sqlite3_stmt* st = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(db_, "pragma data_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    version = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  return version;
}

bool Connection::begin() {
  if (!db_) return false;
  if (depth_++ > 0) return true;
  if (sqlite3_exec(db_, "begin", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  depth_ = 0;
  return false;
}

bool Connection::commit() {
  if (!db_ || depth_ == 0) return false;
  if (--depth_ > 0) return true;
  const int rc = sqlite3_exec(db_, "commit", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return true;
  note_failure(rc);
  platform::log_failure(QStringLiteral("commit"), QString::fromUtf8(sqlite3_errmsg(db_)) +
                                                      QStringLiteral(": the transaction's writes are rolled back"));
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
  return false;
}

void Connection::rollback() {
  if (!db_ || depth_ == 0) return;
  depth_ = 0;
  sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
}

Transaction::Transaction(Connection& c) : c_(c), active_(c.begin()) {}

Transaction::~Transaction() {
  if (active_) c_.rollback();
}

bool Transaction::commit() {
  if (!active_) return false;
  active_ = false;
  return c_.commit();
}

namespace {
Connection* current_connection = nullptr;
}

Connection* use_connection(Connection* c) { return std::exchange(current_connection, c); }

Connection& shared_connection() {
  if (!current_connection) qFatal("the catalogue has no connection: no session is open");
  return *current_connection;
}

QString db_path() { return platform::program_file(QStringLiteral("mydb.mdb")); }

void open_db() {
  const QString path = db_path();
  if (!platform::file_present(path)) {
    platform::fatal_message(QStringLiteral("系统数据库丢失"), platform::app_title());
    return;  // only while the first fatal message is still up
  }
  Connection& c = shared_connection();
  if (c.is_open()) return;
  QString why;
  if (c.open(path, &why)) {
    c.unusable_said = false;
    return;
  }
  platform::log_once(QStringLiteral("open_db"), path + QStringLiteral(": ") + why);
  if (c.unusable_said) return;
  c.unusable_said = true;
  platform::show_message(QStringLiteral("数据库文件 %1 无法打开：它已损坏，或不是Morvane的数据库。\n"
                                        "本次运行将无法保存片库和播放记录。请关闭程序，用安装包中的"
                                        " mydb.mdb 替换此文件后重新打开。")
                             .arg(path),
                         platform::app_title());
}

}  // namespace store

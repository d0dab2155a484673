#include "store/maintenance.h"

#include <sqlite3.h>
#include <QFile>
#include <tuple>

#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "store/builders.h"
#include "store/connection.h"

namespace store {

namespace {

QString temp_path() { return platform::program_file(QStringLiteral("newtmp.mdb")); }

// The copy through SQLite's own compaction, from a connection of its own.
bool vacuum_into(const QString& source, const QString& target, QString* why) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(source.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
  if (ok) {
    sqlite3_stmt* st = nullptr;
    ok = sqlite3_prepare_v2(db, "vacuum into ?", -1, &st, nullptr) == SQLITE_OK;
    if (ok) {
      const QByteArray t = target.toUtf8();
      sqlite3_bind_text(st, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
      ok = sqlite3_step(st) == SQLITE_DONE;
    }
    sqlite3_finalize(st);
  }
  if (!ok) *why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("cannot open");
  sqlite3_close(db);
  return ok;
}

void report_failure(const LabelSink& label1, const QString& why) {
  platform::log_failure(QStringLiteral("compact_db"), why);
  QFile::remove(temp_path());
  label1(QStringLiteral("准备就绪"));
  platform::show_message(QStringLiteral("数据库压缩失败，原数据库未作改动。\n原因：%1").arg(why),
                         platform::app_title());
}

}  // namespace

void compact_db(const LabelSink& label1) {
  const QString db = db_path();
  const QString tmp = temp_path();
  if (QFile::exists(tmp) && !QFile::remove(tmp)) return report_failure(label1, QStringLiteral("cannot remove ") + tmp);
  platform::set_hidden(db, false);
  shared_connection().close();
  QString why;
  if (!platform::file_present(db)) return report_failure(label1, QStringLiteral("missing ") + db);
  // The copy takes the old file's place: whoever still holds the old file would write into nothing.
  if (const auto holders = platform::processes_holding(db); !holders.empty())
    return report_failure(label1,
                          QStringLiteral("另一个程序（进程 %1）正在使用数据库，请先关闭它").arg(holders.front()));
  if (!vacuum_into(db, tmp, &why)) return report_failure(label1, why);
  // One rename puts the copy in place: there is never a moment without a database file.
  if (::rename(tmp.toUtf8().constData(), db.toUtf8().constData()) != 0)
    return report_failure(label1, QStringLiteral("cannot replace ") + db);
  label1(QStringLiteral("准备就绪"));
  platform::set_hidden(db, true);
  platform::show_message(QStringLiteral("数据库压缩成功..."), platform::app_title());
}

bool dedup_titles() {
  // Titles written here are counted as they are written; another program's writes are seen through
  // the file's version, asked once in kForeignEvery ticks (asking takes the file's lock).
  constexpr int kForeignEvery = 10;
  static std::tuple<quint64, quint64, int> after_last_run{0, 0, -2};
  static int ticks = 0, foreign = -1;
  open_db();
  Connection& c = shared_connection();
  if (c.is_open()) {
    if (ticks++ % kForeignEvery == 0 || std::get<0>(after_last_run) != c.opened()) foreign = c.foreign_version();
    if (std::tuple(c.opened(), c.title_writes(), foreign) == after_last_run) return false;
  }
  db_execute(kDedupStatement);
  after_last_run = {c.opened(), c.title_writes(), foreign};
  return true;
}

void date_ys_click(const LabelSink& label1) {
  label1(QStringLiteral("数据库压缩中..请稍后"));
  compact_db(label1);
}

}  // namespace store

#include "store/builders.h"

#include <QStringList>
#include <utility>
#include <vector>

#include <sqlite3.h>

#include "platform/log.h"
#include "store/connection.h"
#include "store/text_utils.h"

namespace store {

namespace {

// The "|"-pieces of fields and values whose value is not empty, in order.
std::vector<std::pair<QString, QString>> filled_pairs(const QString& fields, const QString& values) {
  const QStringList f = fields.split('|');
  const QStringList v = values.split('|');
  std::vector<std::pair<QString, QString>> pairs;
  for (int i = 0; i < f.size() && i < v.size(); ++i)
    if (!v[i].isEmpty()) pairs.emplace_back(f[i], v[i]);
  return pairs;
}

bool ids_only(const QStringList& keys) {
  for (const QString& k : keys)
    if (!parse_id(k)) return false;
  return !keys.isEmpty();
}

}  // namespace

QString build_insert(const QString& table, const QString& fields, const QString& values) {
  if (!fields.contains('|')) return "insert into " + table + " (" + fields + ") values (" + values + ")";
  QStringList names, items;
  for (const auto& [f, v] : filled_pairs(fields, values)) {
    names << f;
    items << v;
  }
  return "insert into " + table + " (" + names.join(',') + ") values (" + items.join(',') + ")";
}

std::optional<QString> build_update(const QString& table, const QString& fields, const QString& values,
                                    const QString& key_field, const QString& key_values) {
  if (!ids_only(key_values.split(','))) return std::nullopt;
  QStringList sets;
  if (!fields.contains('|')) sets << fields + '=' + values;
  else
    for (const auto& [f, v] : filled_pairs(fields, values)) sets << f + '=' + v;
  const QString condition =
      key_values.contains(',') ? key_field + " in (" + key_values + " )" : key_field + '=' + key_values;
  return "update " + table + " set " + sets.join(',') + " where " + condition;
}

std::optional<QString> build_delete(const QString& table, const QString& key_field, const QString& key_values) {
  if (!key_values.contains(',')) {
    if (!parse_id(key_values)) return std::nullopt;
    return "delete from " + table + " where " + key_field + '=' + key_values;
  }
  const QStringList keys = key_values.split(',', Qt::SkipEmptyParts);
  if (!ids_only(keys)) return std::nullopt;
  return "delete from " + table + " where " + key_field + " in (" + keys.join(',') + ")";
}

bool db_execute(const QString& statement) {
  open_db();
  QString why;
  if (shared_connection().execute(statement, &why)) return true;
  if (!shared_connection().is_open())
    platform::log_once(QStringLiteral("db_execute"), QStringLiteral("no catalogue: statements do not run"));
  else platform::log_failure(QStringLiteral("db_execute"), why + QStringLiteral(" | ") + statement);
  return false;
}

namespace {
void run_built(const char* routine, const std::optional<QString>& statement) {
  if (statement) {
    db_execute(*statement);
    return;
  }
  open_db();
  platform::log_failure(QString::fromLatin1(routine), QStringLiteral("refused: a key that is not an id"));
}
}  // namespace

bool db_insert_rows(const QString& table, const QStringList& fields, const QList<QVariantList>& rows) {
  if (rows.isEmpty()) return true;
  open_db();
  QStringList marks;
  for (qsizetype i = 0; i < fields.size(); ++i) marks << QStringLiteral("?");
  const QString statement = "insert into " + table + " (" + fields.join(',') + ") values (" + marks.join(',') + ")";
  QString why;
  sqlite3_stmt* st = shared_connection().prepare(statement, &why);
  if (!st) {
    platform::log_failure(QStringLiteral("db_insert_rows"), why + QStringLiteral(" | ") + statement);
    return false;
  }
  for (const QVariantList& row : rows) {
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    for (int i = 0; i < row.size() && i < fields.size(); ++i) {
      const QVariant& v = row[i];
      if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
        sqlite3_bind_int64(st, i + 1, v.toLongLong());
      } else {
        const QByteArray text = v.toString().toUtf8();
        sqlite3_bind_text(st, i + 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      }
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
      platform::log_failure(QStringLiteral("db_insert_rows"), QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(st))) +
                                                                  QStringLiteral(" | ") + statement);
      shared_connection().note_failure(rc);
      sqlite3_reset(st);
      return false;
    }
  }
  sqlite3_reset(st);
  return true;
}

void db_insert(const QString& table, const QString& fields, const QString& values) {
  db_execute(build_insert(table, fields, values));
}

void db_update(const QString& table, const QString& fields, const QString& values, const QString& key_field,
               const QString& key_values) {
  run_built("db_update", build_update(table, fields, values, key_field, key_values));
}

void db_delete(const QString& table, const QString& key_field, const QString& key_values) {
  run_built("db_delete", build_delete(table, key_field, key_values));
}

}  // namespace store

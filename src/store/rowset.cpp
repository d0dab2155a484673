#include "store/rowset.h"

#include <sqlite3.h>
#include <QDateTime>

#include "platform/log.h"
#include "store/jet_sql.h"

namespace store {

namespace {

QVariant read_column(sqlite3_stmt* st, int i) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: {
      const qint64 v = sqlite3_column_int64(st, i);
      return v >= INT32_MIN && v <= INT32_MAX ? QVariant(static_cast<int>(v)) : QVariant(v);
    }
    case SQLITE_FLOAT: return sqlite3_column_double(st, i);
    case SQLITE_TEXT:
      return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_BLOB:
      return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    default: return {};
  }
}

QString text_of(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

// Dates go in as stored dates; everything else as its own type.
void bind_value(sqlite3_stmt* st, int index, const QVariant& v, const QString& declared) {
  if (!v.isValid() || v.isNull()) {
    sqlite3_bind_null(st, index);
    return;
  }
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::Bool: sqlite3_bind_int64(st, index, v.toLongLong()); return;
    case QMetaType::Double: sqlite3_bind_double(st, index, v.toDouble()); return;
    case QMetaType::QDateTime: {
      const QByteArray t = to_stored_date(v.toDateTime()).toUtf8();
      sqlite3_bind_text(st, index, t.constData(), t.size(), SQLITE_TRANSIENT);
      return;
    }
    default: break;
  }
  QString text = v.toString();
  if (declared.contains(QLatin1String("DATE"), Qt::CaseInsensitive))
    if (const auto when = parse_jet_date(text)) text = to_stored_date(*when);
  const QByteArray t = text.toUtf8();
  sqlite3_bind_text(st, index, t.constData(), t.size(), SQLITE_TRANSIENT);
}

}  // namespace

bool RowSet::Open(const QString& jet_statement, Connection& c) {
  Close();
  if (&c == &shared_connection()) open_db();
  conn_ = &c;
  QString why;
  sqlite3_stmt* st = c.prepare(jet_statement, &why);
  if (!st) {
    if (!c.is_open())
      platform::log_once(QStringLiteral("RowSet::Open"), QStringLiteral("no catalogue: queries find nothing"));
    else platform::log_failure(QStringLiteral("RowSet::Open"), why + QStringLiteral(" | ") + jet_statement);
    return false;
  }
  const int n = sqlite3_column_count(st);
  for (int i = 0; i < n; ++i)
    columns_.push_back({text_of(sqlite3_column_name(st, i)), text_of(sqlite3_column_table_name(st, i)),
                        text_of(sqlite3_column_origin_name(st, i)), text_of(sqlite3_column_decltype(st, i))});
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<QVariant> row(n);
    for (int i = 0; i < n; ++i) row[i] = read_column(st, i);
    rows_.push_back(std::move(row));
  }
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) {
    platform::log_failure(QStringLiteral("RowSet::Open"), QString::fromUtf8(sqlite3_errmsg(c.handle())));
    rows_.clear();
    return false;
  }
  dirty_.assign(n, false);
  return true;
}

void RowSet::Close() {
  columns_.clear();
  rows_.clear();
  dirty_.clear();
  pos_ = 0;
  adding_ = false;
}

void RowSet::MoveFirst() {
  Update();
  pos_ = 0;
}

void RowSet::MoveNext() {
  Update();
  if (pos_ < rows_.size()) ++pos_;
}

int RowSet::column_of(const QString& name) const {
  // Most look-ups name the column as the statement did: found without folding case or parsing.
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name == name) return static_cast<int>(i);
  const int dot = name.indexOf('.');
  const QString table = dot < 0 ? QString() : name.left(dot);
  const QString field = dot < 0 ? name : name.mid(dot + 1);
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name.compare(field, Qt::CaseInsensitive) != 0) continue;
    if (table.isEmpty() || columns_[i].table.compare(table, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

QVariant RowSet::Fields(const QString& name) const {
  const int i = column_of(name);
  if (i < 0 || Eof()) return QString();
  const QVariant& v = rows_[pos_][i];
  return v.isNull() ? QVariant(QString()) : v;
}

void RowSet::SetField(const QString& name, const QVariant& value) {
  const int i = column_of(name);
  if (i < 0 || Eof()) return;
  rows_[pos_][i] = value;
  dirty_[i] = true;
}

void RowSet::AddNew() {
  Update();
  rows_.emplace_back(columns_.size());
  pos_ = rows_.size() - 1;
  adding_ = true;
}

bool RowSet::Update() {
  const bool any = std::find(dirty_.begin(), dirty_.end(), true) != dirty_.end();
  bool ok = true;
  if (adding_) ok = insert_new_row();
  else if (any) ok = write_edits();
  adding_ = false;
  dirty_.assign(columns_.size(), false);
  return ok;
}

QString RowSet::key_column(const QString& table) const {
  sqlite3_stmt* st = nullptr;
  const QByteArray sql = ("select name from pragma_table_info('" + table + "') where pk = 1").toUtf8();
  QString key;
  if (sqlite3_prepare_v2(conn_->handle(), sql.constData(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    key = text_of(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  return key;
}

bool RowSet::write_edits() {
  // Group the edited fields by the table they come from; each table's row is found by its key.
  bool ok = true;
  for (size_t first = 0; first < columns_.size(); ++first) {
    if (!dirty_[first] || columns_[first].table.isEmpty()) continue;
    const QString table = columns_[first].table;
    const QString key = key_column(table);
    int key_index = -1;
    for (size_t i = 0; i < columns_.size(); ++i)
      if (columns_[i].table == table && columns_[i].origin.compare(key, Qt::CaseInsensitive) == 0) key_index = int(i);
    if (key.isEmpty() || key_index < 0) {
      ok = false;
      continue;
    }
    QString sets;
    std::vector<int> bound;
    for (size_t i = first; i < columns_.size(); ++i) {
      if (!dirty_[i] || columns_[i].table != table) continue;
      sets += (sets.isEmpty() ? "" : ",") + columns_[i].origin + "=?";
      bound.push_back(int(i));
      dirty_[i] = false;
    }
    const QByteArray sql = ("update " + table + " set " + sets + " where " + key + "=?").toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(conn_->handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
      ok = false;
      continue;
    }
    int k = 1;
    for (int i : bound) bind_value(st, k++, rows_[pos_][i], columns_[i].declared);
    bind_value(st, k, rows_[pos_][key_index], {});
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) conn_->note_failure(rc);
    ok = rc == SQLITE_DONE && ok;
    sqlite3_finalize(st);
  }
  if (!ok) platform::log_failure(QStringLiteral("RowSet::Update"), QString::fromUtf8(sqlite3_errmsg(conn_->handle())));
  return ok;
}

QString RowSet::single_table() const {
  QString table;
  for (const Column& c : columns_) {
    if (c.table.isEmpty() || (!table.isEmpty() && c.table != table)) return {};
    table = c.table;
  }
  return table;
}

bool RowSet::insert_new_row() {
  const QString table = single_table();  // rows of a join cannot be appended
  QString names, marks;
  std::vector<int> bound;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!dirty_[i]) continue;
    names += (names.isEmpty() ? "" : ",") + columns_[i].origin;
    marks += marks.isEmpty() ? "?" : ",?";
    bound.push_back(int(i));
  }
  const QString text = names.isEmpty() ? "insert into " + table + " default values"
                                       : "insert into " + table + " (" + names + ") values (" + marks + ")";
  sqlite3_stmt* st = nullptr;
  const QByteArray sql = text.toUtf8();
  if (table.isEmpty() || sqlite3_prepare_v2(conn_->handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
    rows_.pop_back();
    pos_ = rows_.size();
    return false;
  }
  int k = 1;
  for (int i : bound) bind_value(st, k++, rows_[pos_][i], columns_[i].declared);
  const int rc = sqlite3_step(st);
  const bool ok = rc == SQLITE_DONE;
  sqlite3_finalize(st);
  if (!ok) {
    conn_->note_failure(rc);
    platform::log_failure(QStringLiteral("RowSet::AddNew"), QString::fromUtf8(sqlite3_errmsg(conn_->handle())));
    rows_.pop_back();  // the snapshot holds only rows that exist
    pos_ = rows_.size();
    return false;
  }
  const QString key = key_column(table);
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].origin.compare(key, Qt::CaseInsensitive) == 0)
      rows_[pos_][i] = static_cast<int>(sqlite3_last_insert_rowid(conn_->handle()));
  return true;
}

}  // namespace store

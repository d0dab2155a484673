#pragma once
#include <QString>
#include <QVariant>
#include <vector>

#include "store/connection.h"

namespace store {

// A static, optimistic row set: a snapshot of a query's rows with an exact RecordCount, walked
// with Eof/MoveNext, edited by field name and written back by row id with Update; AddNew appends.
// Field names compare without regard to case; a null field reads as an empty value.
class RowSet {
 public:
  // Runs the query; false (and no rows) when it fails.
  bool Open(const QString& jet_statement, Connection& c = shared_connection());
  void Close();

  int RecordCount() const { return static_cast<int>(rows_.size()); }
  bool Eof() const { return pos_ >= rows_.size(); }
  void MoveFirst();
  void MoveNext();

  bool has_field(const QString& name) const { return column_of(name) >= 0; }
  QVariant Fields(const QString& name) const;  // null and unknown fields read as ""
  QString text(const QString& name) const { return Fields(name).toString(); }
  int number(const QString& name) const { return Fields(name).toInt(); }

  // Edits the current row; written by Update (or by moving to another row, as ADO does).
  void SetField(const QString& name, const QVariant& value);
  bool Update();
  void AddNew();

 private:
  struct Column {
    QString name, table, origin, declared;
  };
  int column_of(const QString& name) const;
  bool write_edits();
  bool insert_new_row();
  QString key_column(const QString& table) const;
  QString single_table() const;

  Connection* conn_ = nullptr;
  std::vector<Column> columns_;
  std::vector<std::vector<QVariant>> rows_;
  std::vector<bool> dirty_;
  size_t pos_ = 0;
  bool adding_ = false;
};

}  // namespace store

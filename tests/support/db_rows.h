#pragma once
#include <QStringList>

#include "store/rowset.h"

// One field of every row a query gives, as text.
inline QStringList column(const QString& query, const char* field) {
  store::RowSet rs;
  rs.Open(query);
  QStringList out;
  for (; !rs.Eof(); rs.MoveNext()) out << rs.text(field);
  return out;
}

#pragma once
#include <QStringList>

#include "store/rowset.h"
#include "store/text_utils.h"

// One field of every row a query gives, as text.
inline QStringList column(const QString& query, const char* field) {
  store::RowSet rs;
  rs.Open(query);
  QStringList out;
  for (; !rs.Eof(); rs.MoveNext()) out << rs.text(field);
  return out;
}

// The position (seconds) of an address's free history entry, or -1 when it has none.
inline int free_entry_position(const QString& address) {
  store::RowSet rs;
  rs.Open("select * from hist where keyID=0 and hist_url=" + store::text_literal(address));
  return rs.Eof() ? -1 : rs.number("jd");
}

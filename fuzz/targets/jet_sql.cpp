// Statements in the catalogue's Jet dialect, through the store's connection (translation, then
// SQLite against the shipped schema): any text is refused or prepared as one statement, and a
// value from outside put in through the store's literal functions can never turn a query into a
// write or break the statement around it.
#include <QStringList>

#include <sqlite3.h>

#include "fuzz_catalogue.h"
#include "fuzz_support.h"
#include "store/jet_sql.h"
#include "store/text_utils.h"

namespace {
FuzzCatalogue* catalogue;

// The statement prepares, and only reads.
bool reads_only(const QString& statement) {
  sqlite3_stmt* st = catalogue->connection.prepare(statement);
  return st && sqlite3_stmt_readonly(st);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  catalogue = new FuzzCatalogue;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = fuzz_text(data, size);
  catalogue->connection.prepare(text);
  store::parse_jet_date(text);

  FUZZ_CHECK(reads_only("select * from hist where hist_url like " + store::text_literal("%" + text + "%")));
  FUZZ_CHECK(reads_only("select * from jj where j_url = " + store::text_literal(store::sql_safe(text))));
  const QString date = store::date_literal(text);
  if (!date.isEmpty()) FUZZ_CHECK(reads_only("select * from hist where add_time < " + date));
  const QString number = store::number_literal(text);
  if (!number.isEmpty()) {
    FUZZ_CHECK(store::parse_id(number).has_value());
    FUZZ_CHECK(reads_only("select * from det where keyID = " + number));
  }
  return 0;
}

// A title's detail page as the site sends it: decoded, taken apart into the title's fields and
// episodes, merged into a catalogue of the shipped schema, and read back as the detail view reads it.
#include "catalog/merge.h"
#include "catalog/text.h"
#include "fuzz_catalogue.h"
#include "fuzz_support.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace {
FuzzCatalogue* catalogue;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  catalogue = new FuzzCatalogue;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString page = catalog::utf8_decode(fuzz_bytes(data, size));
  if (!catalog::page_mergeable(page)) return 0;
  const QString key = QStringLiteral("1034");
  const catalog::StoredEpisodes before = catalog::stored_episodes(key, 0);
  FUZZ_CHECK(catalog::merge_title(key, page, before));
  store::RowSet title;
  title.Open(QStringLiteral("select * from det where keyID = 1034"));
  // A title stored without episodes is stored again by its next merge (the catalogue's periodic
  // clean-up removes the older copies): at least one row.
  FUZZ_CHECK(title.RecordCount() >= 1);
  // What the merge stored as the add time reads back as a date (or as none).
  store::fmt_datetime(title.Fields(QStringLiteral("add_time")));
  const catalog::StoredEpisodes after = catalog::stored_episodes(key, 0);
  for (const QString& url : after.urls) FUZZ_CHECK(!url.contains('|') && !url.contains('\''));
  FUZZ_CHECK(catalogue->dialogs.shown.isEmpty());
  return 0;
}

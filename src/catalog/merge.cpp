#include "catalog/merge.h"

#include "platform/trap.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace catalog {

using store::sql_safe;

namespace {

const QString kTitleFields = QStringLiteral("d_name|keyID|yr|yea_r|dq|fenleiID|zt|fm|nr|add_time");
const QString kEpisodeFields = QStringLiteral("keyID|j_url|wjm");

QString description_of(const QString& page) {
  QString d;
  // A description without its end marker stays empty.
  platform::trap("refresh_title", [&] { d = store::cut_text(page, "<!--c_start-->", "<!--c_end-->", 0); });
  return d;
}

// A text of the page as the catalogue keeps it ("‘" for an apostrophe, a blank for a bar), quoted.
QString text_of(const QString& value) { return store::text_literal(sql_safe(value)); }

// Every piece is a literal it cannot leave: texts quoted, the category a number or nothing, the
// add time a date or nothing (an empty piece is left out of the statement).
QString title_values(const QString& key, const QStringList& line, const QString& description) {
  const QStringList pieces = {
      text_of(line.value(0)), store::number_literal(key),           text_of(line.value(2)), text_of(line.value(6)),
      text_of(line.value(4)), store::number_literal(line.value(3)), text_of(line.value(5)), text_of(line.value(1)),
      text_of(description),   store::date_literal(line.value(7))};
  return pieces.join('|');
}

QString episode_values(const QString& key, const QString& entry) {
  return store::number_literal(key) + '|' + text_of(entry) + '|' + text_of(entry.split('$').value(2));
}

void insert_episode(const QString& key, const QString& entry) {
  store::db_insert("jj", kEpisodeFields, episode_values(key, entry));
}

// Episodes new to the catalogue, all through one statement (a long series has thousands). The
// entries come from the block already in the catalogue's form (sql_safe, as text_of writes it).
void insert_episodes(const QString& key, const QStringList& entries) {
  QList<QVariantList> rows;
  rows.reserve(entries.size());
  const qlonglong id = store::parse_id(key).value_or(0);
  for (const QString& entry : entries) rows.append(QVariantList{id, entry, entry.section('$', 2, 2)});
  store::db_insert_rows("jj", {"keyID", "j_url", "wjm"}, rows);
}

void update_episode(const QString& key, const QString& entry, const QString& jj_id) {
  store::db_update("jj", kEpisodeFields, episode_values(key, entry), "jjID", jj_id);
}

// `block` is the page's episode block in the catalogue's form already (sql_safe).
void merge_episodes(const QString& key, const QString& block, StoredEpisodes stored) {
  if (block.isEmpty()) return;
  if (!block.contains(QLatin1String("::"))) {
    if (stored.count == 0) insert_episode(key, block);
    else if (stored.count == 1) update_episode(key, block, stored.ids.value(0));
    else if (!stored.add_time.isEmpty()) {
      store::db_delete("jj", "keyID", key);
      insert_episode(key, block);
    }
    return;
  }
  const QStringList entries = block.split(QStringLiteral("::"));
  if (stored.count > entries.size() && !stored.add_time.isEmpty()) {
    store::db_delete("jj", "keyID", key);
    stored.count = 0;
  }
  for (int i = 0; i < entries.size() && i < stored.count; ++i)
    if (entries[i] != stored.urls.value(i)) update_episode(key, entries[i], stored.ids.value(i));
  insert_episodes(key, entries.mid(stored.count));
}

}  // namespace

StoredEpisodes stored_episodes(const QString& id, int mode) {
  StoredEpisodes s;
  if (!store::parse_id(id)) return s;
  const QString condition = mode == 1 ? "det.detailID = " : "det.keyID = ";
  store::RowSet rs;
  rs.Open("select det.add_time,det.zt,det.detailID,jj.* from jj inner join det on jj.keyID = det.keyID where " +
          condition + store::number_literal(id) + " order by jjID ASC ");
  if (rs.Eof()) {
    // A title stored without episodes still has its key in det: its refresh must find it there.
    if (mode == 1) {
      store::RowSet title;
      title.Open("select keyID from det where detailID = " + store::number_literal(id));
      if (!title.Eof()) s.key = title.text("keyID");
    }
    return s;
  }
  s.key = rs.text("keyID");
  s.count = rs.RecordCount();
  platform::trap("refresh_title", [&] { s.add_time = store::fmt_datetime(rs.Fields("add_time")); });
  for (; !rs.Eof(); rs.MoveNext()) {
    s.urls << rs.text("j_url");
    s.ids << rs.text("jjID");
  }
  return s;
}

bool page_mergeable(const QString& page) { return !page.isEmpty() && !page.contains(QLatin1String("bdhd://")); }

bool merge_title(const QString& key, const QString& page, const StoredEpisodes& stored) {
  if (!store::parse_id(key)) return false;
  store::open_db();
  store::Transaction merge(store::shared_connection());
  const QStringList lines = page.split('\r');
  const QString description = description_of(page);
  if (stored.count == 0) store::db_insert("det", kTitleFields, title_values(key, lines, description));
  else store::db_update("det", kTitleFields, title_values(key, lines, description), "keyID", key);
  merge_episodes(key, sql_safe(store::cut_text(page, "<!--jj_start-->", QString(), 2)), stored);
  return merge.commit();
}

}  // namespace catalog

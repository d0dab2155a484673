#include "history/history_store.h"

#include <QDateTime>
#include <QListWidget>
#include <tuple>

#include "platform/trap.h"
#include "player/addresses.h"
#include "session/session.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace history {

namespace {

void open_free_entry(store::RowSet& rs, const QString& address, const QString& key) {
  rs.Open(key.isEmpty() ? "select * from hist where hist_url = " + store::text_literal(address)
                        : "select * from hist where hist_url like " + store::text_literal('%' + key + '%'));
}

// Sets rs on the first episode whose address holds the key: the row the scan "where j_url like
// '%KEY%'" finds. The episode index names the few rows that may hold it, so a play's record and its
// saves every 2.5 s read those instead of every episode; where it cannot tell, the scan runs.
void open_episode(store::RowSet& rs, const QString& key) {
  const QString holds_key = "j_url like " + store::text_literal('%' + key + '%');
  store::Connection& c = store::shared_connection();
  if (const auto ids = c.episode_index().candidates(key, c.foreign_version())) {
    QStringList listed;
    for (const qint64 id : *ids) listed << QString::number(id);
    rs.Open("select * from jj where jjID in (" + listed.join(',') + ") and " + holds_key + " order by jjID");
    return;
  }
  rs.Open("select * from jj where " + holds_key);
}

}  // namespace

QString match_key(const QString& address) { return address.contains('|') ? address.split('|').value(1) : QString(); }

// The same rules as the player's display name.
QString title_from_url(const QString& address) { return player::hq_wjm(address); }

std::optional<int> HistoryStore::hist_record(const QString& address, int kind) {
  std::optional<int> start;
  int added = 0;  // the histID of an entry this play adds
  QString added_title;
  platform::trap("hist_record", [&] {
    store::open_db();
    const QString key = match_key(address);
    store::RowSet rs;
    if (kind == 0) {
      open_free_entry(rs, address, key);
      if (rs.Eof()) {
        rs.AddNew();
        rs.SetField("hist_title", title_from_url(address));
        rs.SetField("hist_url", address);
        if (rs.Update()) std::tie(added, added_title) = std::pair(rs.number("histID"), rs.text("hist_title"));
      } else {
        start = rs.number("jd");
      }
      return;
    }
    const catalog::PlayState& state = session_.play;
    rs.Open(QStringLiteral("select * from hist where keyID= ") + QString::number(state.hist_key));
    if (rs.Eof()) {
      rs.AddNew();
      rs.SetField("hist_title", state.title_name);
      rs.SetField("keyID", state.hist_key);
      rs.SetField("hist_url", address);
      if (rs.Update()) std::tie(added, added_title) = std::pair(rs.number("histID"), rs.text("hist_title"));
      return;
    }
    rs.SetField("hist_url", address);
    rs.SetField("add_time", QDateTime::currentDateTime());
    rs.Update();
    if (key.isEmpty()) return;  // a key that matches every episode finds none in particular
    store::RowSet episode;
    open_episode(episode, key);
    if (!episode.Eof()) start = episode.number("jl");
  });
  if (added) show_entry(added, added_title);  // a known entry keeps its place: ordered by histID
  return start;
}

void HistoryStore::hist_save_pos(const QString& address, int kind, int position) {
  platform::trap("hist_save_pos", [&] {
    store::open_db();
    const QString key = match_key(address);
    store::RowSet rs;
    if (kind == 0) {
      open_free_entry(rs, address, key);
      if (rs.Eof()) return;
      rs.SetField("jd", position);
    } else {
      if (key.isEmpty()) return;
      open_episode(rs, key);
      if (rs.Eof()) return;
      rs.SetField("jl", position);
    }
    rs.Update();
  });
}

void HistoryStore::hist_delete(const QString& hist_id) {
  const std::optional<qint32> id = store::parse_id(hist_id);
  if (!id) return;
  store::db_execute("update jj set jl=0 where keyID in (select keyID from hist where histID= " +
                    store::number_literal(hist_id) + ")");
  store::db_delete("hist", "histID", hist_id);
  if (QListWidget* list = session_.history_list)
    for (int row = list->count() - 1; row >= 0; --row)
      if (list->item(row)->data(Qt::UserRole).toInt() == *id) delete list->takeItem(row);
}

void HistoryStore::hist_clear() {
  store::db_execute("update jj set jl=0 where jl<> 0");
  store::db_execute("delete * from hist");
}

void HistoryStore::qk_td() {
  store::db_execute("update jj set jl=0 where jl<>0 and keyID=" + QString::number(session_.play.loaded_key));
}

void HistoryStore::hist_fill_list() {
  QListWidget* list = session_.history_list;
  if (!list) return;
  list->setUpdatesEnabled(false);
  list->clear();
  store::RowSet rs;
  rs.Open("select * from hist order by histID ASC");
  for (; !rs.Eof(); rs.MoveNext()) show_entry(rs.number("histID"), rs.text("hist_title"));
  list->setUpdatesEnabled(true);
}

void HistoryStore::show_entry(int hist_id, const QString& title) {
  if (!session_.history_list) return;
  auto* item = new QListWidgetItem(title, session_.history_list);
  item->setData(Qt::UserRole, hist_id);
}

void HistoryStore::prepare_list(QListWidget* list) {
  list->setUniformItemSizes(true);
  list->setLayoutMode(QListView::Batched);
}

}  // namespace history

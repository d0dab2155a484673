#pragma once
#include <QString>
#include <QStringList>

namespace catalog {

// A title's stored episodes, as the refresh reads them before it fetches.
struct StoredEpisodes {
  int count = 0;     // L
  QString key;       // K: the title's keyID
  QString add_time;  // T: the title's stored add time (fmt_datetime), "" when none
  QStringList urls;  // U: j_url in jjID order
  QStringList ids;   // J: jjID in the same order
};

// mode 1: id is a detailID; any other mode: a keyID. Ids that are no 32-bit numbers find nothing.
StoredEpisodes stored_episodes(const QString& id, int mode);

// A detail page the merge takes: not empty and without a Baidu address.
bool page_mergeable(const QString& page);

// Merges a detail page into det (insert when nothing is stored, else update) and its episodes
// into jj by position, in one transaction. False when the transaction could not be saved (nothing
// of it is then in the store).
bool merge_title(const QString& key, const QString& page, const StoredEpisodes& stored);

}  // namespace catalog

#pragma once
#include <QString>
#include <optional>

namespace session {
class Session;
}
namespace store {
class RowSet;
}

namespace history {

// What was played and where it stopped: table hist (one entry per catalogue title, found by its
// keyID, or per free address, found by its match key) and the episodes' jl.
// kind 1: an episode of a catalogue title (hist_key and title_name of the session's play state);
// kind 0: a free address (local file, pasted or cached address).
class HistoryStore {
 public:
  explicit HistoryStore(session::Session& session) : session_(session) {}

  // Records a play; the position to start from, or nothing.
  std::optional<int> hist_record(const QString& address, int kind);
  // Saves the position reached (seconds); writes nothing when there is no entry or episode.
  void hist_save_pos(const QString& address, int kind, int position);
  // Deletes an entry; a catalogue entry's episodes lose their positions.
  void hist_delete(const QString& hist_id);
  // Empties the history and every position.
  void hist_clear();
  // Clears the positions of the title whose details are loaded.
  void qk_td();
  // Refills the session's history list (oldest first; each item keeps its histID as item data).
  void hist_fill_list();

 private:
  // Sets rs on the first episode whose address holds the key (the scan "where j_url like '%KEY%'").
  // The row a play's record found is kept for that play's position saves, every 2.5 s: while no
  // episode row has been added, removed or readdressed since (here or by another program), it is
  // the row the scan finds, and read by its id it costs no pass over every episode.
  void open_episode(store::RowSet& rs, const QString& key);

  session::Session& session_;
  struct KeptEpisode {
    QString key;
    QString jj_id;
    quint64 opened = 0, episode_writes = 0;
    int foreign_version = -1;
  } kept_;
};

// A title from an address: the file name without its extension ("" when there is none).
QString title_from_url(const QString& address);
// The match key: the field after the first "|" (a QVOD address's hash), or "".
QString match_key(const QString& address);

}  // namespace history

#pragma once
#include <QString>
#include <optional>

namespace session {
class Session;
}
namespace store {
class RowSet;
}

class QListWidget;

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
  // After that, a record, a deletion or a clearing changes only the items it concerns.
  void hist_fill_list();

  // Readies a list for many entries: items of one height, laid out as they come into sight.
  static void prepare_list(QListWidget* list);

 private:
  void show_entry(int hist_id, const QString& title);

  session::Session& session_;
};

// A title from an address: the file name without its extension ("" when there is none).
QString title_from_url(const QString& address);
// The match key: the field after the first "|" (a QVOD address's hash), or "".
QString match_key(const QString& address);

}  // namespace history

#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace player {
class Kandor;
}
namespace catalog {
class Catalog;
}
namespace session {
class Session;
}

namespace history {

class HistoryStore;

// What the play flows need of the main window.
struct PlayHost {
  player::Kandor* player = nullptr;
  catalog::Catalog* catalogue = nullptr;
  std::function<int()> main_tab;             // 1 while the player is the main area's front tab
  std::function<void()> show_player_tab;     // tpth_img(1, 1, 0)
  std::function<void(const QString&)> tell;  // a plain word to the user in the status line
};

// Every road into the player: a title from the catalogue, an episode, a history entry, a free
// address. Each sets the session's play state (what is played, its play list, its history key)
// and ends in ss_play.
class PlayFlows {
 public:
  PlayFlows(session::Session& session, HistoryStore& history, PlayHost host);

  // The one hand-over to the player: every road into it ends here.
  void ss_play(const QString& url, int mo, const QVariant& jd);
  // A catalogue title by its detailID (mode 0: with the resume question; else its newest episode).
  void zz_linkm(int mode, int detail_id);
  // The same by the site's keyID, fetched and merged first.
  void zz_linkms(int mode, int key_id);
  // The same for the title whose details are shown.
  void play_loaded(int mode);
  // One episode of an episode list: its play address, "|@", its title's detailID (and a "/").
  void play_episode_link(const QString& link);
  // A history entry: a catalogue title resumes where it stopped, a free address plays from its place.
  void play_hist_entry(int hist_id);
  // One episode of a catalogue title at a position: the title loaded by detailID, its episodes the
  // play list (the cache manager's road in). A title no longer in the store plays nothing and says so.
  void play_catalogue_episode(int detail_id, const QString& url, int position);

  // Addresses the user handed over (command line, a second start, a drop), already found playable:
  // the first plays as a free address, all of them are the play list in their order.
  void play_addresses(const QStringList& addresses);

  // The resume question: true when the user answers OK.
  static bool ask_resume();

 private:
  void tell(const QString& text);
  QStringList episodes() const;
  void resume_watched();
  void play_first();
  void play_newest();
  void play_title(int mode, const QString& hist_url);

  session::Session& session_;
  HistoryStore& history_;
  PlayHost host_;
};

}  // namespace history

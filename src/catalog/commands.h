#pragma once
#include <QString>
#include <vector>

namespace catalog {

// One command read out of a pane's navigation address.
struct Command {
  enum Kind {
    ShowEpisodes,     // show_episodes(id, order, 1)
    RefreshDetail,    // refresh_title(id, 1)
    PlayLoaded,       // play_loaded(order): 0 with the resume question, 1 the newest episode
    PlayEpisodeLink,  // play_episode_link(address)
    OpenTitle,        // refresh_title(id, 0)
    PlayTitle,        // zz_linkms(order, id)
    ListTab,          // a click on Image1(id)
    RecordAndPlay,    // hist_record(address, 0), then ss_play(address, 0, 0)
    Record,           // hist_record(address, 0)
  };
  Kind kind;
  int id = 0;
  int order = 0;
  QString address;
};

// Whether a navigation is cancelled, and what it asks for (nothing for a malformed command).
struct Decision {
  bool cancel = false;
  std::vector<Command> commands;
};

// "%7C" (upper case) in an address is the bar the page's link carried.
QString decoded_bars(const QString& address);

Decision decode_detail_pane(const QString& address);
// A catalogue link that opens a title or plays one: what the pointer on it says of the user's next step.
bool opens_or_plays_a_title(const QString& address);
Decision decode_catalogue_pane(const QString& address, const QString& site_base);
Decision decode_second_pane(const QString& address);

}  // namespace catalog

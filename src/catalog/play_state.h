#pragma once
#include <QString>

namespace catalog {

// The play state of a session: what the detail pane shows (written by the detail loader) and what
// is being played (written by the play flows). Empty or 0 at start.
struct PlayState {
  int loaded_key = 0;
  int loaded_detail = 0;
  QString title_name;
  QString episode_list;  // normalised play addresses, ascending jjID, joined with "@@@"
  QString resume_info;   // j_url + "@@@" + jl of the last played episode, or ""
  QString play_list;
  int hist_key = 0;
  int play_detail = 0;
};

}  // namespace catalog

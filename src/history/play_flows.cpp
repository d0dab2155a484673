#include "history/play_flows.h"

#include "catalog/catalog.h"
#include "history/history_store.h"
#include "platform/dialogs.h"
#include "player/kandor.h"
#include "session/session.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace history {

namespace {

const QString kNoEpisodes = QStringLiteral("本片暂无可播放的剧集");
const QString kNoTitle = QStringLiteral("该片已不在片库中，无法播放");

}  // namespace

PlayFlows::PlayFlows(session::Session& session, HistoryStore& history, PlayHost host)
    : session_(session), history_(history), host_(std::move(host)) {}

void PlayFlows::tell(const QString& text) {
  if (host_.tell) host_.tell(text);
}

QStringList PlayFlows::episodes() const {
  return session_.play.play_list.split(QStringLiteral("@@@"), Qt::SkipEmptyParts);
}

// The newest watched episode and its position, as the detail loader found them.
void PlayFlows::resume_watched() {
  const QStringList parts = QString(session_.play.resume_info).replace('$', '|').split(QStringLiteral("@@@"));
  ss_play(parts.value(0), 1, parts.value(1));
}

void PlayFlows::play_first() {
  const QStringList list = episodes();
  if (list.isEmpty()) return tell(kNoEpisodes);
  ss_play(list.first(), 1, 0);
}

void PlayFlows::play_newest() {
  const QStringList list = episodes();
  if (list.isEmpty()) return tell(kNoEpisodes);
  ss_play(list.last(), 1, 0);
}

// After a title's details are loaded: what is played (mode 0 asks to resume when there is a place).
void PlayFlows::play_title(int mode, const QString& hist_url) {
  catalog::PlayState& state = session_.play;
  state.play_list = state.episode_list;
  state.hist_key = state.loaded_key;
  if (mode != 0) return play_newest();
  if (hist_url.isEmpty() || state.resume_info.isEmpty()) return play_first();
  if (ask_resume()) return resume_watched();
  history_.qk_td();
  play_first();
}

void PlayFlows::ss_play(const QString& url, int mo, const QVariant& jd) {
  const QString address = QString(url).remove(QChar(10));
  PlayHost& h = host_;
  if (!h.player) return;
  if (h.main_tab && h.main_tab() != 1 && h.player->full() == 0 && h.show_player_tab) h.show_player_tab();
  h.player->h_play(address, mo, jd);
}

void PlayFlows::play_addresses(const QStringList& addresses) {
  if (addresses.isEmpty()) return;
  catalog::PlayState& state = session_.play;
  state.play_list = addresses.size() > 1 ? addresses.join(QStringLiteral("@@@")) : QString();
  state.hist_key = 0;
  ss_play(addresses.first(), 0, 0);
}

bool PlayFlows::ask_resume() {
  return platform::dialogs().message(QStringLiteral("发现播放记录,是否需要从上次观看位置开始播放？\r\n"
                                                    "选择【取消】，系统将会从该剧集第一集开始播放."),
                                     QStringLiteral("Morvane询问"),
                                     platform::Buttons::OkCancel) == platform::Answer::Ok;
}

void PlayFlows::zz_linkm(int mode, int detail_id) {
  if (!host_.catalogue) return;
  store::open_db();
  catalog::PlayState& state = session_.play;
  state.play_detail = detail_id;
  const QString hist_url = host_.catalogue->show_detail(QString::number(detail_id), 0, 0);
  if (state.loaded_detail != detail_id) return tell(kNoTitle);  // not found: never the title shown before
  play_title(mode, hist_url);
}

void PlayFlows::zz_linkms(int mode, int key_id) {
  if (!host_.catalogue) return;
  catalog::PlayState& state = session_.play;
  const QString hist_url = host_.catalogue->refresh_title(QString::number(key_id), 0);
  if (state.loaded_key != key_id) return tell(QStringLiteral("无法载入该片，请稍后再试"));
  state.play_detail = state.loaded_detail;
  play_title(mode, hist_url);
}

void PlayFlows::play_loaded(int mode) {
  catalog::PlayState& state = session_.play;
  state.play_list = state.episode_list;
  state.hist_key = state.loaded_key;
  if (mode != 0) return play_newest();
  if (state.resume_info.isEmpty()) return play_first();
  if (ask_resume()) return resume_watched();
  history_.qk_td();
  play_first();
}

void PlayFlows::play_episode_link(const QString& link) {
  catalog::PlayState& state = session_.play;
  const QStringList parts = link.split(QStringLiteral("|@"));
  state.play_detail = QString(parts.value(1)).remove('/').toInt();
  if (state.play_detail == state.loaded_detail) {
    state.hist_key = state.loaded_key;
    state.play_list = state.episode_list;
  }
  ss_play(parts.value(0), 1, 0);
}

void PlayFlows::play_catalogue_episode(int detail_id, const QString& url, int position) {
  if (!host_.catalogue) return;
  catalog::PlayState& state = session_.play;
  state.play_detail = detail_id;
  host_.catalogue->show_detail(QString::number(detail_id), 0, 0);
  if (state.loaded_detail != detail_id) return tell(kNoTitle);
  state.play_list = state.episode_list;
  state.hist_key = state.loaded_key;
  ss_play(url, 1, position);
}

void PlayFlows::play_hist_entry(int hist_id) {
  store::open_db();
  store::RowSet entry;
  entry.Open("select * from hist where histID = " + store::number_literal(QString::number(hist_id)));
  if (entry.Eof()) return;
  catalog::PlayState& state = session_.play;
  state.hist_key = entry.number("keyID");
  const QString hist_url = entry.text("hist_url");
  const int jd = entry.number("jd");
  if (state.hist_key == 0) return ss_play(hist_url, 0, jd);
  store::RowSet title;
  title.Open("select detailID from det where keyID= " + store::number_literal(QString::number(state.hist_key)));
  if (title.Eof() || !host_.catalogue) return tell(kNoTitle);
  const int detail_id = title.number("detailID");
  host_.catalogue->show_detail(QString::number(detail_id), 0, 0);
  if (state.loaded_detail != detail_id) return tell(kNoTitle);
  state.play_list = state.episode_list;
  if (state.resume_info.isEmpty()) return ss_play(hist_url, 1, 0);
  resume_watched();  // a history entry resumes without asking
}

}  // namespace history

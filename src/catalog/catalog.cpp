#include "catalog/catalog.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include "catalog/merge.h"
#include "catalog/text.h"
#include "config/settings.h"
#include "config/site.h"
#include "platform/transfer.h"
#include "platform/trap.h"
#include "player/addresses.h"
#include "session/session.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

#include <algorithm>

namespace catalog {

namespace {

// What a long episode list sends first: more than a large window shows at once (the page fills
// what is in sight as soon as it has it).
constexpr qsizetype kFirstEpisodes = 400;

// The lines of a detail page carry the line feed of their CR LF; it is no part of what is shown.
QString shown_year(const QString& stored) {
  QString year = stored.trimmed();
  if (year.isEmpty()) year = QStringLiteral("[%1]").arg(QDate::currentDate().year());
  return year.size() > 5 ? QStringLiteral("未知") : year;
}

// The pieces of a title's name that long episode names lose (the same for every episode).
QStringList title_parts(const QString& title_name) {
  QString t = multi_replace(title_name, QStringLiteral(" |-"), QStringLiteral("_|_"));
  if (t.contains('[')) t = t.left(t.indexOf('['));
  QStringList parts;
  for (const QString& part : t.contains('/') ? t.split('/') : QStringList{t})
    if (!part.trimmed().isEmpty()) parts << part.trimmed();
  return parts;
}

QString episode_name(const QString& url, const QString& file_name, const QStringList& title_parts, int count,
                     int kind) {
  QString name = strip_media_ext(file_name);
  if (name.size() < 2) name = strip_media_ext(url.section('$', 2, 2));
  if (count == 1) return name;
  if (name.size() > 8 || (kind == 1 && count >= 5)) {
    name.replace(u'-', u'_').replace(u' ', u'_');  // as multi_replace(name, "-| ", "_|_"), in place
    for (const QString& part : title_parts) name.remove(part);
  }
  return tail_by_width(name, 11);
}

QString sort_and_refresh_links(const QString& id, int rows) {
  const QString refresh = "<a href='acm=" + id + "|3'>刷新</a>";
  if (rows <= 20) return refresh;
  return "<a href='acm=" + id + "|0'>升序</a>&nbsp;&nbsp;&nbsp;<a href='acm=" + id + "|1'>降序</a>&nbsp;&nbsp;&nbsp;" +
         refresh;
}

}  // namespace

Catalog::Catalog(session::Session& session, TemplatePane* pane, platform::Transfer* inet1, CatalogHost host)
    : session_(session), pane_(pane), inet1_(inet1), host_(std::move(host)) {}

QString Catalog::refresh_title(const QString& id, int mode) {
  QString shown;
  platform::trap("refresh_title", [&] {
    store::open_db();
    const QString base = config::detail_base();
    pane_->set_inner_html(QStringLiteral("vvk"), QStringLiteral("处理中...."));
    const StoredEpisodes stored = stored_episodes(id, mode);
    QString key = mode == 1 ? stored.key : id;
    // The shown title's row may have been cleaned up since its page was written: the key is known.
    if (key.isEmpty() && mode == 1 && id == QString::number(session_.play.loaded_detail))
      key = QString::number(session_.play.loaded_key);
    if (!store::parse_id(key)) return;
    inet1_->cancel();
    inet1_->set_timeout_ms(kFetchTimeoutMs);
    const QString page = utf8_decode(inet1_->open_url(base + QStringLiteral("details.php?id=") + key));
    if (!page_mergeable(page)) return;
    if (!merge_title(key, page, stored)) {  // the store is busy or full: nothing was saved
      pane_->set_inner_html(QStringLiteral("vvk"), mode == 1
                                                       ? "保存失败，请稍后重试 <a href='acm=" + id + "|3'>刷新</a>"
                                                       : QStringLiteral("保存失败，请稍后重试"));
      return;
    }
    if (mode == 1) {
      pane_->set_inner_html(QStringLiteral("vvk"), QStringLiteral("刷新完成"));
      shown = show_detail(id, 0, 0);
    } else {
      shown = show_detail(id, 0, 1);
    }
  });
  return shown;
}

QString Catalog::show_detail(const QString& id, int a, int b) {
  QString history_address;
  platform::trap("show_detail", [&] {
    store::open_db();
    if (a == 0) {
      QCoreApplication::processEvents();
      if (host_.show_details_tab) host_.show_details_tab();
    }
    if (!store::parse_id(id)) return;
    store::RowSet rs;
    rs.Open(QStringLiteral(
                "select fenlei.fenlei_name,det.* from det inner join fenlei on fenlei.fenleiID=det.fenleiID where ") +
            (b == 0 ? "detailID =" : "keyID =") + store::number_literal(id) +
            // A title stored again has a newer row, and the clean-up keeps only the newest: show that one.
            (b == 0 ? "" : " order by detailID desc"));
    PlayState& state = session_.play;
    QString title_added;
    if (!rs.Eof()) {
      state.loaded_detail = rs.number("detailID");
      state.loaded_key = rs.text("keyID").trimmed().toInt();
      const QString actors = rs.text("yr").trimmed();
      const QString name = rs.text("d_name").section('/', 0, 0);
      state.title_name = name;
      const QString cover = rs.text("fm").trimmed().replace(
          config::site_base() + QStringLiteral("/kolbet/upfilex/http://s"), QStringLiteral("http://s"));
      title_added = rs.text("add_time");
      pane_->set_network_html("bt", name.toHtmlEscaped());
      pane_->set_display("xx_2", "none");
      pane_->set_display("xx_1", "");
      pane_->run_script(QStringLiteral("ys_shw('1')"));
      pane_->set_inner_html("fm", "<img  src='" + cover + "' width='137' height='154' />");
      pane_->set_network_html("zt", rs.text("zt"));
      pane_->set_network_html("nd", shown_year(rs.text("yea_r")));
      pane_->set_network_html("yy", actors.isEmpty() ? QStringLiteral("内详") : actors);
      pane_->set_network_html("lx", rs.text("fenlei_name"));
      pane_->set_network_html("dq", rs.text("dq"));
      pane_->set_network_html("n_1", rs.text("nr"));
      platform::trap("show_detail", [&] { pane_->set_network_html("gx", store::fmt_datetime(rs.Fields("add_time"))); });
    }
    store::RowSet hist;
    hist.Open(QStringLiteral("select * from hist where keyID=") + QString::number(state.loaded_key));
    if (!hist.Eof()) {
      history_address = hist.text("hist_url");
      if (!title_added.isEmpty()) {
        hist.SetField("add_time", title_added);
        hist.Update();
      }
    }
    show_episodes(QString::number(state.loaded_detail), 0, 0);
    if (host_.report_hit) host_.report_hit(QString::number(state.loaded_key));
  });
  return history_address;
}

void Catalog::show_episodes(const QString& detail_id, int order, int view) {
  platform::trap("show_episodes", [&] {
    store::open_db();
    PlayState& state = session_.play;
    state.resume_info.clear();
    if (!store::parse_id(detail_id)) return;
    store::RowSet rs;
    rs.Open(
        "select det.detailID,det.d_name,det.fenleiID,jj.jjID,jj.j_url,jj.wjm,det.keyID,jj.jl from det inner join jj "
        "on det.keyID=jj.keyID where detailID = " +
        store::number_literal(detail_id) + (order == 0 ? " order by jjID asc" : " order by jjID desc"));
    if (rs.Eof()) {
      pane_->set_inner_html("n_2", QString());
      if (refreshing_empty_) {  // the site gave no episode either: say so instead of asking again
        pane_->set_inner_html("n_2",
                              QStringLiteral("<p class='empty'>本片暂无可播放的剧集，请稍后点击“刷新”再试。</p>"));
        pane_->set_inner_html("vvk", "<a href='acm=" + detail_id + "|3'>刷新</a>");
        return;
      }
      ++refreshing_empty_;
      refresh_title(QString::number(state.loaded_key), 0);
      --refreshing_empty_;
      return;
    }
    const int count = rs.RecordCount();
    const int kind = category_kind(rs.number("fenleiID"));
    const QStringList parts = title_parts(rs.text("d_name"));
    const QString list_id = count == 1 ? "z1" : count == 2 ? "z2" : "z3";
    int highest = 0;
    bool list_started = false;
    QStringList bad, addresses;
    QList<EpisodeLink> links;
    links.reserve(count);
    addresses.reserve(count);
    for (; !rs.Eof(); rs.MoveNext()) {
      // A long list's first screenful goes to the pane while the others are read.
      if (!list_started && count > kFirstEpisodes && links.size() == kFirstEpisodes) {
        pane_->set_episode_list("n_2", list_id, links, count);
        list_started = true;
      }
      const QString url = rs.text("j_url");
      if (url.size() <= 10) {
        bad << rs.text("jjID");
        continue;
      }
      const QString address = QString(url).replace('$', '|');
      addresses << player::qvod_normalize(address);
      QString css = QStringLiteral("s1");
      if (rs.number("jl") != 0) {
        css = QStringLiteral("s2");
        if (rs.number("jjID") > highest) {
          highest = rs.number("jjID");
          state.resume_info = url + "@@@" + rs.text("jl");
        }
      }
      links.append({address + "|@" + detail_id, css, episode_name(url, rs.text("wjm"), parts, count, kind)});
    }
    rs.Close();
    // The player's list of addresses runs in the order shown (descending: the last first).
    if (order != 0) std::reverse(addresses.begin(), addresses.end());
    state.episode_list = addresses.join(QStringLiteral("@@@"));
    if (!bad.isEmpty()) store::db_delete("jj", "jjID", bad.join(','));
    const int rows = static_cast<int>(links.size());
    pane_->set_inner_html("yyx", "<a href='acm=" + detail_id + "|4'><img src='ljbf.jpg' border='0'></a>");
    pane_->set_inner_html("yyx_2", "<a href='acm=" + detail_id + "|5'><img src='bfzx.jpg' border='0'></a>");
    pane_->set_inner_html("vvk", sort_and_refresh_links(detail_id, rows));
    if (list_started) pane_->add_episodes(links.mid(kFirstEpisodes));
    else pane_->set_episode_list("n_2", list_id, links);
    if (view == 1) pane_->run_script(QStringLiteral("ys_shw('2')"));
  });
}

}  // namespace catalog

// Click to shown: from a title's command to its episode list written into the detail pane, against
// the local site, for titles of 10 to 2,000 episodes; the client's time apart from the site's.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QWebEngineView>
#include <algorithm>
#include <memory>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/template_pane.h"
#include "config/settings.h"
#include "history/history_store.h"
#include "median.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/block_watch.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"
#include "support/web.h"

namespace {

struct Stage {
  session::Session session;
  SiteProcess site;
  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  Stage() {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    config::setting_access(1, site.base() + "/", config::kDetailBase);
    window = std::make_unique<shell::MainWindow>(session);
    window->load();
    window->show();
    wait_until([this] { return window->browser(1)->url().toString() == window->template_address(); }, 30000);
    settle(1000);
  }
};

// One client window for every run; ended before the application is (its pages need it).
Stage* the_stage = nullptr;

double wall_clock_ms() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// When the page wrote the list (what can be in sight), drew its first frame, and had every item
// written, on the wall clock (the page's clock runs from its own start on it).
struct ListTimes {
  double shown = 0, drawn = 0, done = 0;
};

ListTimes list_times(QWebEnginePage* page) {
  const QString read =
      "(function (l) { return l ? [l.shown, l.drawn || 0, l.done || 0].join(' ') : ''; })(window.episodeList)";
  QStringList times;
  wait_until(
      [&] {
        times = evaluate(page, read, QWebEngineScript::ApplicationWorld).toString().split(' ');
        return times.size() == 3 && times[1].toDouble() > 0 && times[2].toDouble() > 0;
      },
      5000);
  return {times.value(0).toDouble(), times.value(1).toDouble(), times.value(2).toDouble()};
}

// Click to shown for a title of `episodes` episodes: its detail page fetched, merged into the
// catalogue (first: nothing stored yet; again: stored), and its episode list written into the pane:
// "client" until what can be in sight is written, "drawn" until the page's first frame with it,
// "complete" until every item is written. The site's own time for the page (it says it) is reported
// apart from the client's; all are medians of the rounds.
void click_to_shown(benchmark::State& state, bool stored) {
  if (!the_stage) the_stage = new Stage;
  Stage& stage = *the_stage;
  const int episodes = static_cast<int>(state.range(0));
  const int key = 1008;
  stage.site.control("detail_key=1008&detail_mode=count&index=" + std::to_string(episodes));
  catalog::TemplatePane pane(stage.window->browser(1)->page());
  if (stored) stage.window->catalogue()->refresh_title(QString::number(key), 0);
  pane.sync();
  std::vector<double> client, site, drawn, complete;
  double longest = 0;
  BlockWatch watch;
  for (auto _ : state) {
    state.PauseTiming();
    if (!stored) {
      store::db_execute("delete * from jj");
      store::db_execute("delete * from det");
    }
    settle(100);  // a user's clicks are seconds apart: the last one's painting is over
    state.ResumeTiming();
    const double clicked_at = wall_clock_ms();
    watch.reset();
    watch.start();
    stage.window->catalogue()->refresh_title(QString::number(key), 0);
    pane.sync();
    longest = std::max(longest, watch.stop_ms());
    state.PauseTiming();
    const ListTimes at = list_times(stage.window->browser(1)->page());
    site.push_back(std::stod(stage.site.control("path=/details.php", "/_control/timing")) / 1e3);
    state.ResumeTiming();
    client.push_back(at.shown - clicked_at - site.back());
    drawn.push_back(at.drawn - clicked_at - site.back());
    complete.push_back(at.done - clicked_at - site.back());
  }
  state.counters["site_ms"] = median(site);
  state.counters["client_ms"] = median(client);
  state.counters["drawn_client_ms"] = median(drawn);
  state.counters["complete_client_ms"] = median(complete);
  state.counters["longest_block_ms"] = longest;
}

void BM_ClickToShown_First(benchmark::State& s) { click_to_shown(s, false); }
void BM_ClickToShown_Again(benchmark::State& s) { click_to_shown(s, true); }
BENCHMARK(BM_ClickToShown_First)->Arg(10)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_ClickToShown_Again)->Arg(10)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(15);

// The client's window with that many history entries, filled as at start.
Stage& stage_with_history(int entries) {
  if (!the_stage) the_stage = new Stage;
  store::db_execute("delete * from hist");
  store::Transaction t(store::shared_connection());
  for (int i = 1; i <= entries; ++i)
    store::db_execute(QStringLiteral("insert into hist (keyID,hist_title) values (%1,'片名%1')").arg(i));
  t.commit();
  history::HistoryStore(the_stage->session).hist_fill_list();
  return *the_stage;
}

// The history tab opened and drawn.
void BM_HistoryTab(benchmark::State& state) {
  Stage& stage = stage_with_history(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    stage.window->tpth_img(1, 1, 1);
    stage.window->grab();
    settle(50);
    state.ResumeTiming();
    stage.window->tpth_img(2, 1, 1);
    stage.window->grab();
  }
}
BENCHMARK(BM_HistoryTab)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(15);

// A play of a title not yet in the history recorded, and the open history tab drawn again.
void BM_HistoryAfterPlay(benchmark::State& state) {
  Stage& stage = stage_with_history(static_cast<int>(state.range(0)));
  stage.window->tpth_img(2, 1, 1);
  history::HistoryStore history(stage.session);
  int key = 1000000;
  for (auto _ : state) {
    stage.session.play.hist_key = ++key;
    stage.session.play.title_name = QStringLiteral("新片");
    history.hist_record(QStringLiteral("qvod://1|FEEDFACE0BADC0DEFEEDFACE0BADC0DEFEEDFACE|新片.rmvb|"), 1);
    stage.window->grab();
  }
}
BENCHMARK(BM_HistoryAfterPlay)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  delete the_stage;
  return 0;
}

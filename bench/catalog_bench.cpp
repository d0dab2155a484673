// Click to shown: from a title's command to its episode list written into the detail pane, against
// the local site, for titles of 10 to 2,000 episodes; the client's time apart from the site's.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWebEngineView>
#include <benchmark/benchmark.h>
#include <memory>

#include "catalog/catalog.h"
#include "catalog/template_pane.h"
#include "config/settings.h"
#include "shell/main_window.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"

namespace {

struct Stage {
  SiteProcess site;
  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  Stage() {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    config::setting_access(1, site.base() + "/", config::kDetailBase);
    window = std::make_unique<shell::MainWindow>();
    window->load();
    window->show();
    wait_until([this] { return window->browser(1)->url().toString() == window->template_address(); }, 30000);
    settle(1000);
  }
};

// One client window for every run; ended before the application is (its pages need it).
Stage* the_stage = nullptr;

// The longest stretch the GUI thread went without running its event loop: a 1 ms timer's largest gap.
class BlockWatch : public QObject {
 public:
  BlockWatch() {
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void start() {
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  double stop_ms() {
    timer_.stop();
    longest_ = std::max(longest_, clock_.nsecsElapsed() - last_);
    return longest_ / 1e6;
  }
  void reset() { longest_ = 0; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0, longest_ = 0;
};

// Click to shown for a title of `episodes` episodes: its detail page fetched, merged into the
// catalogue (first: nothing stored yet; again: stored), and its episode list written into the pane.
// The site's own time for the page (it says it) is reported apart from the client's.
void click_to_shown(benchmark::State& state, bool stored) {
  if (!the_stage) the_stage = new Stage;
  Stage& stage = *the_stage;
  const int episodes = static_cast<int>(state.range(0));
  const int key = 1008;
  stage.site.control("detail_key=1008&detail_mode=count&index=" + std::to_string(episodes));
  catalog::TemplatePane pane(stage.window->browser(1)->page());
  if (stored) stage.window->catalogue()->refresh_title(QString::number(key), 0);
  pane.sync();
  double total = 0, site = 0, longest = 0;
  BlockWatch watch;
  for (auto _ : state) {
    if (!stored) {
      state.PauseTiming();
      store::db_execute("delete * from jj");
      store::db_execute("delete * from det");
      state.ResumeTiming();
    }
    QElapsedTimer clock;
    clock.start();
    watch.reset();
    watch.start();
    stage.window->catalogue()->refresh_title(QString::number(key), 0);
    pane.sync();
    longest = std::max(longest, watch.stop_ms());
    total += clock.nsecsElapsed() / 1e6;
    site += std::stod(stage.site.control("path=/details.php", "/_control/timing")) / 1e3;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["site_ms"] = site / n;
  state.counters["client_ms"] = (total - site) / n;
  state.counters["longest_block_ms"] = longest;
}

void BM_ClickToShown_First(benchmark::State& s) { click_to_shown(s, false); }
void BM_ClickToShown_Again(benchmark::State& s) { click_to_shown(s, true); }
BENCHMARK(BM_ClickToShown_First)->Arg(10)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ClickToShown_Again)->Arg(10)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(10);

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

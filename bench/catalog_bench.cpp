// Click to shown: from a title's command to its episode list written into the detail pane,
// against the local site, for a 2-episode and a 500-episode title.
#include <QApplication>
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

void click_to_shown(benchmark::State& state, int key, bool stored) {
  Stage stage;
  catalog::TemplatePane pane(stage.window->browser(1)->page());
  if (stored) stage.window->catalogue()->refresh_title(QString::number(key), 0);
  for (auto _ : state) {
    if (!stored) {
      state.PauseTiming();
      store::db_execute("delete * from jj");
      store::db_execute("delete * from det");
      state.ResumeTiming();
    }
    stage.window->catalogue()->refresh_title(QString::number(key), 0);
    pane.sync();
  }
}

void BM_ClickToShown_2Episodes_First(benchmark::State& s) { click_to_shown(s, 1003, false); }
void BM_ClickToShown_2Episodes_Again(benchmark::State& s) { click_to_shown(s, 1003, true); }
void BM_ClickToShown_500Episodes_First(benchmark::State& s) { click_to_shown(s, 1008, false); }
void BM_ClickToShown_500Episodes_Again(benchmark::State& s) { click_to_shown(s, 1008, true); }
BENCHMARK(BM_ClickToShown_2Episodes_First)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ClickToShown_2Episodes_Again)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ClickToShown_500Episodes_First)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ClickToShown_500Episodes_Again)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

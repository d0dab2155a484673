#pragma once
// The client's main window against a site of its own and a fresh program folder, with the
// catalogue, the second page and the template loaded.
#include <gtest/gtest.h>
#include <QWebEngineView>
#include <memory>

#include "catalog/catalog.h"
#include "catalog/play_state.h"
#include "catalog/template_pane.h"
#include "config/settings.h"
#include "shell/main_window.h"
#include "store/connection.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/test_session.h"
#include "support/wait.h"
#include "support/web.h"

class ClientWindow : public ::testing::Test {
 protected:
  explicit ClientWindow(const QStringList& site_args = {}) : site(site_args) {}
  void SetUp() override {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    config::setting_access(1, site.base() + "/", config::kDetailBase);
  }
  void start() {
    window = std::make_unique<shell::MainWindow>(test_session());
    if (before_load) before_load(window.get());
    ASSERT_TRUE(window->load());
    window->show();
    ASSERT_TRUE(wait_until([this] { return window->catalogue_in_view(); }, 30000));
    ASSERT_TRUE(
        wait_until([this] { return window->browser(1)->url().toString() == window->template_address(); }, 30000));
    QObject::connect(window->browser(1), &QWebEngineView::loadFinished, [this](bool) { template_loaded = true; });
    wait_until([this] { return template_loaded; }, 3000);
    const bool up = wait_until([this] { return !html("xx_2").isEmpty(); }, 30000);  // the template is up
    ASSERT_TRUE(up) << window->browser(1)->url().toString().toStdString();
  }
  void TearDown() override {
    window.reset();
    store::shared_connection().close();
  }
  QWebEnginePage* detail() { return window->browser(1)->page(); }
  QString html(const char* id) {
    catalog::TemplatePane(detail()).sync();
    return catalog::element_html(detail(), id);
  }
  QString open(int key) {
    const QString shown = window->catalogue()->refresh_title(QString::number(key), 0);
    catalog::TemplatePane(detail()).sync();
    return shown;
  }
  QStringList urls(int key) {
    return column(QStringLiteral("select * from jj where keyID=%1 order by jjID").arg(key), "j_url");
  }

  SiteProcess site;
  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  bool template_loaded = false;
  std::function<void(shell::MainWindow*)> before_load;  // e.g. the engine the player is to use
};

#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <utility>

#include "catalog/catalog.h"
#include "catalog/commands.h"
#include "catalog/pane_page.h"
#include "catalog/template_pane.h"
#include "config/end_process.h"
#include "config/settings.h"
#include "config/site.h"
#include "config/skin.h"
#include "engine/mpv_library.h"
#include "engine/terminal_client.h"
#include "history/history_store.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/transfer.h"
#include "platform/trap.h"
#include "player/kandor.h"
#include "player/playback_options.h"
#include "session/session.h"
#include "shell/twips.h"
#include "shell/window_keys.h"
#include "store/maintenance.h"

namespace shell {

namespace {

// From the last start-up page loaded to the client at rest.
constexpr int kRestAfterStart = 2000;
// The tray icon at the latest, when the list page is slow to answer.
constexpr int kTrayLatest = 3000;

QString image_file(const QString& name) { return platform::program_file(QStringLiteral("images/%1.png").arg(name)); }

QFrame* frame() {
  auto* f = new QFrame;
  f->setFrameShape(QFrame::NoFrame);
  return f;
}

QLabel* picture(const QString& tip = {}) {
  auto* l = new QLabel;
  l->setToolTip(tip);
  l->setScaledContents(true);
  l->setCursor(Qt::PointingHandCursor);
  return l;
}

}  // namespace

MainWindow::MainWindow(session::Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), history_(std::make_unique<history::HistoryStore>(session)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("欢迎使用Morvane"));
  setWindowIcon(QIcon(image_file(QStringLiteral("icon"))));
  setAcceptDrops(true);  // files and addresses dropped anywhere but on a page play (main_window_desktop.cpp)
  inet1_ = new platform::Transfer(this);
  build_menus();  // the player's options drive some of its items
  build_controls();
  set_up_panes();
  wire_play_flows();
  timer3_.setSingleShot(true);
  timer3_.setInterval(1);
  connect(&timer3_, &QTimer::timeout, this, &MainWindow::startup_job);
  timer1_.setInterval(100);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::dedup_tick);
  keys_ = new WindowKeys(this, [this](const QKeyEvent& e) { return window_key(e.key(), e.modifiers()); });
  wire_player_menus();
  wire_other_windows();
}

MainWindow::~MainWindow() {
  engine::let_engines_start();  // held while this window waits for a play
  remove_tray_icon();
  delete_panes();
}

void MainWindow::delete_panes() {
  // The panes (and their pages) go first, while everything they refer to still stands.
  controls_.clear();
  for (QWebEngineView*& pane : parts_.browser) {
    delete pane;
    pane = nullptr;
  }
}

QString MainWindow::template_address() const {
  return QUrl::fromLocalFile(platform::program_file(QStringLiteral("muban.htm"))).toString();
}

void MainWindow::set_up_panes() {
  for (int n : {1, 2, 3}) {
    auto* page = new catalog::PanePage(
        catalog::pane_profile(), browser(n),
        [this, n](const QUrl& url, bool main_frame) { return pane_navigation(n, url, main_frame); });
    browser(n)->setPage(page);
  }
  // The template is a local page that shows covers from the site: it may load remote pictures.
  // It runs no script from the network (what it is given is cleaned first).
  browser(1)->page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  template_pane_ = std::make_unique<catalog::TemplatePane>(browser(1)->page());
  catalog_ = std::make_unique<catalog::Catalog>(
      session_, template_pane_.get(), inet1_,
      catalog::CatalogHost{[this] { tpth_img(2, 1, 0); }, [this](const QString& key) { detail_hits_update(key); }});
  // The pointer on a link that opens or plays a title: the click to play is near.
  connect(browser(3)->page(), &QWebEnginePage::linkHovered, this, [this](const QString& address) {
    if (catalog::opens_or_plays_a_title(address)) ready_for_a_play();
  });
  connect(browser(3), &QWebEngineView::loadFinished, this, [this](bool) {
    auto* page = static_cast<catalog::PanePage*>(browser(3)->page());
    if (page->last_cancelled()) return;  // a cancelled command, not a new document
    page->toHtml([this](const QString& html) { catalogue_loaded(html); });
  });
}

void MainWindow::catalogue_loaded(const QString& html) {
  if (html.contains(QLatin1String("ll_left"))) {
    set_catalogue_in_view(true);
    do_ssta(*this);  // brings the pane into its frame
    QTimer::singleShot(0, this, [] { platform::mark_startup("list"); });
    QTimer::singleShot(0, this, &MainWindow::offer_tray_icon);
    browser(2)->load(QUrl(config::site_base() + QStringLiteral("/mark_2.asp")));
    browser(1)->load(QUrl(template_address()));
    return_heap_after_start();
    return;
  }
  offer_tray_icon();
  if (catalog_tries >= 10) {
    label(2)->setText(QStringLiteral("载入数据失败....请关闭程序重新打开"));
    return;
  }
  ++catalog_tries;
  label(2)->setText(QStringLiteral("尝试载入数据...(%1)次").arg(catalog_tries));
  browser(3)->load(QUrl(config::site_base() + QStringLiteral("/kolbet/l_indexss.php?bsn=1")));
}

// The start-up's work ends with the market page and the template loaded: a moment later, once the
// panes have drawn them, the heap that work freed goes back to the system.
void MainWindow::return_heap_after_start() {
  if (std::exchange(start_heap_armed_, true)) return;  // the list's later loads are no start-up
  auto loading = std::make_shared<int>(2);
  for (int n : {1, 2})
    connect(
        browser(n), &QWebEngineView::loadFinished, this,
        [this, loading] {
          if (--*loading == 0) QTimer::singleShot(kRestAfterStart, this, &platform::return_free_heap);
        },
        Qt::SingleShotConnection);
}

bool MainWindow::pane_navigation(int pane, const QUrl& url, bool main_frame) {
  const QString address = url.toString();
  const catalog::Decision d = pane == 1   ? catalog::decode_detail_pane(address)
                              : pane == 3 ? catalog::decode_catalogue_pane(address, config::origin_as_written(url))
                                          : catalog::decode_second_pane(address);
  if (!d.cancel) return true;
  // Commands count only from the site's own pages or the template, and only from the page itself.
  const QUrl page = browser(pane)->page()->url();
  const QString asking = page.toString();
  const bool trusted = pane == 1 ? asking == template_address() : config::on_site(page) && config::on_site(url);
  if (!trusted || !main_frame) {
    platform::log_failure(QStringLiteral("pane command"), QStringLiteral("ignored from %1: %2").arg(asking, address));
    return false;
  }
  // Only a user's click (or Enter) in the pane carries a command: no script, refresh or form.
  if (!static_cast<catalog::PanePage*>(browser(pane)->page())->take_user_gesture()) {
    platform::log_failure(QStringLiteral("pane command"), QStringLiteral("ignored without a click: ") + address);
    return false;
  }
  emit pane_command(pane, address);
  // Run after the navigation has been answered, as the handler's own event.
  for (const catalog::Command& c : d.commands) QTimer::singleShot(0, this, [this, c] { dispatch(c); });
  return false;
}

void MainWindow::dispatch(const catalog::Command& c) {
  using catalog::Command;
  switch (c.kind) {
    case Command::ShowEpisodes: catalog_->show_episodes(QString::number(c.id), c.order, 1); break;
    case Command::RefreshDetail: catalog_->refresh_title(QString::number(c.id), 1); break;
    case Command::OpenTitle: catalog_->refresh_title(QString::number(c.id), 0); break;
    case Command::ListTab: image1_click(c.id); break;
    case Command::Record: history_->hist_record(c.address, 0); break;
    case Command::RecordAndPlay:
      history_->hist_record(c.address, 0);
      flows_->ss_play(c.address, 0, 0);
      break;
    case Command::PlayLoaded: flows_->play_loaded(c.order); break;
    case Command::PlayEpisodeLink: flows_->play_episode_link(c.address); break;
    case Command::PlayTitle: flows_->zz_linkms(c.order, c.id); break;
  }
}

QWidget* MainWindow::add(QWidget* w, const char* name, double l, double t, double wd, double ht) {
  w->setObjectName(QString::fromLatin1(name));
  set_twips(w, l, t, wd, ht);
  controls_ << w;
  return w;
}

void MainWindow::build_controls() {
  inner_ = new QWidget(this);
  inner_->setObjectName(QStringLiteral("inner"));
  inner_->setMouseTracking(true);
  inner_->installEventFilter(this);
  setCentralWidget(inner_);
  Parts& p = parts_;

  p.picture9 = add(frame(), "Picture9", 60, 465, 8295, 6375);
  p.picture9->setParent(inner_);
  p.picture3 = add(frame(), "Picture3", 20, 20, 8265, 6345);
  p.picture3->setParent(p.picture9);
  kandor_ = make_player();
  add(kandor_, "Kandor1", 0, 25, 8250, 6300);
  kandor_->setParent(p.picture3);
  p.picture4 = add(frame(), "Picture4", 20, 20, 8265, 6345);
  p.picture4->setParent(p.picture9);
  p.picture4->installEventFilter(this);
  p.browser[0] = static_cast<QWebEngineView*>(add(new QWebEngineView, "WebBrowser1", 20, 20, 8230, 6310));
  p.browser[0]->setParent(p.picture4);

  p.picture1 = add(picture(QStringLiteral("播放窗口")), "Picture1", 60, 90, 1500, 390);
  p.picture2 = add(picture(QStringLiteral("详细介绍")), "Picture2", 1600, 90, 1500, 390);
  p.picture7 = add(frame(), "Picture7", 8520, 540, 4095, 6310);
  p.picture10 = add(frame(), "Picture10", 8520, 105, 4095, 435);
  for (QWidget* w : {p.picture1, p.picture2, p.picture7, p.picture10}) w->setParent(inner_);
  p.picture1->installEventFilter(this);
  p.picture2->installEventFilter(this);

  const QString list_tips[] = {QStringLiteral("片库"), QStringLiteral("历史记录"), QStringLiteral("资源市场")};
  for (int i = 0; i < 3; ++i) {
    p.image1[i] = add(picture(list_tips[i]), "Image1", 120 + 1320 * i, 75, 1080, 375);
    p.image1[i]->setProperty("index", i);
    p.image1[i]->setParent(p.picture10);
    p.image1[i]->installEventFilter(this);
    p.picture8[i] = add(frame(), "Picture8", 20, 0, 4065, 6295);
    p.picture8[i]->setProperty("index", i);
    p.picture8[i]->setParent(p.picture7);
  }
  p.picture11 = add(frame(), "Picture11", 60, 20, 3980, 6255);
  p.picture11->setParent(p.picture8[0]);
  p.label2 =
      static_cast<QLabel*>(add(new QLabel(QStringLiteral("数据载入中..请稍侯")), "Label2", 360, 2760, 3375, 255));
  p.label2->setParent(p.picture11);
  p.browser[2] = static_cast<QWebEngineView*>(add(new QWebEngineView, "WebBrowser3", kOutsideLeft, 20, 4090, 6295));
  p.browser[2]->setParent(p.picture11);
  p.list1 = static_cast<QListWidget*>(add(new QListWidget, "List1", 60, 100, 3900, 6150));
  p.list1->setParent(p.picture8[1]);
  history::HistoryStore::prepare_list(p.list1);
  p.picture5 = add(frame(), "Picture5", 60, 20, 3980, 6255);
  p.picture5->setParent(p.picture8[2]);
  p.browser[1] = static_cast<QWebEngineView*>(add(new QWebEngineView, "WebBrowser2", 0, 50, 4090, 6295));
  p.browser[1]->setParent(p.picture5);
  p.image2 = add(picture(), "Image2", 8370, 2760, 150, 885);
  p.image2->setParent(inner_);
  p.image2->installEventFilter(this);
  p.label1 = static_cast<QLabel*>(add(new QLabel(QStringLiteral("准备就绪")), "Label1", 3720, 180, 4695, 195));
  p.label1->setParent(inner_);
}

QWidget* MainWindow::control(const QString& name, int index) const {
  for (QWidget* c : controls_)
    if (c->objectName() == name && c->property("index").toInt() == index) return c;
  return nullptr;
}

QWebEngineView* MainWindow::browser(int n) const { return n >= 1 && n <= 3 ? parts_.browser[n - 1] : nullptr; }

QLabel* MainWindow::label(int n) const { return n == 1 ? parts_.label1 : n == 2 ? parts_.label2 : nullptr; }

QAction* MainWindow::add_action(QMenu* menu, const char* name, const QString& caption) {
  auto* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  actions_.insert(a->objectName(), a);
  return a;
}

void MainWindow::build_menus() {
  auto top = [this](const char* name, const QString& caption, bool in_bar) {
    auto* m = in_bar ? menuBar()->addMenu(caption) : new QMenu(caption, this);
    m->setObjectName(QString::fromLatin1(name));
    menus_.insert(m->objectName(), m);
    return m;
  };
  QMenu* fd = items_.fd = top("fd", QStringLiteral("文件"), true);
  items_.fd_1 = add_action(fd, "fd_1", QStringLiteral("打开本地文件"));
  items_.fd_2 = add_action(fd, "fd_2", QStringLiteral("打开远程文件"));
  items_.hcgl = add_action(fd, "hcgl", QStringLiteral("缓存管理"));
  fd->addSeparator();
  connect(add_action(fd, "ex", QStringLiteral("退出")), &QAction::triggered, this, &MainWindow::ex);

  QMenu* cz = top("cz", QStringLiteral("操作"), true);
  items_.lists = add_action(cz, "lists", QStringLiteral("列表关闭"));
  connect(items_.lists, &QAction::triggered, this, &MainWindow::fold_list);
  cz->addSeparator();
  items_.cz_1 = add_action(cz, "cz_1", QStringLiteral("播放/暂停"));
  items_.cz_2 = add_action(cz, "cz_2", QStringLiteral("全屏"));
  items_.c_zf = add_action(cz, "c_zf", QStringLiteral("自动全屏"));
  items_.cz_3 = add_action(cz, "cz_3", QStringLiteral("停止"));
  QMenu* bfwc = cz->addMenu(QStringLiteral("播放完成处理"));
  bfwc->setObjectName(QStringLiteral("bfwc_1"));
  menus_.insert(bfwc->objectName(), bfwc);
  items_.xy_j = add_action(bfwc, "xy_j", QStringLiteral("自动下一集"));
  items_.c_com = add_action(bfwc, "c_com", QStringLiteral("关机"));
  cz->addSeparator();
  items_.cz_4 = add_action(cz, "cz_4", QStringLiteral("前一节目"));
  items_.cz_5 = add_action(cz, "cz_5", QStringLiteral("后一节目"));

  QMenu* bz = top("bz", QStringLiteral("帮助"), true);
  items_.bz_1 = add_action(bz, "bz_1", QStringLiteral("检测新版本"));
  connect(add_action(bz, "fk", QStringLiteral("反馈留言")), &QAction::triggered, this, [] { config::fk(); });
  connect(add_action(bz, "cjwt", QStringLiteral("常见问题")), &QAction::triggered, this, [] { config::cjwt(); });
  connect(add_action(bz, "date_ys", QStringLiteral("数据库压缩")), &QAction::triggered, this, [this] {
    store::date_ys_click([this](const QString& t) {
      label(1)->setText(t);
      label(1)->repaint();
    });
  });
  connect(add_action(bz, "gfz", QStringLiteral("官方主页")), &QAction::triggered, this, [] { config::gfz(); });
  bz->addSeparator();
  items_.bz_2 = add_action(bz, "bz_2", QStringLiteral("关于"));

  QMenu* dq = items_.dq_ls = top("dq_ls", QStringLiteral("历史记录"), false);
  items_.ls_1 = add_action(dq, "ls_1", QStringLiteral("播放选中记录"));
  items_.ckxxs = add_action(dq, "ckxxs", QStringLiteral("查看详细介绍"));
  items_.del_ls = add_action(dq, "del_ls", QStringLiteral("清理选中记录"));
  items_.clear_ls = add_action(dq, "clear_ls", QStringLiteral("清空记录"));
  QMenu* sx = items_.sxlb = top("sxlb", QStringLiteral("树形列表"), false);
  items_.sqlb = add_action(sx, "sqlb", QStringLiteral("收起列表"));
  items_.ljbf_0 = add_action(sx, "ljbf_0", QStringLiteral("立即播放"));
  items_.ljbf_1 = add_action(sx, "ljbf_1", QStringLiteral("播放最新"));
}

bool MainWindow::load(const QStringList& handed) {
  save_folder = config::qvod_path(1);
  const QString terminal = platform::program_file(QStringLiteral("play/QvodTerminal"));
  if (platform::file_present(terminal) && save_folder.isEmpty()) {
    // The engine is there but not set up yet: its set-up runs and starts the client again.
    platform::start_detached(platform::program_file(QStringLiteral("update")), handed);
    return false;
  }
  timer3_.start();
  resize(to_px(12720), to_px(6930) + menuBar()->sizeHint().height());
  if (layout()) layout()->activate();
  f_size_init(*this);
  kill_qvod_on_exit = 1;
  config::skin_attach();
  dedup_allowed = 1;
  catalog_tries = 0;
  installed_version = config::setting_access(0, {}, config::kVersion);
  setWindowTitle(platform::app_title() + installed_version);
  // The player's engine is made at start-up, but opens libmpv only when the user heads for a play
  // (ready_for_a_play) or asks for one: its hundred libraries would hold the page back, and they
  // are about 50 MiB of a client that only shows the list.
  engine::hold_engines();
  navigate_catalogue();
  move_twips(browser(3), kOutsideLeft, twips_of(browser(3)).y());
  save_folder = config::qvod_path(1);
  if (config::end_process(QStringLiteral("qvodplayer.exe"), QStringLiteral("0")) == 1) kill_qvod_on_exit = 0;
  restore_player();
  kandor_->setQlj(config::qvod_path(2));
  kandor_->setPhwnd(parts_.picture3);
  tpth_img(1, 1, 0);
  tpth_img(1, 1, 1);
  if (kill_qvod_on_exit == 1) config::end_process(QStringLiteral("qvodplayer.exe"), QStringLiteral("1"));
  QTimer::singleShot(kTrayLatest, this, &MainWindow::offer_tray_icon);
  setMinimumSize(to_px(10500), to_px(5400));
  return true;
}

void MainWindow::navigate_catalogue() {
  QRandomGenerator random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
  const float r = static_cast<float>(random.generateDouble());
  const QString address =
      config::site_base() + QStringLiteral("/kolbet/l_indexss.php?bsn=1&version=") + QString::number(r, 'g', 7);
  browser(3)->load(QUrl(address));
}

// A terminal this client started and that still lives is starting (or runs): a second one would
// be left behind when the client ends, which ends only the one it knows.
void MainWindow::zrqv() {
  if (platform::process_is(started_terminal_, QStringLiteral("QvodTerminal"))) return;
  const QString terminal = config::qvod_path(2) + QStringLiteral("/QvodTerminal");
  if (QFile::exists(terminal)) started_terminal_ = platform::start_detached(terminal);
}

// A title's details or the history list is in sight, or the pointer is on a title's link in the
// list: a click to play is near. The player's library is opened and the terminal started now,
// while the user reads, so that the click plays at once.
void MainWindow::ready_for_a_play() {
  engine::let_engines_start();
  if (!engine::TerminalClient().running()) zrqv();
}

void MainWindow::set_picture(QWidget* target, const QString& image) {
  if (auto* l = qobject_cast<QLabel*>(target)) l->setPixmap(QPixmap(image_file(image)));
}

void MainWindow::tpth_img(int a, int b, int c) {
  if (a == 2 && b == 1) ready_for_a_play();  // the details tab (c = 0) or the history list (c = 1)
  if (c == 0) {
    const bool player = a == 1;
    set_picture(parts_.picture1, player ? "tab_main_1" : "tab_main_2");
    set_picture(parts_.picture2, player ? "tab_main_4" : "tab_main_3");
    if (b == 1) {
      main_tab = player ? 1 : a;
      parts_.picture3->setVisible(player);
      parts_.picture4->setVisible(!player);
    }
  } else if (a >= 1 && a <= 3) {
    static const int looks[4][3] = {{}, {1, 4, 6}, {2, 3, 6}, {2, 4, 5}};
    for (int i = 0; i < 3; ++i) set_picture(parts_.image1[i], QStringLiteral("tab_list_%1").arg(looks[a][i]));
    if (b == 1) {
      list_tab = a;
      for (int i = 0; i < 3; ++i) parts_.picture8[i]->setVisible(i == a - 1);
      parts_.picture8[a - 1]->raise();
    }
  }
  im2_csh();
}

void MainWindow::im2_csh() { set_picture(parts_.image2, layout_.folded == 1 ? "arrow_3" : "arrow_1"); }

void MainWindow::picture1_click() {
  main_tab = 1;
  tpth_img(1, 1, 0);
}

void MainWindow::picture2_click() { tpth_img(2, 1, 0); }

void MainWindow::image1_click(int index) {
  if (index < 0 || index > 2) return;
  tpth_img(index + 1, 1, 1);
  if (index == 2) fit_second_pane(*this);
}

void MainWindow::fold_list() {
  const bool maximised = isMaximized();
  if (maximised) showNormal();
  QWidget* p7 = parts_.picture7;
  QWidget* p9 = parts_.picture9;
  QWidget* image2 = parts_.image2;
  if (layout_.folded == 1) {
    layout_.folded = 0;
    set_picture(image2, "arrow_1");
    move_twips(image2, twips_of(p7).x() - 150, twips_of(image2).y());
    items_.lists->setText(QStringLiteral("列表关闭"));
    p7->show();
    parts_.picture10->show();
    const int unfolded_width = width() + to_px(layout_.list_width);
    setMinimumSize(to_px(10500), to_px(5400));
    resize(unfolded_width, height());
  } else {
    layout_.folded = 1;
    set_picture(image2, "arrow_3");
    move_twips(image2, twips_of(p9).x() + twips_of(p9).width(), twips_of(image2).y());
    layout_.list_width = twips_of(p7).width();
    p7->hide();
    parts_.picture10->hide();
    items_.lists->setText(QStringLiteral("列表展开"));
    startup_finished = 0;  // the resize below is this routine's own
    setMinimumSize(to_px(6300), to_px(5400));
    const int inner_width = inner_->width() - to_px(layout_.list_width);
    resize(width() - to_px(layout_.list_width), height());
    layout_.folded_base_width = to_twips(inner_width);
    startup_finished = 1;
  }
  if (maximised) showMaximized();
}

void MainWindow::on_resize() {
  if (isMinimized() || startup_finished != 1) return;
  const int s = main_tab;
  list_tab_copy = list_tab;
  if (s != 1) {
    tpth_img(1, 1, 0);
    main_tab = s;
  }
  f_size_resize(*this);
  if (s != 1) tpth_img(s, 1, 0);
  if (list_tab_copy == 3) fit_second_pane(*this);
}

void MainWindow::startup_job() {
  timer3_.stop();
  if (platform::ending()) return;  // a fatal message is up: the program ends when it is answered
  history_->hist_fill_list();
  options_->power_saving(0);
  options_->auto_next_on = config::setting_number(config::kAutoNext, 0);
  options_->auto_full_on = config::setting_number(config::kAutoFull, 0);
  volume = config::volume_setting();  // out of 0..100 or none: the default 100, as the message says
  config::tell_settings_problems_once();
  const QDateTime now = QDateTime::currentDateTime();
  config::setting_access(1,
                         QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(now.date().year())
                             .arg(now.date().month())
                             .arg(now.date().day())
                             .arg(now.time().hour())
                             .arg(now.time().minute())
                             .arg(now.time().second()),
                         config::kStartTime);
  session_.play.play_detail = 0;
  options_->opt_auto_next(0);
  options_->opt_auto_full(0);
  startup_finished = 1;
  kandor_->setVol(volume);
  kandor_->zrqvds();
  if (dedup_allowed == 1) timer1_.start();
}

void MainWindow::dedup_tick() {
  if (platform::ending()) return;
  platform::trap("Timer1_Timer", [] { store::dedup_titles(); });
}

void MainWindow::detail_hits_update(const QString& id) {
  inet1_->open_url(config::site_base() + QStringLiteral("/kolbet/hits.php?id=") + id);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Query-unload: the player's terminate routine, then the tray icon goes. Never cancels.
  kandor_->UserControl_Terminate();
  save_player();
  remove_tray_icon();
  event->accept();
  // Unload.
  options_->power_saving(1);
  if (kill_qvod_on_exit == 1) config::end_process(QStringLiteral("qvodplayer.exe"), QStringLiteral("1"));
  end_client();
}

void MainWindow::end_client() {
  // Only the terminal this client started: another client of this user may be playing through its own.
  if (platform::process_is(started_terminal_, QStringLiteral("QvodTerminal")))
    platform::kill_process(started_terminal_);
  if (updater_at_exit_) platform::start_detached(platform::program_file(QStringLiteral("selfmend")));
  delete_panes();  // the browser's helper processes end with them
  platform::end_own_process();
}

void MainWindow::ex() {
  kandor_->q_stop();
  timer1_.stop();
  end_client();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == inner_ && event->type() == QEvent::Resize) on_resize();
  if (watched == inner_ && event->type() == QEvent::MouseMove) im2_csh();
  if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const QString name = watched->objectName();
    if (name == QLatin1String("Picture1")) picture1_click();
    else if (name == QLatin1String("Picture2")) picture2_click();
    else if (name == QLatin1String("Image1")) image1_click(watched->property("index").toInt());
    else if (name == QLatin1String("Image2")) fold_list();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace shell

// The main window's side of the player: the widget and what it asks of the window, the play menu,
// the options, the open-file command, and the player's remembered properties.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QWebEngineView>

#include "config/settings.h"
#include "history/history_panel.h"
#include "history/history_store.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "player/kandor.h"
#include "player/playback_options.h"
#include "session/session.h"
#include "shell/key_list.h"
#include "shell/main_window.h"
#include "shell/twips.h"
#include "shell/window_keys.h"

namespace shell {

namespace {

const QString kMediaFilters =
    QStringLiteral("所有支持媒体文件 (*.rmvb *.rm *.wmv *.wma *.avi *.mp3 *.mp4 *.qmv);;所有文件 (*)");
const QString kBagSection = QStringLiteral("Kandor");
const char* const kBagKeys[] = {"furl", "fname", "bzt",   "vol",   "bwz",  "bcd",
                                "full", "qlj",   "phwnd", "zfull", "zxyj", "zgj"};

// Where the player's properties are kept between runs: the user's state, not the program folder.
QString bag_file() { return platform::state_folder() + QStringLiteral("/player.ini"); }

}  // namespace

player::Kandor* MainWindow::make_player() {
  player::KandorHost host;
  host.start_terminal = [this] { zrqv(); };
  host.now_playing_label = [this](const QString& text) { label(1)->setText(text); };
  host.status_text = host.now_playing_label;
  host.record = [this](const QString& address, int mo) { return history_->hist_record(address, mo); };
  host.save_position = [this](const QString& address, int mo, int position) {
    history_->hist_save_pos(address, mo, position);
  };
  host.command = [this](const QString& item) {
    if (QAction* a = action(item)) a->trigger();
  };
  host.caption = [this](const QString& item) { return action(item) ? action(item)->text() : QString(); };
  host.power_saving = [this](int mode) { options_->power_saving(mode); };
  host.play_list = [this] { return session_.play.play_list; };
  auto* kandor = new player::Kandor(std::move(host), session_.now_playing);
  kandor->shutdown_on = [this] { return options_->shutdown_on == 1; };
  kandor->opt_shutdown = [this] { options_->opt_shutdown(); };
  options_ = std::make_unique<player::PlaybackOptions>(
      kandor, player::PlaybackOptions::Items{items_.c_zf, items_.xy_j, items_.c_com});
  return kandor;
}

// The play flows and the history panel, once the catalogue and the list exist.
void MainWindow::wire_play_flows() {
  flows_ = std::make_unique<history::PlayFlows>(
      session_, *history_,
      history::PlayHost{kandor_, catalog_.get(), [this] { return main_tab; }, [this] { tpth_img(1, 1, 0); },
                        [this](const QString& text) { label(1)->setText(text); }});
  auto* list = parts_.list1;
  session_.history_list = list;
  const auto where = [this, list](QPoint at) {
    // The menu's place: the click, moved by the list panel's left edge and 800 down, in the window.
    const QPoint in_window(at.x() + parts_.picture7->x() + to_px(20), at.y() + to_px(800));
    return inner_area()->mapToGlobal(in_window);
  };
  new history::HistoryPanel(session_, *history_, *flows_, list,
                            {items_.dq_ls, items_.ls_1, items_.ckxxs, items_.del_ls, items_.clear_ls}, catalog_.get(),
                            where);
  // The tree-list menu, for the title whose details are shown: a right click in the detail pane.
  QWebEngineView* detail = browser(1);
  detail->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(detail, &QWidget::customContextMenuRequested, this, [this, detail](QPoint at) {
    if (session_.play.loaded_detail != 0) items_.sxlb->popup(detail->mapToGlobal(at));
  });
  connect(items_.ljbf_0, &QAction::triggered, this, [this] { flows_->zz_linkm(0, session_.play.loaded_detail); });
  connect(items_.ljbf_1, &QAction::triggered, this, [this] { flows_->zz_linkm(1, session_.play.loaded_detail); });
  connect(items_.sqlb, &QAction::triggered, this, &MainWindow::fold_list);
}

void MainWindow::wire_player_menus() {
  auto on = [this](QAction* item, auto f) { connect(item, &QAction::triggered, this, f); };
  on(items_.cz_1, [this] { kandor_->play_q_Click(0); });
  on(items_.cz_2, [this] { kandor_->Image7_Click(); });
  on(items_.cz_3, [this] { kandor_->play_q_Click(1); });
  on(items_.cz_4, [this] { kandor_->play_q_Click(3); });
  on(items_.cz_5, [this] { kandor_->play_q_Click(4); });
  on(items_.c_zf, [this] { options_->opt_auto_full(1); });
  on(items_.xy_j, [this] { options_->opt_auto_next(1); });
  on(items_.c_com, [this] { options_->opt_shutdown(); });
  on(items_.fd_1, [this] { fd_1(); });
  keys_->add_window(kandor_);
}

void MainWindow::fd_1() {
  if (kandor_->full() == 1) hide();
  const QString file = platform::dialogs().open_file(kMediaFilters);
  if (!file.isEmpty()) flows_->ss_play(file, 0, 0);
}

void MainWindow::restore_player() {
  const platform::ProfileFile bag(bag_file());
  QVariantMap values;
  for (const char* key : kBagKeys)
    if (const auto v = bag.value(kBagSection, QString::fromLatin1(key))) values.insert(QString::fromLatin1(key), *v);
  kandor_->restore_properties(values);
}

void MainWindow::save_player() {
  platform::ProfileFile bag(bag_file());
  const QVariantMap values = kandor_->property_bag();
  for (auto it = values.begin(); it != values.end(); ++it) bag.set_value(kBagSection, it.key(), it.value().toString());
  bag.save();
}

bool MainWindow::window_key(int key, Qt::KeyboardModifiers modifiers) {
  QAction* item = nullptr;
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up: item = items_.cz_4; break;
    case Qt::Key_Right:
    case Qt::Key_Down: item = items_.cz_5; break;
    case Qt::Key_Space: item = items_.cz_1; break;
    case Qt::Key_Escape: item = items_.cz_2; break;
    default: break;
  }
  if (item) {
    item->trigger();
    return true;
  }
  // The player's own keys, on keys the menu items leave free.
  const int seek = modifiers & Qt::ShiftModifier ? 60 : 10;
  switch (key) {
    case Qt::Key_J: kandor_->seek_by(-seek); break;
    case Qt::Key_L: kandor_->seek_by(seek); break;
    case Qt::Key_BracketLeft: kandor_->step_speed(-1); break;
    case Qt::Key_BracketRight: kandor_->step_speed(1); break;
    case Qt::Key_Backspace: kandor_->set_speed(1.0); break;
    case Qt::Key_M: kandor_->toggle_mute(); break;
    case Qt::Key_F1: show_key_list(); break;
    default: return false;
  }
  return true;
}

// Over the window the player is in (the full-screen window, when it is up).
void MainWindow::show_key_list() {
  if (!key_list_) key_list_ = new KeyList(kandor_->window());
  key_list_->show();
  key_list_->raise();
  key_list_->activateWindow();
}

}  // namespace shell

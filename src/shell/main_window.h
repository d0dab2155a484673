#pragma once
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <memory>

#include "shell/layout.h"

class QAction;
class QListWidget;
class QMenu;
class QSystemTrayIcon;
class QWebEngineView;

namespace platform {
class Transfer;
}
namespace player {
class Kandor;
class PlaybackOptions;
}  // namespace player
namespace catalog {
class Catalog;
class TemplatePane;
struct Command;
}  // namespace catalog
namespace history {
class HistoryStore;
class PlayFlows;
}  // namespace history
namespace session {
class Session;
}
namespace desktop {
class Mpris;
}

namespace shell {

class WindowKeys;

// The client's main window "Form1": player or details on the left, the list panel on the right.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kOutsideLeft = 10000;  // twips: where the catalogue pane waits for its page

  explicit MainWindow(session::Session& session, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The load handler, in its order. False when the client must end at once (engine set-up started;
  // it starts the client again with `handed`, the addresses the user gave this start).
  bool load(const QStringList& handed = {});

  Q_INVOKABLE void zrqv();
  void ready_for_a_play();
  pid_t started_terminal() const { return started_terminal_; }  // the terminal ended with the client
  Q_INVOKABLE void tpth_img(int a, int b, int c);
  Q_INVOKABLE void detail_hits_update(const QString& id);
  void im2_csh();
  // A key of the window: Left/Up, Right/Down, Space and Esc as their menu items (the shift state not
  // looked at), else one of the player's own; false for other keys.
  bool window_key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void show_key_list();  // the window that lists every key (F1)
  void fold_list();      // the "lists" menu item and the arrow
  void image1_click(int index);
  void picture1_click();
  void picture2_click();
  void ex();  // "退出"

  // The controls and menu items the window drives, held as they are made. Their Part names stay
  // their object names: the layout rules and tests find them by those.
  struct Parts {
    QWidget *picture1 = nullptr, *picture2 = nullptr, *picture3 = nullptr, *picture4 = nullptr;
    QWidget *picture5 = nullptr, *picture7 = nullptr, *picture9 = nullptr, *picture10 = nullptr;
    QWidget *picture11 = nullptr, *image2 = nullptr;
    QWidget* image1[3] = {};    // the list tabs
    QWidget* picture8[3] = {};  // the list panel's frames, one per tab
    QListWidget* list1 = nullptr;
    QLabel *label1 = nullptr, *label2 = nullptr;
    QWebEngineView* browser[3] = {};  // WebBrowser1..3
  };
  struct Items {
    QMenu *fd = nullptr, *dq_ls = nullptr, *sxlb = nullptr;
    QAction *fd_1 = nullptr, *fd_2 = nullptr, *hcgl = nullptr, *lists = nullptr;
    QAction *cz_1 = nullptr, *cz_2 = nullptr, *cz_3 = nullptr, *cz_4 = nullptr, *cz_5 = nullptr;
    QAction *c_zf = nullptr, *xy_j = nullptr, *c_com = nullptr;
    QAction *bz_1 = nullptr, *bz_2 = nullptr;
    QAction *ls_1 = nullptr, *ckxxs = nullptr, *del_ls = nullptr, *clear_ls = nullptr;
    QAction *sqlb = nullptr, *ljbf_0 = nullptr, *ljbf_1 = nullptr;
  };
  const Parts& parts() const { return parts_; }
  const Items& items() const { return items_; }

  // Layout access for the layout module and tests.
  QWidget* inner_area() const { return inner_; }
  QWidget* control(const QString& name, int index = 0) const;
  const QVector<QWidget*>& controls() const { return controls_; }
  LayoutState& layout_state() { return layout_; }
  bool catalogue_in_view() const { return catalogue_in_view_; }
  void set_catalogue_in_view(bool in_view) { catalogue_in_view_ = in_view; }
  QAction* action(const QString& name) const { return actions_.value(name); }
  QMenu* menu(const QString& name) const { return menus_.value(name); }
  QWebEngineView* browser(int n) const;
  QLabel* label(int n) const;
  QSystemTrayIcon* tray() const { return tray_; }
  platform::Transfer* inet1() const { return inet1_; }
  catalog::Catalog* catalogue() const { return catalog_.get(); }
  session::Session& session() const { return session_; }
  history::HistoryStore& history() const { return *history_; }
  history::PlayFlows& play_flows() const { return *flows_; }
  player::Kandor* kandor() const { return kandor_; }
  player::PlaybackOptions* options() const { return options_.get(); }
  void fd_1();  // "打开本地文件"
  // main_window_windows.cpp
  void fd_2();        // "打开远程文件": the play-data lookup window
  void hcgl_Click();  // "缓存管理": the cache manager
  void bz_2();        // "关于": the about window, modeless
  // main_window_update.cpp: "检测新版本", and the updater fetched anew (and started when start != 0).
  void check_version();
  bool refresh_updater(int start);
  bool updater_at_exit() const { return updater_at_exit_; }
  QWidget* cache_window() const { return cache_window_; }
  QWidget* play_data_window() const { return play_data_window_; }
  QWidget* share_dialog() const { return share_dialog_; }
  QString template_address() const;
  // main_window_desktop.cpp: addresses the user handed over (command line, a second start, a drop):
  // the window comes to the front, the playable ones play as a play list, the others are said.
  void open_addresses(const QStringList& addresses);
  void bring_to_front();
  // The desktop's media controls (MPRIS) for this window's player, while the window lives.
  void offer_media_controls();
  desktop::Mpris* media_controls() const { return mpris_; }
  // The catalogue pane's load-complete handler.
  void catalogue_loaded(const QString& html);

  int main_tab = 1;
  int list_tab = 1;
  int list_tab_copy = 1;
  int16_t kill_qvod_on_exit = 0;
  int startup_finished = 0;
  int catalog_tries = 0;
  int dedup_allowed = 0;
  QString installed_version;
  QString save_folder;
  int volume = 100;

 signals:
  // A pane's command has been accepted (the user clicked it in a page that may give commands).
  void pane_command(int pane, const QString& address);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  // main_window_player.cpp
  player::Kandor* make_player();
  void wire_player_menus();
  void wire_play_flows();
  void wire_other_windows();
  void restore_player();
  void save_player();
  void build_menus();
  void return_heap_after_start();
  void offer_tray_icon();
  void add_tray_icon();
  void remove_tray_icon();
  void on_resize();
  void startup_job();  // Timer3
  void dedup_tick();   // Timer1
  void navigate_catalogue();
  void set_up_panes();
  bool pane_navigation(int pane, const QUrl& url, bool main_frame);
  void dispatch(const catalog::Command& c);
  void set_picture(QWidget* target, const QString& image);
  // Ends the client by its own process id, after the terminal it started and its browser panes.
  [[noreturn]] void end_client();
  void delete_panes();
  QWidget* add(QWidget* w, const char* name, double l, double t, double wd, double ht);
  QAction* add_action(QMenu* menu, const char* name, const QString& caption);

  session::Session& session_;
  desktop::Mpris* mpris_ = nullptr;
  QString cover_key_, cover_url_;  // the cover last looked up for the media controls, by title key
  std::unique_ptr<history::HistoryStore> history_;
  std::unique_ptr<history::PlayFlows> flows_;
  QWidget* inner_ = nullptr;
  Parts parts_;
  Items items_;
  QVector<QWidget*> controls_;
  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> menus_;
  LayoutState layout_;
  bool catalogue_in_view_ = false;
  QTimer timer1_, timer3_;
  QSystemTrayIcon* tray_ = nullptr;
  bool tray_removed_ = false;      // the window has closed: no icon comes back
  bool start_heap_armed_ = false;  // the start-up's heap goes back once
  WindowKeys* keys_ = nullptr;
  QPointer<QWidget> key_list_;
  player::Kandor* kandor_ = nullptr;
  std::unique_ptr<player::PlaybackOptions> options_;
  pid_t started_terminal_ = 0;
  platform::Transfer* inet1_ = nullptr;
  std::unique_ptr<catalog::TemplatePane> template_pane_;
  std::unique_ptr<catalog::Catalog> catalog_;
  QPointer<QWidget> cache_window_, play_data_window_, share_dialog_;
  bool updater_at_exit_ = false;  // a forced update: the refreshed updater runs when the client ends
};

// The program's own version, 1.2.0.4; the tray tip shows major.minor.revision.
QString tray_tip();

}  // namespace shell

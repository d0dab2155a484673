// The cache manager against a cache folder the real terminal filled from the site.
// The client's main window with the engine's terminal downloading into a cache folder of the
// test's own (finished files and, with the site breaking off, ".!mv" files), and the cache
// manager opened from the main window as the user opens it.
#include <httplib.h>
#include <QDesktopServices>
#include <QListWidget>
#include <QUrl>
#include <csignal>

#include "cache/cache_manager_window.h"
#include "catalog/client_window.h"
#include "config/registry_values.h"
#include "platform/dialogs.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "player/kandor.h"
#include "player/now_playing.h"
#include "player/player_fixture.h"
#include "support/terminal_process.h"

#include <sys/mount.h>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>

#include <QTemporaryDir>
#include "cache/cache_folder.h"
#include "cache/file_mover.h"
#include "config/settings.h"
#include "history/history_store.h"
#include "history/play_flows.h"
#include "platform/profile.h"

namespace {

// What the desktop was asked to open.
class OpenedUrls : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

class CacheWindow : public ClientWindow {
 protected:
  void SetUp() override {
    ClientWindow::SetUp();
    config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, folder.file("engine/play"));
    config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, media());
    terminal.configure(media(), site.base() + "/qvod/{hash}/{name}");
    ASSERT_TRUE(terminal.launch());
    before_dialogs = platform::set_dialogs(&answers);
    before_load = [](shell::MainWindow* w) {
      w->kandor()->set_engine_factory([](QWidget*) { return std::make_unique<engine::MpvEngine>(nullptr, true); });
    };
    start();
    kandor = window->kandor();
  }
  void TearDown() override {
    if (manager()) manager()->close();
    kandor->q_stop();
    ClientWindow::TearDown();
    end_terminals();
    platform::set_dialogs(before_dialogs);
  }
  QString media() const { return folder.file("media"); }
  // Every terminal under the test's state file: ours, and the one the client started again.
  void end_terminals() {
    terminal.halt(SIGKILL);
    end_terminal_of(terminal.state_file());
  }
  bool terminal_running() {
    return terminal.process.state() != QProcess::NotRunning && !terminal.process.waitForFinished(3000);
  }
  // An episode's address ("qvod://size|hash|name|") and its file name.
  std::pair<QString, QString> episode(int key, int index) {
    const std::string body = http_get(site.port(), "/details.php?id=" + std::to_string(key)).body;
    const QString address =
        QString::fromStdString(body).section("<!--jj_start-->", 1).split("::").value(index).replace('$', '|');
    return {address, address.split('|').value(2)};
  }
  // The terminal fetches the item into the cache; finished or broken off by the site.
  void download(const QString& address) {
    httplib::Client c("127.0.0.1", terminal.port);
    c.set_read_timeout(30, 0);
    const std::string hash = address.split('|').value(1).toStdString();
    c.Get(("/task?url=" + QUrl::toPercentEncoding(address).toStdString()).c_str(), {{"X-Qvod-Token", terminal.token}});
    wait_until(
        [&] {
          auto r = c.Get(("/status?hash=" + hash).c_str(), {{"X-Qvod-Token", terminal.token}});
          return r && r->body.find("downloading") == std::string::npos;
        },
        30000);
  }
  // The window while it is open (a closed one is deleted as the event loop would delete it).
  cache::CacheManagerWindow* manager() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return qobject_cast<cache::CacheManagerWindow*>(window->cache_window());
  }
  QListWidget* list() { return manager()->findChild<QListWidget*>("List1"); }
  QStringList listed() {
    QStringList names;
    for (int i = 0; i < list()->count(); ++i) names << list()->item(i)->text();
    names.sort();
    return names;
  }
  void select(const QString& name) {
    const auto found = list()->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString() << " among " << listed().join(",").toStdString() << " in "
                               << manager()->cache_dir.toStdString() << ": "
                               << QDir(media()).entryList().join(",").toStdString();
    list()->setCurrentItem(found[0]);
  }
  bool playing(const QString& address) {
    return wait_until([&] { return kandor->furl() == address && kandor->bzt() == 3; }, 20000);
  }

  TerminalProcess terminal{folder.file("engine")};
  platform::ScriptedDialogs answers;
  platform::Dialogs* before_dialogs = nullptr;
  player::Kandor* kandor = nullptr;
};

// A small file system of the test's own (tmpfs), for moves across file systems and into a full one.
class SmallDisk {
 public:
  explicit SmallDisk(const QString& path, qint64 bytes) : path_(path) {
    QDir().mkpath(path);
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = ::mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", 0, options.constData()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.toLocal8Bit().constData(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  QString path_;
  bool mounted_ = false;
};

QByteArray site_bytes(const SiteProcess& site, const QString& address) {
  return QByteArray::fromStdString(http_get(site.port(), "/qvod/" + address.split('|')[1].toStdString() + "/x").body);
}

}  // namespace

TEST_F(CacheWindow, OpensWithItsQuestionStopsThePlayEndsTheTerminalAndOffersToGoOn) {
  const auto [first, first_name] = episode(1004, 0);
  const auto [second, second_name] = episode(1004, 1);
  download(first);
  site.control("media=drop");  // the second breaks off half-way: an unfinished download
  download(second);
  open(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(first));
  ASSERT_TRUE(wait_until([] { return test_session().now_playing.now_pos >= 1; }, 10000));
  answers.answer_next(platform::Answer::Ok);
  window->hcgl_Click();
  ASSERT_NE(manager(), nullptr);
  EXPECT_EQ(answers.shown.value(0), "Morvane缓存管理|缓存管理系统将要停止当前播放任务，是否打开?");
  EXPECT_EQ(kandor->bzt(), 0);
  EXPECT_FALSE(terminal_running());  // no file of the cache is held
  EXPECT_EQ(listed(), QStringList({first_name, second_name + ".!mv"}));
  EXPECT_EQ(manager()->file_count, 2);
  EXPECT_EQ(manager()->part_count, 1);
  EXPECT_EQ(manager()->was_playing, 1);
  EXPECT_TRUE(manager()->findChild<QLineEdit*>("Text1")->hasFocus() || !window->isActiveWindow());
  // "关闭并返回", OK to going on: the play comes back where it was, and the terminal with it.
  const long saved = manager()->saved_pos;
  EXPECT_GE(saved, 1);
  answers.answer_next(platform::Answer::Ok);
  manager()->close();
  EXPECT_EQ(answers.shown.value(1), "后续操作询问|是否继续播放任务?");
  ASSERT_TRUE(playing(first));
  EXPECT_TRUE(wait_until([&] { return kandor->bwz() >= saved; }, 5000)) << kandor->bwz();
}

TEST_F(CacheWindow, CancelKeepsThePlayAndAStoppedPlayerOpensWithoutAsking) {
  const auto [first, name] = episode(1004, 0);
  open(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(first));
  answers.answer_next(platform::Answer::Cancel);
  window->hcgl_Click();
  EXPECT_EQ(manager(), nullptr);
  EXPECT_EQ(kandor->bzt(), 3);
  kandor->q_stop();
  answers.shown.clear();
  window->hcgl_Click();
  ASSERT_NE(manager(), nullptr);
  EXPECT_TRUE(answers.shown.isEmpty());
}

TEST_F(CacheWindow, WithoutADownloadFolderTheWindowClosesAsItLoads) {
  config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, "");
  window->hcgl_Click();
  EXPECT_TRUE(wait_until([&] { return manager() == nullptr; }, 3000));
}

TEST_F(CacheWindow, CachedFilesPlayByWhatTheStoreAndTheHistoryKnow) {
  const auto [episode_address, episode_name] = episode(1004, 1);
  open(1004);  // the title is in the store
  open(1005);  // and another one is shown
  site.control("media=drop");
  download(episode_address);  // an unfinished episode of a title in the store
  site.control("media=normal");
  write_all(media() + "/stranger.mp4.!mv", "half of something");
  write_all(media() + "/free.mp4", site_bytes(site, episode(1005, 0).first));
  // A free address in the history, whose file is in the cache.
  const QString free_address = "qvod://9|" + QString(40, 'A') + "|watched.mp4|";
  window->history().hist_record(free_address, 0);
  write_all(media() + "/watched.mp4", "x");
  window->hcgl_Click();

  // Nothing selected: the window only closes.
  manager()->bfxz();
  EXPECT_EQ(manager(), nullptr);
  EXPECT_EQ(kandor->furl(), "");

  // The unfinished episode plays that episode from its address, in its title's list.
  window->hcgl_Click();
  select(episode_name + ".!mv");
  manager()->bfxz();
  ASSERT_TRUE(playing(episode_address)) << kandor->furl().toStdString() << " bzt " << kandor->bzt() << " "
                                        << window->label(1)->text().toStdString() << " | "
                                        << answers.shown.join(";").toStdString() << " log "
                                        << folder.log_text().toStdString();
  EXPECT_EQ(test_session().play.play_detail, test_session().play.loaded_detail);
  EXPECT_EQ(test_session().play.play_list.split("@@@").size(), 30);  // its title's episodes
  EXPECT_TRUE(answers.shown.filter("后续操作询问").isEmpty());       // a file was played from the window: no question

  // An unfinished file nobody knows: the message, and nothing plays.
  kandor->q_stop();
  window->hcgl_Click();
  select("stranger.mp4.!mv");
  manager()->bfxz();
  EXPECT_TRUE(answers.shown.contains("Morvane缓存管理|该文件没有通过Morvane播放过，无法解析..."));
  EXPECT_EQ(kandor->bzt(), 0);

  // The history's free address plays that address; a finished file nobody knows plays as a file.
  window->hcgl_Click();
  select("watched.mp4");
  manager()->bfxz();
  EXPECT_EQ(kandor->furl(), free_address);
  kandor->q_stop();
  window->hcgl_Click();
  select("free.mp4");
  manager()->bfxz();
  ASSERT_TRUE(playing(media() + "/free.mp4"));
}

TEST_F(CacheWindow, DeleteAndMoveOneFileAndAMoveThatWouldReplaceLosesNothing) {
  const auto [a, a_name] = episode(1004, 0);
  const auto [b, b_name] = episode(1004, 1);
  download(a);
  download(b);
  const QByteArray b_bytes = read_all(media() + "/" + b_name);
  window->hcgl_Click();
  terminal.launch();  // a terminal holding the cache again: deleting ends it first
  select(a_name);
  manager()->Command1_Click();
  EXPECT_FALSE(QFile::exists(media() + "/" + a_name));
  EXPECT_FALSE(terminal_running());
  EXPECT_EQ(listed(), QStringList{b_name});

  // Moving into a folder that has a file of that name: both stay, and the user is told.
  const QString elsewhere = folder.file("elsewhere");
  QDir().mkpath(elsewhere);
  write_all(elsewhere + "/" + b_name, "the user's own");
  answers.choose_next(elsewhere);
  select(b_name);
  manager()->Command2_Click();
  EXPECT_EQ(read_all(elsewhere + "/" + b_name), "the user's own");
  EXPECT_EQ(read_all(media() + "/" + b_name), b_bytes);
  EXPECT_TRUE(answers.shown.last().startsWith("Morvane缓存管理|文件转移失败")) << answers.shown.last().toStdString();

  QFile::remove(elsewhere + "/" + b_name);
  answers.choose_next(elsewhere);
  select(b_name);
  manager()->Command2_Click();
  EXPECT_EQ(answers.shown.last(), "Morvane缓存管理|文件转移成功");
  EXPECT_EQ(read_all(elsewhere + "/" + b_name), b_bytes);
  EXPECT_TRUE(listed().isEmpty());
}

TEST_F(CacheWindow, ChangingTheFolderMovesFinishedFilesDropsUnfinishedOnesAndStoresTheFolder) {
  const auto [a, a_name] = episode(1004, 0);
  const auto [b, b_name] = episode(1004, 1);
  download(a);
  site.control("media=drop");
  download(b);
  const QByteArray a_bytes = read_all(media() + "/" + a_name);
  window->hcgl_Click();

  // The same folder by another name (a link to it) changes nothing.
  const QString same = folder.file("link to media");
  ASSERT_TRUE(QFile::link(media(), same));
  answers.choose_next(same);
  manager()->Command5_Click();
  EXPECT_EQ(manager()->cache_dir, media());
  EXPECT_EQ(listed().size(), 2);

  // Here the name in other letters is another folder: the cache moves there.
  const QString target = folder.path() + "/MEDIA";
  answers.choose_next(target);
  manager()->Command5_Click();
  EXPECT_EQ(read_all(target + "/" + a_name), a_bytes);
  EXPECT_FALSE(QFileInfo::exists(target + "/" + b_name + ".!mv"));
  EXPECT_FALSE(QFileInfo::exists(media()));  // the old folder went, empty
  EXPECT_EQ(manager()->cache_dir, target + "/");
  EXPECT_EQ(config::qvod_path(1), target + "/");
  EXPECT_EQ(platform::ProfileFile(config::engine_config()).value("QVODTERMINAL", "Mediapath").value_or(""),
            target + "/");
  EXPECT_EQ(listed(), QStringList{a_name});
  // The engine's index went with it: the next play finds the finished file by its hash.
  EXPECT_TRUE(QFileInfo::exists(target + "/.morvane-items"));
}

TEST_F(CacheWindow, AMountPointGetsAMediaFolderAndAFullDiskLosesNothing) {
  const auto [a, a_name] = episode(1004, 0);
  const auto [b, b_name] = episode(1004, 1);
  download(a);
  download(b);
  const QByteArray a_bytes = read_all(media() + "/" + a_name), b_bytes = read_all(media() + "/" + b_name);
  // Room for one of the two files only: the second move fails half-way for want of space.
  SmallDisk disk(folder.file("disk"), a_bytes.size() + b_bytes.size() / 2 + 64 * 1024);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs the right to mount";
  window->hcgl_Click();
  answers.choose_next(folder.file("disk"));
  manager()->Command5_Click();
  const QString target = folder.file("disk/media/");
  EXPECT_EQ(manager()->cache_dir, target);
  QStringList there = QDir(target).entryList(QDir::Files | QDir::Hidden);
  there.removeAll(".morvane-items");
  ASSERT_EQ(there.size(), 1) << there.join(",").toStdString();  // one moved, no partial copy left
  const QString moved = there[0], stayed = moved == a_name ? b_name : a_name;
  EXPECT_EQ(read_all(target + moved), moved == a_name ? a_bytes : b_bytes);
  EXPECT_EQ(read_all(media() + "/" + stayed), stayed == a_name ? a_bytes : b_bytes);  // the source is whole
  EXPECT_TRUE(answers.shown.last().contains("磁盘空间不足")) << answers.shown.last().toStdString();
  EXPECT_TRUE(answers.shown.last().contains(stayed));
}

TEST_F(CacheWindow, OpenFolderAsksTheDesktopForTheCacheFolder) {
  OpenedUrls opened;
  QDesktopServices::setUrlHandler("file", &opened, "open");
  window->hcgl_Click();
  manager()->Command6_Click();
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(media())});
}

TEST_F(CacheWindow, OpenFolderWithoutAFileManagerSaysSo) {
  QTemporaryDir empty;  // a PATH with no program that could show a folder
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", empty.path().toUtf8());
  window->hcgl_Click();
  manager()->Command6_Click();
  qputenv("PATH", path);
  EXPECT_EQ(answers.shown.value(0), "Morvane缓存管理|无法打开目录：" + media())
      << answers.shown.join("\n").toStdString();
}

TEST_F(CacheWindow, FilesAreListedByNameWithNumbersInTheirOrder) {
  // Made in an order the directory would not sort: more files than a directory keeps in one block.
  const QStringList names = {"剧集第1集.mp4",  "剧集第2集.mp4",  "剧集第2集.mp4.!mv",
                             "剧集第10集.mp4", "剧集第11集.mp4", "剧集第100集.mp4",
                             "电影B.mkv",      "电影b2.mkv",     "电影b10.mkv"};
  QDir().mkpath(media());
  for (qsizetype i = names.size() - 1; i >= 0; --i) write_all(media() + "/" + names[i], "x");
  window->hcgl_Click();
  QStringList shown;
  for (int i = 0; i < list()->count(); ++i) shown << list()->item(i)->text();
  const qsizetype episodes = shown.indexOf("剧集第1集.mp4");
  ASSERT_GE(episodes, 0) << shown.join(",").toStdString();
  EXPECT_EQ(shown.mid(episodes, 6), names.mid(0, 6)) << shown.join(",").toStdString();
  const qsizetype films = shown.indexOf("电影B.mkv");
  EXPECT_EQ(shown.mid(films, 3), names.mid(6, 3)) << shown.join(",").toStdString();
}

TEST_F(CacheWindow, ThePlayersMenuOpensTheSameWindow) {
  kandor->findChild<QAction*>("hcgl")->trigger();
  EXPECT_NE(manager(), nullptr);
}

TEST(CacheFolder, RootsAndMountPointsGetAMediaFolderAndOthersStayAsPicked) {
  EXPECT_EQ(cache::cache_target("/"), "/media/");
  EXPECT_EQ(cache::cache_target("/proc"), "/proc/media/");  // a mount point
  EXPECT_EQ(cache::cache_target("/tmp/x/cache"), "/tmp/x/cache/");
  EXPECT_EQ(cache::cache_target("D:\\"), "D:\\media\\");
  EXPECT_EQ(cache::cache_target("D:\\films"), "D:\\films\\");
  // Letter case counts in local paths here, not in the Windows form.
  EXPECT_TRUE(cache::same_folder("/tmp/cache/", "/tmp/cache"));
  EXPECT_FALSE(cache::same_folder("/tmp/Cache", "/tmp/cache"));
  EXPECT_TRUE(cache::same_folder("D:\\Media\\", "d:\\media"));
  EXPECT_FALSE(cache::same_folder("/tmp/cache2", "/tmp/cache"));
}

TEST(FileMover, AFileThatCannotBeReadStaysAndTheOthersMove) {
  QTemporaryDir from, to;
  write_all(from.path() + "/a.mp4", "aaaa");
  write_all(from.path() + "/b.mp4", "bbbb");
  const cache::MoveOutcome outcome =
      cache::move_files({from.path() + "/missing.mp4", from.path() + "/a.mp4"}, to.path());
  EXPECT_EQ(outcome.moved, QStringList{"a.mp4"});
  ASSERT_EQ(outcome.failed.size(), 1);
  EXPECT_TRUE(outcome.failed[0].startsWith("missing.mp4："));
  EXPECT_EQ(read_all(to.path() + "/a.mp4"), "aaaa");
  EXPECT_EQ(read_all(from.path() + "/b.mp4"), "bbbb");
}

#include "cache_manager_test.moc"

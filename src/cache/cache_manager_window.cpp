#include "cache/cache_manager_window.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "cache/cache_folder.h"
#include "config/settings.h"
#include "engine/terminal_client.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "player/addresses.h"
#include "player/kandor.h"
#include "player/now_playing.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace cache {

namespace {

const QString kCaption = QStringLiteral("Morvane缓存管理");

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QString with_separator(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

}  // namespace

CacheManagerWindow::CacheManagerWindow(CacheHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(std::move(host)) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(kCaption);
  build();
  connect(&mover_, &FileMover::progress, this, [this](qint64 done, qint64 total, const QString& name) {
    progress_->setRange(0, 1000);
    progress_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
    progress_label_->setText(QStringLiteral("正在转移：") + name);
  });
}

CacheManagerWindow::~CacheManagerWindow() = default;

void CacheManagerWindow::build() {
  auto* frame = new QGroupBox(QStringLiteral("缓存管理"), this);
  text1_ = new QLineEdit(frame);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setReadOnly(true);
  list1_ = new QListWidget(frame);
  list1_->setObjectName(QStringLiteral("List1"));
  progress_label_ = new QLabel(frame);
  progress_ = new QProgressBar(frame);
  progress_label_->hide();
  progress_->hide();

  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(new QLabel(QStringLiteral("缓存目录"), frame));
  folder_row->addWidget(text1_, 1);
  buttons_ << button(frame, "Command5", QStringLiteral("更改"))
           << button(frame, "Command6", QStringLiteral("打开目录"));
  folder_row->addWidget(buttons_[0]);
  folder_row->addWidget(buttons_[1]);
  auto* inside = new QVBoxLayout(frame);
  inside->addLayout(folder_row);
  inside->addWidget(new QLabel(QStringLiteral("当前目录"), frame));
  inside->addWidget(list1_, 1);
  inside->addWidget(progress_label_);
  inside->addWidget(progress_);
  auto* actions = new QHBoxLayout;
  buttons_ << button(this, "Command4", QStringLiteral("播放选中"))
           << button(this, "Command1", QStringLiteral("删除选中"))
           << button(this, "Command2", QStringLiteral("转移选中"))
           << button(this, "Command3", QStringLiteral("关闭并返回"));
  for (int i = 2; i < buttons_.size(); ++i) actions->addWidget(buttons_[i]);
  auto* all = new QVBoxLayout(this);
  all->addWidget(frame, 1);
  all->addLayout(actions);
  resize(520, 420);

  connect(buttons_[0], &QPushButton::clicked, this, &CacheManagerWindow::Command5_Click);
  connect(buttons_[1], &QPushButton::clicked, this, &CacheManagerWindow::Command6_Click);
  connect(buttons_[2], &QPushButton::clicked, this, &CacheManagerWindow::bfxz);
  connect(buttons_[3], &QPushButton::clicked, this, &CacheManagerWindow::Command1_Click);
  connect(buttons_[4], &QPushButton::clicked, this, &CacheManagerWindow::Command2_Click);
  connect(buttons_[5], &QPushButton::clicked, this, &QWidget::close);
  connect(list1_, &QListWidget::itemDoubleClicked, this, &CacheManagerWindow::bfxz);
}

void CacheManagerWindow::load() {
  opened = 1;
  if (host_.player) {
    was_playing = static_cast<qint16>(host_.player->now_playing().is_playing);
    saved_pos = host_.player->now_playing().now_pos;
  }
  if (host_.player) host_.player->q_stop();
  show();
  end_terminal();
  hqsy();
}

// The terminal the players of this user talk to: it downloads into this folder and keeps files open.
// Another program of that name (another session's) is not ours to end.
void CacheManagerWindow::end_terminal() { engine::TerminalClient().end_terminal(); }

void CacheManagerWindow::hqsy() {
  QStringList ids, paths, names;
  move_list.clear();
  file_count = 0;
  part_count = 0;
  cache_dir = config::qvod_path(1);
  text1_->setText(cache_dir);
  if (cache_dir.trimmed().isEmpty()) {  // the registry keeps an empty text as a blank
    close();
    return;
  }
  list1_->clear();
  for (const CacheEntry& e : list_cache(cache_dir)) {
    auto* item = new QListWidgetItem(e.name, list1_);
    item->setData(Qt::UserRole, int(file_count));
    ids << QString::number(file_count);
    paths << e.path;
    names << e.name;
    if (!e.partial) move_list += e.path + QChar(0);
    else ++part_count;
    ++file_count;
  }
  file_ids = ids.join('|');
  file_paths = paths.join('|');
  file_names = names.join('|');
  paths_ = paths;
  names_ = names;
}

std::pair<QString, QString> CacheManagerWindow::entry(int index) const {
  // Kept as lists as well as joined texts: a file name may itself hold a "|".
  return {paths_.value(index), names_.value(index)};
}

void CacheManagerWindow::bfxz() {
  played_ = false;
  QListWidgetItem* item = list1_->currentItem();
  if (item && item->isSelected()) {
    auto [path, name] = entry(item->data(Qt::UserRole).toInt());
    const bool partial = name.contains(QLatin1String(".!mv"));
    played_ = true;
    hcbf(partial ? name.remove(QStringLiteral(".!mv")) : name, path, partial ? 1 : 0);
  }
  close();
}

void CacheManagerWindow::hcbf(const QString& name, const QString& path, int unfinished) {
  store::open_db();
  store::RowSet episode;
  episode.Open("select det.detailID,jj.* from jj inner join det on jj.keyID=det.keyID where wjm = " +
               store::text_literal(name) + " or j_url like " + store::text_literal('%' + name + '%'));
  if (!episode.Eof()) {
    const QString address = player::qvod_normalize(episode.text("j_url").replace('$', '|'));
    if (host_.play_episode) host_.play_episode(episode.number("detailID"), address, episode.number("jl"));
    return;
  }
  store::RowSet entry;
  entry.Open("select * from  hist where hist_url like " + store::text_literal('%' + name + '%'));
  if (!entry.Eof()) {
    if (host_.play) host_.play(entry.text("hist_url"), 0, entry.number("jd"));
    return;
  }
  if (unfinished == 1) {
    played_ = false;
    platform::dialogs().message(QStringLiteral("该文件没有通过Morvane播放过，无法解析..."), kCaption,
                                platform::Buttons::Ok);
    return;
  }
  if (host_.play) host_.play(path, 0, 0);
}

void CacheManagerWindow::Command1_Click() {
  QListWidgetItem* item = list1_->currentItem();
  if (!item || !item->isSelected()) return;
  end_terminal();
  do_wjcz(item->data(Qt::UserRole).toInt(), 0);
}

void CacheManagerWindow::Command2_Click() {
  QListWidgetItem* item = list1_->currentItem();
  if (!item || !item->isSelected()) return;
  end_terminal();
  do_wjcz(item->data(Qt::UserRole).toInt(), 1);
}

void CacheManagerWindow::do_wjcz(int index, int operation) {
  const auto [path, name] = entry(index);
  if (operation == 0) {
    if (!path.isEmpty() && !QFile::remove(path))
      platform::log_failure(QStringLiteral("do_wjcz"), QStringLiteral("cannot delete ") + path);
  } else {
    const QString folder = platform::dialogs().pick_folder(QString());
    if (!folder.isEmpty()) {
      const QStringList failed = zywj(path, folder, 1);
      if (failed.isEmpty()) platform::show_message(QStringLiteral("文件转移成功"), kCaption);
      else
        platform::show_message(QStringLiteral("文件转移失败，文件仍在原处：\r\n") + failed.join(QStringLiteral("\r\n")),
                               kCaption);
    }
  }
  hqsy();
}

QStringList CacheManagerWindow::zywj(const QString& source, const QString& destination, int mode) {
  QString target = destination;
  QStringList files;
  if (mode == 0) {
    target.chop(1);  // the trailing separator
    files = move_list.split(QChar(0), Qt::SkipEmptyParts);
  } else if (!source.isEmpty()) {
    files << source;
  }
  if (files.isEmpty()) return {};
  return move_now(files, target);
}

// The move runs in its own thread; the window stays responsive and shows how far it is.
QStringList CacheManagerWindow::move_now(const QStringList& files, const QString& folder) {
  for (QPushButton* b : buttons_) b->setEnabled(false);
  progress_->setValue(0);
  progress_label_->show();
  progress_->show();
  QEventLoop wait;
  connect(&mover_, &FileMover::finished, &wait, &QEventLoop::quit);
  mover_.start(files, folder);
  if (mover_.running()) wait.exec();
  progress_label_->hide();
  progress_->hide();
  for (QPushButton* b : buttons_) b->setEnabled(true);
  for (const QString& f : mover_.outcome().failed) platform::log_failure(QStringLiteral("zywj"), f);
  return mover_.outcome().failed;
}

void CacheManagerWindow::Command5_Click() {
  const QString picked = platform::dialogs().pick_folder(QString());
  if (picked.isEmpty()) return;
  const QString target = cache_target(picked);
  if (!QDir().mkpath(target)) {
    platform::show_message(QStringLiteral("无法创建目录：") + target, kCaption);
    return;
  }
  if (same_folder(target, cache_dir)) return;
  const QString old_dir = cache_dir;
  QStringList failed;
  if (file_count != 0) {
    failed = zywj(cache_dir, target, 0);
    // The unfinished downloads go; a finished file that could not be moved stays where it is.
    if (part_count != 0)
      for (const CacheEntry& e : list_cache(old_dir))
        if (e.partial) QFile::remove(e.path);
  }
  move_engine_files(old_dir, target);
  QDir().rmdir(old_dir);  // only when empty
  config::save_path_write(QStringLiteral("1"), target);
  config::setting_access(1, target, config::kMediaPath);
  cache_dir = target;
  hqsy();
  if (!failed.isEmpty())
    platform::show_message(QStringLiteral("以下文件未能转移，仍在原目录 ") + old_dir + QStringLiteral("：\r\n") +
                               failed.join(QStringLiteral("\r\n")),
                           kCaption);
}

// The engine's index of its items goes with the cache, unless the new folder has one of its own.
void CacheManagerWindow::move_engine_files(const QString& from, const QString& to) {
  QDir old(from);
  for (const QString& name : old.entryList(QDir::Files | QDir::Hidden)) {
    if (!is_engine_file(name)) continue;
    const QString there = with_separator(to) + name;
    if (QFileInfo::exists(there) || !QFile::rename(old.filePath(name), there)) QFile::remove(old.filePath(name));
  }
}

void CacheManagerWindow::Command6_Click() {
  const QString folder = config::qvod_path(1);
  if (folder.trimmed().isEmpty()) return;
  // Without a file manager (or a desktop that offers one) nothing would happen: say so.
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
    platform::show_message(QStringLiteral("无法打开目录：") + folder, kCaption);
}

void CacheManagerWindow::closeEvent(QCloseEvent* event) {
  if (moving()) return event->ignore();  // a move is never left half-way
  // A file just played from here is what the user wants now, not the play that was stopped.
  if (opened == 1 && file_count != 0 && was_playing == 1 && !played_ &&
      platform::dialogs().message(QStringLiteral("是否继续播放任务?"), QStringLiteral("后续操作询问"),
                                  platform::Buttons::OkCancel) == platform::Answer::Ok &&
      host_.play) {
    const player::NowPlaying& now = host_.player->now_playing();
    host_.play(now.now_url, now.now_mo, static_cast<int>(saved_pos));
  }
  opened = 0;
  event->accept();
}

}  // namespace cache

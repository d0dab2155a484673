#pragma once
#include <QVariant>
#include <QWidget>
#include <functional>

#include "cache/file_mover.h"

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QLabel;

namespace player {
class Kandor;
}

namespace cache {

// What the cache manager needs of the client.
struct CacheHost {
  player::Kandor* player = nullptr;
  std::function<void(const QString& url, int mo, const QVariant& jd)> play;  // ss_play
  // A catalogue episode: its title loaded by detailID, the title's episodes the play list, then played.
  std::function<void(int detail_id, const QString& url, int position)> play_episode;
};

// "Morvane缓存管理" (Form5): the engine's download folder, its files played, deleted, moved, the
// folder changed or opened. The player is stopped and the terminal ended while it is open.
class CacheManagerWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CacheManagerWindow(CacheHost host, QWidget* parent = nullptr);
  ~CacheManagerWindow() override;

  // The window's load: remembers the play, stops it, ends the terminal, lists the folder.
  void load();
  Q_INVOKABLE void hqsy();
  Q_INVOKABLE void bfxz();
  Q_INVOKABLE void hcbf(const QString& name, const QString& path, int unfinished);
  Q_INVOKABLE void do_wjcz(int index, int operation);
  // Moves the files (mode 1: the one file source) or the whole cache's finished files (mode 0)
  // into destination; the files that stayed, one line each.
  Q_INVOKABLE QStringList zywj(const QString& source, const QString& destination, int mode);
  void Command1_Click();  // 删除选中
  void Command2_Click();  // 转移选中
  void Command5_Click();  // 更改
  void Command6_Click();  // 打开目录

  // The window state.
  QString cache_dir, file_ids, file_paths, file_names, move_list;
  qint16 file_count = 0, part_count = 0, opened = 0, was_playing = 0;
  long saved_pos = 0;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  // The entry's path and name by its list index (the lists whole when there is one entry).
  std::pair<QString, QString> entry(int index) const;
  void end_terminal();
  bool moving() const { return mover_.running(); }
  QStringList move_now(const QStringList& files, const QString& folder);
  void move_engine_files(const QString& from, const QString& to);

  CacheHost host_;
  FileMover mover_;
  QLineEdit* text1_ = nullptr;
  QListWidget* list1_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* progress_label_ = nullptr;
  QList<QPushButton*> buttons_;
  QStringList paths_, names_;
  bool played_ = false;  // the window closes because a file was played from it
};

}  // namespace cache

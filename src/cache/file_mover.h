#pragma once
#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>

namespace cache {

// What a move did: the files now in the target folder, and one line per file that stayed where it
// was ("name：why").
struct MoveOutcome {
  QStringList moved;
  QStringList failed;
};

using MoveProgress = std::function<void(qint64 done_bytes, qint64 total_bytes, const QString& name)>;

// Moves files into a folder one after the other. A file is never lost: a file of the same name in
// the target stays and the source stays; across file systems the file is copied beside its target
// under a temporary name, synced, checked for its size, given its name, and only then is the
// source removed. Any failure on the way leaves the source whole and removes the partial copy.
MoveOutcome move_files(const QStringList& files, const QString& folder, const MoveProgress& progress = {});

// The same in a thread of its own, for a window that must stay responsive.
class FileMover : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~FileMover() override;
  void start(const QStringList& files, const QString& folder);
  bool running() const { return running_; }
  const MoveOutcome& outcome() const { return outcome_; }

 signals:
  void progress(qint64 done_bytes, qint64 total_bytes, const QString& name);
  void finished();

 private:
  std::atomic<bool> running_{false};
  MoveOutcome outcome_;
  class QThread* thread_ = nullptr;
};

}  // namespace cache

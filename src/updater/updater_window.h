#pragma once
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "updater/version_list.h"

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;

namespace updater {

// selfmend's window: the version list read and stored, every file of it downloaded into "src/"
// one after the other, then installed over the program folder as one set.
class UpdaterWindow : public QWidget {
  Q_OBJECT
 public:
  explicit UpdaterWindow(QWidget* parent = nullptr);
  void Form_Load();
  void xzrw(const QString& url, const QString& name);
  void system_update();
  void Timer1_Timer();
  static void wj_del(const QString& folder, const QString& name);

  QStringList url_items, name_items;
  int cur_index = 0;
  QString cur_name;
  qint64 total_len = 0;
  int ticks = 0;
  // The most a file may be when the server does not say its length (endless data is refused).
  static constexpr qint64 kMaxUnsizedBytes = 512LL * 1024 * 1024;

 private:
  void received();
  void finished();
  void fail();
  QString program(const QString& name) const;

  QLabel* label_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QNetworkAccessManager* inet1_ = nullptr;
  QPointer<QNetworkReply> reply_;
  QFile file_;
  qint64 got_ = 0;
  QTimer timer1_;
  VersionList list_;
};

}  // namespace updater

// morvane_probe COMMAND ...: runs one library call in a process of its own and prints its result.
//   setting N             setting_access read of setting N
//   open_db               open the catalogue, then run one statement
//   end_process NAME MODE
//   sleep MS
//   hold_db MS            open the catalogue and keep it open
//   write_twice           open the catalogue and write to it twice
//   throw_in_handler      an event handler that fails, under the programs' application object
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "config/end_process.h"
#include "config/settings.h"
#include "platform/trap.h"
#include "platform/trapped_application.h"
#include "session/session.h"
#include "store/builders.h"
#include "store/connection.h"

int main(int argc, char** argv) {
  platform::TrappedApplication app(argc, argv);
  session::Session session;
  const QStringList a = app.arguments();
  auto say = [](const QString& s) {
    std::printf("%s\n", s.toUtf8().constData());
    std::fflush(stdout);
  };
  if (a.size() >= 3 && a[1] == "setting") say("value:" + config::setting_access(0, {}, a[2].toInt()));
  else if (a.size() >= 2 && a[1] == "open_db") {
    store::open_db();
    say(store::db_execute("update hist set jd=0 where histID=0") ? "statement ran" : "statement failed");
  } else if (a.size() >= 4 && a[1] == "end_process") say(QString::number(config::end_process(a[2], a[3])));
  else if (a.size() >= 3 && a[1] == "sleep") QThread::msleep(a[2].toUInt());
  else if (a.size() >= 2 && a[1] == "write_twice") {
    for (int i = 0; i < 2; ++i)
      say(store::db_execute("insert into hist (hist_title) values ('x')") ? "written" : "not written");
  } else if (a.size() >= 2 && a[1] == "throw_in_handler") {
    QObject failing;
    failing.setObjectName("failing");
    QTimer::singleShot(0, &failing, [] { platform::fail("a step that fails"); });
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
    app.exec();
  } else if (a.size() >= 3 && a[1] == "hold_db") {
    store::open_db();
    say("holding");
    QThread::msleep(a[2].toUInt());
  } else return 2;
  say("survived");
  return 0;
}

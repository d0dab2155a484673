#include "support/client_seat.h"

#include <QFile>
#include <csignal>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "store/connection.h"
#include "support/child.h"
#include "support/db_rows.h"
#include "support/terminal_process.h"
#include "support/wait.h"

ClientSeat::ClientSeat() {
  if (!x.running()) return;
  site.control("list_only=1034");  // the site's list: this one title, as one big link
  copy_program(QStringLiteral(MORVANE_BIN "/play/QvodTerminal"), folder.file("play"), "QvodTerminal");
  // The engine is set up already (the first-run set-up has its own test).
  config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, folder.file("play"));
  config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, folder.file("downloads"));
  platform::ProfileFile cfg(folder.file("play/QvodCfg.ini"));
  cfg.set_value("QVODTERMINAL", "Mediapath", folder.file("downloads"));
  cfg.save();
  platform::ProfileFile ini(folder.file("vexa.ini"));
  ini.set_value("sh_time", "ym", site.base() + "/");
  ini.save();
  episodes_ = QString::fromStdString(http_get(site.port(), "/details.php?id=1034").body)
                  .section("<!--jj_start-->", 1)
                  .split("::");
  for (QString& e : episodes_) e.replace('$', '|');
}

ClientSeat::~ClientSeat() {
  kill_client();
  store::shared_connection().close();
}

void ClientSeat::kill_client() {
  if (client_.state() != QProcess::NotRunning) {
    client_.kill();
    client_.waitForFinished();
  }
  end_terminal();
}

// The terminal the client started outlives a client that was killed: it is ours to end.
void ClientSeat::end_terminal() { end_terminal_of(folder.file("morvane-terminal.state")); }

QProcessEnvironment ClientSeat::client_environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : x.env() + QStringList{"MORVANE_SITE=" + site.base(), "XDG_RUNTIME_DIR=" + folder.path()})
    env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  env.remove("MORVANE_DIALOG_LOG");  // real message boxes
  return env;
}

int ClientSeat::start_again(const QStringList& arguments, int timeout_ms) {
  QProcess second;
  second.setProcessEnvironment(client_environment());
  second.setProcessChannelMode(QProcess::MergedChannels);
  second.setStandardOutputFile(folder.file("second.out"));
  second.start(folder.file("vexa"), arguments);
  if (second.waitForFinished(timeout_ms)) return second.exitCode();
  second.kill();
  second.waitForFinished();
  return -1;
}

bool ClientSeat::start(const QStringList& arguments) {
  client_.setProcessEnvironment(client_environment());
  client_.setProcessChannelMode(QProcess::MergedChannels);
  client_.setStandardOutputFile(folder.file("client.out"));
  client_.start(folder.file("vexa"), arguments);
  if (!client_.waitForStarted()) return why_ = "the client did not start", false;
  if (!wait_until([&] { return !(window_ = x.windows_named("^MorvaneV").value(0)).isEmpty(); }, 30000)) {
    why_ = QStringLiteral("no main window; display %1 state %2 exit %3\n%4")
               .arg(x.display())
               .arg(client_.state())
               .arg(client_.exitCode())
               .arg(QString::fromUtf8(read_all(folder.file("client.out"))).right(3000));
    return false;
  }
  const int asked = requests();
  if (!wait_until([&] { return requests() > asked || asked > 0; }, 30000))
    return why_ = "the list page was not asked for", false;
  settle(2500);  // the list page is shown and the template is loaded
  return true;
}

int ClientSeat::requests() const {
  return QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests")).count('\n');
}

// The main window lies at the screen's corner (no window manager) at its design size, so its parts
// are where a user sees them.
bool ClientSeat::open_and_play() {
  const std::string shown = site.control("id=1034", "/_control/hits");  // each showing of its details counts
  x.click(700, 250);                                                    // anywhere on the one title of the list
  if (!wait_until([&] { return site.control("id=1034", "/_control/hits") != shown; }, 15000))
    return why_ = "the title's details were not asked for", false;
  settle(1000);
  x.click(229, 203);  // "立即播放"
  return true;
}

bool ClientSeat::quit() {
  x.click(20, 10);  // "文件"
  QRect menu;
  if (!wait_until(
          [&] {
            for (const QRect& w : x.children("root"))
              if (w.y() > 10 && w.y() < 40 && w.width() < 300 && w.height() > 60) menu = w;
            return menu.isValid();
          },
          5000))
    return why_ = "the 文件 menu did not open", false;
  settle(300);
  x.click(menu.x() + 40, menu.bottom() - 12);  // its last item: "退出"
  if (!client_.waitForFinished(15000)) return why_ = "the client did not end", false;
  return true;
}

QString ClientSeat::open_remote(const QString& address) {
  x.click(20, 10);  // "文件"
  settle(500);
  x.keys({"Down", "Down", "Return"});  // its second item
  QString form;
  if (!wait_until([&] { return !(form = x.windows_named("^打开远程文件$").value(0)).isEmpty(); }, 10000))
    return why_ = "the 打开远程文件 window did not open", QString();
  x.xdotool({"windowfocus", "--sync", form});
  x.xdotool({"type", "--delay", "20", address});
  x.keys({"Return"});
  return form;
}

QString ClientSeat::hist_url() const { return column("select * from hist where keyID=1034", "hist_url").value(0); }

int ClientSeat::position(int episode) const {
  return column("select * from jj where j_url like '%" + episodes_[episode].split('|')[1] + "%'", "jl")
      .value(0)
      .toInt();
}

QStringList ClientSeat::questions() const { return x.windows_named("^Morvane询问$"); }

void ClientSeat::answer(const QString& box, const QString& key) {
  x.xdotool({"windowfocus", "--sync", box});
  x.keys({key});
}

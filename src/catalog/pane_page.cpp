#include "catalog/pane_page.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include "platform/log.h"
#include "platform/paths.h"

namespace catalog {

namespace {

// Files the panes may read: the program folder's (the template, its pictures). Nothing else.
class FileGuard : public QWebEngineUrlRequestInterceptor {
 public:
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    if (!url.isLocalFile()) return;
    const QString folder = platform::program_folder() + '/';
    const QString path = QUrl::fromPercentEncoding(url.path().toUtf8());
    if (!path.startsWith(folder) || path.contains(QLatin1String("/../"))) {
      info.block(true);
      platform::log_failure(QStringLiteral("pane file"), QStringLiteral("blocked ") + path);
    }
  }
};

}  // namespace

QWebEngineProfile* pane_profile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile(QStringLiteral("morvane-panes"));
    p->setUrlRequestInterceptor(new FileGuard);
    QWebEngineSettings* s = p->settings();
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    return p;
  }();
  return profile;
}

PanePage::PanePage(QWebEngineProfile* profile, QObject* parent, Handler handler)
    : QWebEnginePage(profile, parent), handler_(std::move(handler)) {}

bool PanePage::acceptNavigationRequest(const QUrl& url, NavigationType, bool is_main_frame) {
  const bool go = handler_ ? handler_(url, is_main_frame) : true;
  last_cancelled_ = !go;
  return go;
}

}  // namespace catalog

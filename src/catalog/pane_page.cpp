#include "catalog/pane_page.h"
#include "catalog/template_pane.h"

#include <QApplication>
#include <QDateTime>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "config/site.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace catalog {

namespace {

constexpr qint64 kGestureMs = 2000;  // a click's navigation arrives well within this

using Type = QWebEngineUrlRequestInfo::ResourceType;

bool runs_code(Type t) {
  return t == QWebEngineUrlRequestInfo::ResourceTypeScript || t == QWebEngineUrlRequestInfo::ResourceTypeWorker ||
         t == QWebEngineUrlRequestInfo::ResourceTypeSharedWorker ||
         t == QWebEngineUrlRequestInfo::ResourceTypeServiceWorker ||
         t == QWebEngineUrlRequestInfo::ResourceTypeObject || t == QWebEngineUrlRequestInfo::ResourceTypePluginResource;
}

// What a pane may load: files of the program folder only (the template, its pictures); no frame
// of any origin (a frame could drive the page it sits in); code only from the site itself.
class RequestGuard : public QWebEngineUrlRequestInterceptor {
 public:
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    const Type type = info.resourceType();
    QString why;
    if (type == QWebEngineUrlRequestInfo::ResourceTypeSubFrame) why = QStringLiteral("frame");
    else if (runs_code(type) && !config::on_site(url)) why = QStringLiteral("code of another origin");
    else if (url.isLocalFile()) {
      const QString folder = platform::program_folder() + '/';
      const QString path = QUrl::fromPercentEncoding(url.path().toUtf8());
      if (!path.startsWith(folder) || path.contains(QLatin1String("/../"))) why = QStringLiteral("file");
    }
    if (why.isEmpty()) return;
    info.block(true);
    platform::log_failure(QStringLiteral("pane request"), QStringLiteral("blocked %1 %2").arg(why, url.toString()));
  }
};

// When the user last clicked, or pressed Enter or Space, in each pane's view.
class GestureWatch : public QObject {
 public:
  static GestureWatch& instance() {
    static auto* watch = [] {
      auto* w = new GestureWatch;
      qApp->installEventFilter(w);
      return w;
    }();
    return *watch;
  }
  bool take(const QWidget* view) {
    const qint64 at = unused_.take(view);
    return at > 0 && QDateTime::currentMSecsSinceEpoch() - at <= kGestureMs;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool click = event->type() == QEvent::MouseButtonRelease;
    const bool key = event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                                           static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter ||
                                                           static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
    if ((click || key) && watched->isWidgetType() && event != counted_) {
      for (QWidget* w = static_cast<QWidget*>(watched); w; w = w->parentWidget())
        if (qobject_cast<QWebEngineView*>(w)) {
          unused_.insert(w, QDateTime::currentMSecsSinceEpoch());
          // One press is one gesture, however far the event travels on to the widgets above.
          counted_ = event;
          QTimer::singleShot(0, this, [this] { counted_ = nullptr; });
          break;
        }
    }
    return false;
  }

 private:
  QHash<const QWidget*, qint64> unused_;  // gestures no command has used yet
  const QEvent* counted_ = nullptr;       // the event being delivered that was counted already
};

}  // namespace

// Frames that load nothing from the network are stopped at once (see the script).
QWebEngineScript no_frames() {
  QWebEngineScript s;
  s.setName(QStringLiteral("morvane-no-frames"));
  s.setInjectionPoint(QWebEngineScript::DocumentCreation);
  s.setWorldId(QWebEngineScript::ApplicationWorld);
  s.setRunsOnSubFrames(true);
  s.setSourceCode(pane_script("no_frames"));
  return s;
}

QWebEngineProfile* pane_profile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile(QStringLiteral("morvane-panes"));
    p->setUrlRequestInterceptor(new RequestGuard);
    p->scripts()->insert(no_frames());
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
    : QWebEnginePage(profile, parent), handler_(std::move(handler)) {
  GestureWatch::instance();
}

bool PanePage::take_user_gesture() {
  auto* view = qobject_cast<QWidget*>(parent());
  return view && GestureWatch::instance().take(view);
}

bool PanePage::acceptNavigationRequest(const QUrl& url, NavigationType, bool is_main_frame) {
  const bool go = handler_ ? handler_(url, is_main_frame) : true;
  last_cancelled_ = !go;
  if (go && is_main_frame) take_user_gesture();  // a click that opened a page is used up by it
  return go;
}

}  // namespace catalog

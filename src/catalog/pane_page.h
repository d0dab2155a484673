#pragma once
#include <QWebEnginePage>
#include <functional>

namespace catalog {

// The page of a browser pane. Every navigation is offered to the pane's handler first, which
// cancels it by returning false. No page opens a window of its own.
class PanePage : public QWebEnginePage {
  Q_OBJECT
 public:
  using Handler = std::function<bool(const QUrl& url, bool main_frame)>;
  PanePage(QWebEngineProfile* profile, QObject* parent, Handler handler);

  // True when the last navigation offered was cancelled by the handler: the load-finished
  // signal that follows it is no new document.
  bool last_cancelled() const { return last_cancelled_; }

  // Whether the user has just clicked (or pressed Enter or Space) in this page's view; the click
  // is used up, so that one click carries at most one command.
  bool take_user_gesture();

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

 private:
  Handler handler_;
  bool last_cancelled_ = false;
};

// The profile all panes share: its own storage under the state folder, no window opening by
// script, local pages kept away from remote addresses and from files outside the program folder,
// and no content of another origin: no frames at all, no scripts or plug-ins but the site's.
QWebEngineProfile* pane_profile();

}  // namespace catalog

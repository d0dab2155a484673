#pragma once
#include <QObject>
#include <QPoint>
#include <functional>

class QAction;
class QListWidget;
class QMenu;

namespace catalog {
class Catalog;
}
namespace session {
class Session;
}

namespace history {

class HistoryStore;
class PlayFlows;

// The history list of the main window: a double click plays an entry; the right button pops up
// "dq_ls" (play, details of a catalogue title, delete, clear).
class HistoryPanel : public QObject {
  Q_OBJECT
 public:
  struct Menu {
    QMenu* dq_ls;
    QAction *ls_1, *ckxxs, *del_ls, *clear_ls;
  };
  // where: the menu's place for a right click at a point of the list (global coordinates).
  HistoryPanel(session::Session& session, HistoryStore& history, PlayFlows& flows, QListWidget* list, Menu menu,
               catalog::Catalog* catalogue, std::function<QPoint(QPoint)> where);

  void List1_DblClick();
  void List1_MouseUp(Qt::MouseButton button, QPoint at);
  void ckxxs_Click();
  void del_ls_Click();
  void clear_ls_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int selected_id() const;  // the selected entry's histID, or 0
  int key_of_selected();    // hist_key: the selected entry's keyID (0 for a free address)

  session::Session& session_;
  HistoryStore& history_;
  PlayFlows& flows_;
  QListWidget* list_;
  Menu menu_;
  catalog::Catalog* catalogue_;
  std::function<QPoint(QPoint)> where_;
};

}  // namespace history

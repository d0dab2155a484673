#include "history/history_panel.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

#include "catalog/catalog.h"
#include "history/history_store.h"
#include "history/play_flows.h"
#include "session/session.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace history {

HistoryPanel::HistoryPanel(session::Session& session, HistoryStore& history, PlayFlows& flows, QListWidget* list,
                           Menu menu, catalog::Catalog* catalogue, std::function<QPoint(QPoint)> where)
    : QObject(list),
      session_(session),
      history_(history),
      flows_(flows),
      list_(list),
      menu_(menu),
      catalogue_(catalogue),
      where_(std::move(where)) {
  list_->viewport()->installEventFilter(this);
  connect(list_, &QListWidget::itemDoubleClicked, this, &HistoryPanel::List1_DblClick);
  connect(menu_.ls_1, &QAction::triggered, this, &HistoryPanel::List1_DblClick);
  connect(menu_.ckxxs, &QAction::triggered, this, &HistoryPanel::ckxxs_Click);
  connect(menu_.del_ls, &QAction::triggered, this, &HistoryPanel::del_ls_Click);
  connect(menu_.clear_ls, &QAction::triggered, this, &HistoryPanel::clear_ls_Click);
}

int HistoryPanel::selected_id() const {
  return list_->currentRow() < 0 ? 0 : list_->currentItem()->data(Qt::UserRole).toInt();
}

int HistoryPanel::key_of_selected() {
  int& hist_key = session_.play.hist_key;
  hist_key = 0;
  store::open_db();
  store::RowSet rs;
  rs.Open("select * from hist where histID=" + store::number_literal(QString::number(selected_id())));
  if (!rs.Eof()) hist_key = rs.number("keyID");
  return hist_key;
}

void HistoryPanel::List1_DblClick() {
  if (list_->currentRow() >= 0) flows_.play_hist_entry(selected_id());
}

void HistoryPanel::List1_MouseUp(Qt::MouseButton button, QPoint at) {
  if (button != Qt::RightButton) return;
  menu_.ckxxs->setEnabled(list_->currentRow() >= 0 && key_of_selected() != 0);
  menu_.dq_ls->popup(where_(at));
}

void HistoryPanel::ckxxs_Click() {
  if (list_->currentRow() < 0) return;
  const int key = key_of_selected();
  if (key != 0 && catalogue_) catalogue_->refresh_title(QString::number(key), 0);
}

void HistoryPanel::del_ls_Click() {
  if (list_->currentRow() >= 0) history_.hist_delete(QString::number(selected_id()));
}

void HistoryPanel::clear_ls_Click() {
  list_->clear();
  history_.hist_clear();
}

bool HistoryPanel::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* m = static_cast<QMouseEvent*>(event);
    // A right click on no entry leaves none selected: the menu then offers nothing to act on.
    if (m->button() == Qt::RightButton && !list_->itemAt(m->position().toPoint())) list_->setCurrentRow(-1);
    List1_MouseUp(m->button(), m->position().toPoint());
  }
  return false;
}

}  // namespace history

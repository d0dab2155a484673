#pragma once
#include <QString>
#include <functional>

#include "catalog/template_pane.h"

namespace platform {
class Transfer;
}
namespace session {
class Session;
}

namespace catalog {

// What the catalogue needs of the main window.
struct CatalogHost {
  std::function<void()> show_details_tab;          // tpth_img(2, 1, 0)
  std::function<void(const QString&)> report_hit;  // detail_hits_update(keyID)
};

// The per-title fetch and merge, and the detail and episode views of the template pane.
class Catalog {
 public:
  Catalog(session::Session& session, TemplatePane* pane, platform::Transfer* inet1, CatalogHost host);

  // Fetches, merges and shows a title; mode 1: id is a detailID, otherwise a keyID.
  // The title's history address, or "" when the refresh stopped before showing it.
  QString refresh_title(const QString& id, int mode);
  // b = 0: id is a detailID, else a keyID; a = 0 also switches to the details tab.
  QString show_detail(const QString& id, int a, int b);
  // order 0 ascending, else descending; view 1 switches the template to its episode view.
  void show_episodes(const QString& detail_id, int order, int view);

  static constexpr int kFetchTimeoutMs = 10000;

 private:
  session::Session& session_;
  TemplatePane* pane_;
  platform::Transfer* inet1_;
  CatalogHost host_;
  int refreshing_empty_ = 0;  // a refresh that an empty episode list started is running
};

}  // namespace catalog

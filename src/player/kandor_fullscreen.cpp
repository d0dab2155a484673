// Full screen: the player leaves the main window for a window of its own over the whole screen it
// is on, and comes back to its panel with its old place. The picture area is an ordinary widget of
// the player: it goes along, and its GL context is shared, so the engine draws on without a break.
#include <QScreen>

#include "player/kandor.h"

namespace player {

void Kandor::Image7_Click() {
  QWidget* main = phwnd_ ? phwnd_->window() : nullptr;
  if (full_ == 0) {
    if (bzt_ != 3) return;  // only while playing
    setFull(1);
    saved_geometry_ = geometry();
    QScreen* screen = this->screen();
    if (main) main->hide();
    setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
    setGeometry(screen->geometry());
    setWindowState(Qt::WindowFullScreen);
    show();
    raise();
    activateWindow();
    setFocus();
    return;
  }
  setFull(0);
  if (main) main->show();
  setWindowState(Qt::WindowNoState);
  setParent(phwnd_, Qt::Widget);
  setGeometry(saved_geometry_);
  lay_out();
  show();
  show_taskbar(true);
}

}  // namespace player

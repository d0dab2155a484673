// Full screen: the player leaves the main window for a window of its own over the whole screen it
// is on, and comes back to its panel with its old place. The engine draws into the picture area's
// native window, which must live through both moves (the engine would lose its picture): it is
// carried over by the window system each time, never destroyed and made anew.
#include <QScreen>
#include <QWindow>

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
  const bool picture_shown = video_->isVisible();
  // The full-screen window goes away with everything still in it: the picture area waits in the
  // panel meanwhile.
  if (phwnd_) video_->setParent(phwnd_);
  setWindowState(Qt::WindowNoState);
  setParent(phwnd_, Qt::Widget);
  setGeometry(saved_geometry_);
  video_->setParent(this);
  video_->stackUnder(bar_);
  lay_out();
  video_->setVisible(picture_shown);
  show();
  show_taskbar(true);
}

}  // namespace player

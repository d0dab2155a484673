#include "shell/layout.h"

#include <QStringList>
#include <QWebEngineView>

#include "shell/main_window.h"
#include "shell/twips.h"

namespace shell {

namespace {

struct Tag {
  double l = 0, t = 0, w = 0, h = 0;
};

// The tag's four numbers; a missing one counts as 0.
Tag tag_of(const QWidget* c) {
  const QStringList n = c->property("tag").toString().split(' ');
  auto at = [&](int i) { return i < n.size() ? n[i].toDouble() : 0.0; };
  return {at(0), at(1), at(2), at(3)};
}

bool named(const QWidget* c, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (c->objectName() == QLatin1String(n)) return true;
  return false;
}

void lay_out_unfolded(MainWindow& w, QWidget* c, const Tag& g, double dx, double ry) {
  const LayoutState& s = w.layout_state();
  if (named(c, {"Picture3", "Picture4", "Picture9", "Kandor1", "WebBrowser1"}))
    set_twips(c, g.l, g.t, g.w + dx, g.h * ry);
  else if (named(c, {"Picture7"})) set_twips(c, g.l + dx + 20, g.t, g.w, g.h * ry);
  else if (named(c, {"Image2"})) set_twips(c, g.l + dx + 20, g.t * ry, g.w, g.h);
  else if (named(c, {"Picture10"})) set_twips(c, g.l + dx + 20, g.t, g.w, g.h);
  else if (named(c, {"WebBrowser3"}))  // its place is do_ssta's
    c->resize(to_px(g.w), std::max(0, to_px(g.h * ry)));
  else if (named(c, {"Picture8", "WebBrowser2", "Picture5", "Picture11"})) set_twips(c, g.l, g.t, g.w, g.h * ry);
  else if (named(c, {"List1"})) set_twips(c, g.l, g.t, g.w, s.frame_height * ry - 20);
  else  // Label1, Label2, Image1, Picture1, Picture2 keep their design place
    set_twips(c, g.l, g.t, g.w, g.h);
}

void lay_out_folded(MainWindow& w, QWidget* c, const Tag& g, double rx, double ry) {
  if (named(c, {"Picture3", "Picture4", "Picture9", "Kandor1", "WebBrowser1"})) {
    set_twips(c, g.l, g.t, g.w * rx, g.h * ry);
  } else if (named(c, {"Label1", "Picture1", "Picture2"})) {
    set_twips(c, g.l, g.t, g.w, g.h);
  } else if (named(c, {"Image2"})) {
    const QRect p9 = twips_of(w.parts().picture9);
    set_twips(c, p9.x() + p9.width(), g.t, g.w, g.h);
  }
}

}  // namespace

namespace {
// Shrinks the frame to the pane less 100 twips and places the pane at -50, -50 inside it, so that
// the browser's own border lies outside the frame; pane_left is where the pane stands.
void fit_in_frame(QWidget* frame, QWidget* pane, int pane_left) {
  const QRect f = twips_of(frame), g = twips_of(pane);
  set_twips(frame, f.x(), f.y(), g.width() - 100, g.height() - 100);
  move_twips(pane, pane_left, -50);
}
}  // namespace

// The catalogue pane's one placement, used by the load, the arriving catalogue and every resize:
// outside its frame until its page has arrived, inside it after.
void do_ssta(MainWindow& w) {
  fit_in_frame(w.parts().picture11, w.parts().browser[2], w.catalogue_in_view() ? -50 : MainWindow::kOutsideLeft);
}

void fit_second_pane(MainWindow& w) { fit_in_frame(w.parts().picture5, w.parts().browser[1], -50); }

void f_size_init(MainWindow& w) {
  do_ssta(w);
  LayoutState& s = w.layout_state();
  const QSize inner = w.inner_area()->size();
  s.design_width = s.folded_base_width = to_twips(inner.width());
  s.design_height = to_twips(inner.height());
  for (QWidget* c : w.controls()) {
    const QRect g = twips_of(c);
    if (c->objectName() == QLatin1String("Picture8")) s.frame_height = g.height();
    c->setProperty("tag", QStringLiteral("%1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
  }
}

void f_size_resize(MainWindow& w) {
  const LayoutState& s = w.layout_state();
  const QSize inner = w.inner_area()->size();
  const double width = to_twips(inner.width()), height = to_twips(inner.height());
  const double ry = s.design_height ? height / s.design_height : 1.0;
  const double dx = std::lround(width - s.design_width);
  const double rx = s.folded_base_width ? width / s.folded_base_width : 1.0;
  for (QWidget* c : w.controls()) {
    const Tag g = tag_of(c);
    if (s.folded == 1) lay_out_folded(w, c, g, rx, ry);
    else lay_out_unfolded(w, c, g, dx, ry);
  }
  // Fitted after the pane has its new size, so that the frame follows it.
  do_ssta(w);
}

}  // namespace shell

#pragma once
#include <QRect>
#include <QWidget>
#include <cmath>

namespace shell {

// Geometry is designed in twips: 15 twips to a logical pixel at 96 dpi (Qt scales logical pixels
// to the screen).
constexpr double kTwipsPerPixel = 15.0;

inline int to_px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
inline int to_twips(int px) { return static_cast<int>(std::lround(px * kTwipsPerPixel)); }

inline void set_twips(QWidget* w, double left, double top, double width, double height) {
  w->setGeometry(to_px(left), to_px(top), std::max(0, to_px(width)), std::max(0, to_px(height)));
}
inline QRect twips_of(const QWidget* w) {
  const QRect g = w->geometry();
  return {to_twips(g.x()), to_twips(g.y()), to_twips(g.width()), to_twips(g.height())};
}
inline void move_twips(QWidget* w, double left, double top) { w->move(to_px(left), to_px(top)); }

}  // namespace shell

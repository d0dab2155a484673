#include "player/bar_widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace player {

namespace {

QPolygonF triangle(const QRectF& r, bool right) {
  return right ? QPolygonF({r.topLeft(), QPointF(r.right(), r.center().y()), r.bottomLeft()})
               : QPolygonF({r.topRight(), QPointF(r.left(), r.center().y()), r.bottomRight()});
}

}  // namespace

BarButton::BarButton(Glyph glyph, const QString& tip, QWidget* parent) : QWidget(parent), glyph_(glyph) {
  setToolTip(tip);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_Hover);
}

void BarButton::set_look(Look l) {
  if (look_ == l) return;
  look_ = l;
  update();
}

void BarButton::draw(QPainter& p, Look l, const QRect& r) const {
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink = !isEnabled()  ? colours::kDim
                     : l == Normal ? colours::kText
                     : l == Hover  ? colours::kLight
                                   : colours::kBar;
  if (l == Pressed) {
    p.setPen(Qt::NoPen);
    p.setBrush(colours::kAccent);
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 5, 5);
  } else if (l == Hover) {
    p.setPen(QPen(colours::kAccent, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
  }
  paint_glyph(p, glyph_, ink, r);
}

// Drawn straight onto the device it is given, so at any pixel ratio the edges are the screen's own.
void paint_glyph(QPainter& p, Glyph glyph, const QColor& ink, const QRect& r) {
  p.setRenderHint(QPainter::Antialiasing);
  const double s = std::min(r.width(), r.height());
  const QRectF g(r.center().x() - s * 0.28, r.center().y() - s * 0.28, s * 0.56, s * 0.56);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  switch (glyph) {
    case Glyph::Play: p.drawPolygon(triangle(g.adjusted(s * 0.06, 0, 0, 0), true)); break;
    case Glyph::Pause:
      p.drawRect(QRectF(g.left() + g.width() * 0.1, g.top(), g.width() * 0.28, g.height()));
      p.drawRect(QRectF(g.right() - g.width() * 0.38, g.top(), g.width() * 0.28, g.height()));
      break;
    case Glyph::Previous:
      p.drawRect(QRectF(g.left(), g.top(), g.width() * 0.16, g.height()));
      p.drawPolygon(triangle(g.adjusted(g.width() * 0.2, 0, 0, 0), false));
      break;
    case Glyph::Next:
      p.drawRect(QRectF(g.right() - g.width() * 0.16, g.top(), g.width() * 0.16, g.height()));
      p.drawPolygon(triangle(g.adjusted(0, 0, -g.width() * 0.2, 0), true));
      break;
    case Glyph::Menu:
      for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(g.left(), g.top() + g.height() * (0.1 + 0.35 * i), g.width(), g.height() * 0.14), 1,
                          1);
      break;
    case Glyph::FullScreen: {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(ink, std::max(1.5, s * 0.08), Qt::SolidLine, Qt::SquareCap));
      const double c = g.width() * 0.32;
      for (const QPointF& corner : {g.topLeft(), g.topRight(), g.bottomLeft(), g.bottomRight()}) {
        const double dx = corner.x() == g.left() ? c : -c, dy = corner.y() == g.top() ? c : -c;
        p.drawPolyline(QPolygonF({corner + QPointF(dx, 0), corner, corner + QPointF(0, dy)}));
      }
      break;
    }
    case Glyph::Speaker:
    case Glyph::SpeakerMuted: {
      QPainterPath body;
      body.addPolygon(
          QPolygonF({QPointF(g.left(), g.top() + g.height() * 0.32),
                     QPointF(g.left() + g.width() * 0.25, g.top() + g.height() * 0.32),
                     QPointF(g.left() + g.width() * 0.55, g.top()), QPointF(g.left() + g.width() * 0.55, g.bottom()),
                     QPointF(g.left() + g.width() * 0.25, g.top() + g.height() * 0.68),
                     QPointF(g.left(), g.top() + g.height() * 0.68)}));
      p.drawPath(body);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(ink, std::max(1.2, s * 0.06)));
      if (glyph == Glyph::SpeakerMuted) {  // a cross where the sound would be
        const QRectF x(g.left() + g.width() * 0.68, g.top() + g.height() * 0.3, g.width() * 0.32, g.height() * 0.4);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.bottomLeft(), x.topRight());
        break;
      }
      p.drawArc(QRectF(g.left() + g.width() * 0.35, g.top() + g.height() * 0.2, g.width() * 0.5, g.height() * 0.6),
                -50 * 16, 100 * 16);
      break;
    }
  }
}

void BarButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  draw(p, look_, rect());
}

void BarButton::enterEvent(QEnterEvent*) { set_look(Hover); }
void BarButton::leaveEvent(QEvent*) { set_look(Normal); }

void BarButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  set_look(Pressed);
  emit pressed(e->globalPosition().toPoint());
}

void BarButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const bool inside = rect().contains(e->position().toPoint());
  set_look(inside ? Hover : Normal);
  if (inside && isEnabled()) emit clicked();
}

void BarButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(e);
}

Knob::Knob(QWidget* parent) : QWidget(parent) { setCursor(Qt::SizeHorCursor); }

void Knob::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double d = std::min(width(), height()) - 2.0;
  const QRectF c(width() / 2.0 - d / 2, height() / 2.0 - d / 2, d, d);
  p.setPen(QPen(colours::kBar, 1.5));
  p.setBrush(colours::kLight);
  p.drawEllipse(c);
}

Surface::Surface(Painter painter, QWidget* parent) : QWidget(parent), painter_(std::move(painter)) {}

void Surface::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  painter_(p, rect());
}

}  // namespace player

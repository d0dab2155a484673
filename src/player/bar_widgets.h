#pragma once
#include <QWidget>

class QPainter;
#include <functional>

namespace player {

// The glyphs the control bar draws (no picture files: they follow the window's colours).
enum class Glyph { Play, Pause, Previous, Next, Menu, FullScreen, Speaker, SpeakerMuted };

// A glyph in the given ink, centred in r.
void paint_glyph(QPainter& p, Glyph glyph, const QColor& ink, const QRect& r);

// A button of the control bar with its three looks: normal, under the mouse, pressed.
class BarButton : public QWidget {
  Q_OBJECT
 public:
  enum Look { Normal, Hover, Pressed };
  BarButton(Glyph glyph, const QString& tip, QWidget* parent);
  Look look() const { return look_; }
  void set_look(Look l);

 signals:
  void clicked();
  void pressed(QPoint global);

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  void draw(QPainter& p, Look l, const QRect& r) const;
  Glyph glyph_;
  Look look_ = Normal;
};

// A knob of a track (seek or volume): a round handle.
class Knob : public QWidget {
 public:
  explicit Knob(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A painted surface: the bar, a track, the download strip; how it is painted is given.
class Surface : public QWidget {
 public:
  using Painter = std::function<void(QPainter&, const QRect&)>;
  Surface(Painter painter, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Painter painter_;
};

namespace colours {
inline const QColor kBar(0x1a, 0x1e, 0x28);
inline const QColor kTrack(0x3a, 0x43, 0x58);
inline const QColor kDownloaded(0x5a, 0x65, 0x80);
inline const QColor kAccent(0xe8, 0xa3, 0x3d);
inline const QColor kLight(0xf3, 0xc7, 0x7b);
inline const QColor kText(0xcf, 0xd5, 0xe2);
inline const QColor kDim(0x6d, 0x75, 0x88);
}  // namespace colours

}  // namespace player

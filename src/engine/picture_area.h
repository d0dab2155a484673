#pragma once
#include <QOpenGLWidget>
#include <functional>

struct mpv_handle;
struct mpv_render_context;

namespace engine {

// The player's picture area: libmpv draws each frame through its render API (OpenGL) into this
// widget, which the window composes like any other widget, on X11, Wayland and every platform
// with OpenGL. The render context lives while both the widget's GL context and the engine do.
class PictureArea : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit PictureArea(QWidget* parent = nullptr);
  ~PictureArea() override;

  // The engine whose frames are drawn here; called when the render context has been made (the
  // engine turns its picture on again if a file was opened before there was one).
  void attach(mpv_handle* mpv, std::function<void()> on_ready);
  // Before the engine goes: the render context is freed, with its GL context current.
  void detach();
  bool rendering() const { return render_ != nullptr; }
  // Something lies over the area (the player's cover while it waits): frames are taken from libmpv
  // without drawing them, so that its clock goes on; once uncovered the newest frame is drawn.
  void set_covered(bool covered);
  // New video frames drawn since the engine was attached (tests and benchmarks).
  qint64 frames_drawn() const { return frames_; }

 signals:
  void frameDrawn();  // a new video frame is in the widget's framebuffer

 protected:
  void initializeGL() override;
  void paintGL() override;

 private slots:
  void frame_ready();

 private:
  void create_render_context();
  void skip_frame();
  void free_render_context();

  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::function<void()> on_ready_;
  qint64 frames_ = 0;
  bool new_frame_ = false;  // the next paint draws a frame libmpv said is new
  bool covered_ = false;
};

}  // namespace engine

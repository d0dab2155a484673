#include "engine/picture_area.h"

#include <mpv/client.h>
#include <mpv/render_gl.h>
#include <qguiapplication_platform.h>
#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <utility>

#include "platform/log.h"

namespace engine {

namespace {

void* gl_address(void*, const char* name) {
  QOpenGLContext* gl = QOpenGLContext::currentContext();
  return gl ? reinterpret_cast<void*>(gl->getProcAddress(name)) : nullptr;
}

// libmpv's render thread says a frame is ready: the widget is repainted on the GUI thread.
void frame_wakeup(void* area) {
  QMetaObject::invokeMethod(static_cast<QObject*>(area), "frame_ready", Qt::QueuedConnection);
}

// The display connection the hardware decoders share with us (VA-API interop wants it).
void* wayland_display() {
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  return native ? native->nativeResourceForIntegration("wl_display") : nullptr;
}

}  // namespace

PictureArea::PictureArea(QWidget* parent) : QOpenGLWidget(parent) { setObjectName(QStringLiteral("Qvod")); }

PictureArea::~PictureArea() { detach(); }

void PictureArea::attach(mpv_handle* mpv, std::function<void()> on_ready) {
  detach();
  mpv_ = mpv;
  on_ready_ = std::move(on_ready);
  frames_ = 0;
  if (context()) create_render_context();  // else initializeGL makes it
}

void PictureArea::detach() {
  free_render_context();
  mpv_ = nullptr;
  on_ready_ = nullptr;
}

void PictureArea::initializeGL() {
  // The GL context goes (the widget goes, or it is made anew): the render context goes first.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &PictureArea::free_render_context,
          Qt::UniqueConnection);
  create_render_context();
}

void PictureArea::create_render_context() {
  if (!mpv_ || render_ || !context()) return;
  makeCurrent();
  mpv_opengl_init_params gl{gl_address, nullptr};
  const QString platform = QGuiApplication::platformName();
  void* x11 = nullptr;
  if (platform == QLatin1String("xcb"))
    if (auto* x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) x11 = x->display();
  void* wayland = platform.startsWith(QLatin1String("wayland")) ? wayland_display() : nullptr;
  mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
                               {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
                               {x11       ? MPV_RENDER_PARAM_X11_DISPLAY
                                : wayland ? MPV_RENDER_PARAM_WL_DISPLAY
                                          : MPV_RENDER_PARAM_INVALID,
                                x11 ? x11 : wayland},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  const int made = mpv_render_context_create(&render_, mpv_, params);
  if (made < 0) {
    render_ = nullptr;
    platform::log_failure(QStringLiteral("picture"),
                          QStringLiteral("no render context: ") + QString::fromUtf8(mpv_error_string(made)));
    doneCurrent();
    return;
  }
  mpv_render_context_set_update_callback(render_, frame_wakeup, this);
  doneCurrent();
  if (on_ready_) on_ready_();
}

void PictureArea::free_render_context() {
  if (!render_) return;
  const bool own = context() != nullptr;
  if (own) makeCurrent();
  mpv_render_context_set_update_callback(render_, nullptr, nullptr);
  mpv_render_context_free(render_);
  render_ = nullptr;
  if (own) doneCurrent();
}

// libmpv asks for a render: a new frame, or a change (a new size of picture) that a render applies.
void PictureArea::frame_ready() {
  if (!render_) return;
  if (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME) new_frame_ = true;
  if (covered_) return skip_frame();  // no paint would come, and libmpv would wait for one
  update();
}

void PictureArea::set_covered(bool covered) {
  covered_ = covered;
  if (!covered) update();
}

void PictureArea::skip_frame() {
  if (!context()) return;
  makeCurrent();
  int skip = 1;
  mpv_render_param params[] = {{MPV_RENDER_PARAM_SKIP_RENDERING, &skip}, {MPV_RENDER_PARAM_INVALID, nullptr}};
  mpv_render_context_render(render_, params);
  doneCurrent();
}

void PictureArea::paintGL() {
  if (!render_) {
    context()->functions()->glClearColor(0, 0, 0, 1);
    context()->functions()->glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), static_cast<int>(width() * ratio),
                     static_cast<int>(height() * ratio), 0};
  int flip = 1;  // the widget's framebuffer has the GL's bottom-up rows
  int wait = 0;  // the GUI thread never waits for a frame's time: libmpv says when it is due
  mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
                               {MPV_RENDER_PARAM_FLIP_Y, &flip},
                               {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &wait},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  mpv_render_context_render(render_, params);
  if (!std::exchange(new_frame_, false)) return;  // the same frame again (a resize, an expose)
  ++frames_;
  emit frameDrawn();
}

}  // namespace engine

// libmpv is opened when first needed rather than linked: it brings a hundred and more libraries
// (the decoders, Vulkan, VA-API, Lua...), and loading them before main() held the client's window
// back by about 120 ms. The functions the engine calls are defined here with libmpv's own
// signatures and pass on to the library once it is open; an engine opens it on a thread of its own
// (mpv_engine.cpp), once engines may start.
#include "engine/mpv_library.h"

#include <dlfcn.h>
#include <mpv/client.h>
#include <mpv/render.h>
#include <QPointer>
#include <mutex>
#include <vector>

#include "platform/log.h"

namespace {

struct Library {
  void* handle = nullptr;
  decltype(&::mpv_error_string) error_string = nullptr;
  decltype(&::mpv_create) create = nullptr;
  decltype(&::mpv_initialize) initialize = nullptr;
  decltype(&::mpv_terminate_destroy) terminate_destroy = nullptr;
  decltype(&::mpv_set_option_string) set_option_string = nullptr;
  decltype(&::mpv_command_async) command_async = nullptr;
  decltype(&::mpv_set_property_async) set_property_async = nullptr;
  decltype(&::mpv_observe_property) observe_property = nullptr;
  decltype(&::mpv_request_log_messages) request_log_messages = nullptr;
  decltype(&::mpv_wait_event) wait_event = nullptr;
  decltype(&::mpv_set_wakeup_callback) set_wakeup_callback = nullptr;
  decltype(&::mpv_render_context_create) render_context_create = nullptr;
  decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback = nullptr;
  decltype(&::mpv_render_context_update) render_context_update = nullptr;
  decltype(&::mpv_render_context_render) render_context_render = nullptr;
  decltype(&::mpv_render_context_free) render_context_free = nullptr;
};

template <class F>
void find(void* handle, F& f, const char* name, bool& all) {
  f = reinterpret_cast<F>(dlsym(handle, name));
  all = all && f;
}

// Opened once; without the library (or a function of it) every entry fails as libmpv says it does
// when it cannot make a player: mpv_create gives null.
const Library& library() {
  static Library lib;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"})
      if ((lib.handle = dlopen(name, RTLD_NOW | RTLD_LOCAL))) break;
    bool all = lib.handle != nullptr;
    if (!all) {
      platform::log_failure(QStringLiteral("libmpv"), QString::fromLocal8Bit(dlerror()));
      return;
    }
    find(lib.handle, lib.error_string, "mpv_error_string", all);
    find(lib.handle, lib.create, "mpv_create", all);
    find(lib.handle, lib.initialize, "mpv_initialize", all);
    find(lib.handle, lib.terminate_destroy, "mpv_terminate_destroy", all);
    find(lib.handle, lib.set_option_string, "mpv_set_option_string", all);
    find(lib.handle, lib.command_async, "mpv_command_async", all);
    find(lib.handle, lib.set_property_async, "mpv_set_property_async", all);
    find(lib.handle, lib.observe_property, "mpv_observe_property", all);
    find(lib.handle, lib.request_log_messages, "mpv_request_log_messages", all);
    find(lib.handle, lib.wait_event, "mpv_wait_event", all);
    find(lib.handle, lib.set_wakeup_callback, "mpv_set_wakeup_callback", all);
    find(lib.handle, lib.render_context_create, "mpv_render_context_create", all);
    find(lib.handle, lib.render_context_set_update_callback, "mpv_render_context_set_update_callback", all);
    find(lib.handle, lib.render_context_update, "mpv_render_context_update", all);
    find(lib.handle, lib.render_context_render, "mpv_render_context_render", all);
    find(lib.handle, lib.render_context_free, "mpv_render_context_free", all);
    if (!all) {
      platform::log_failure(QStringLiteral("libmpv"), QStringLiteral("a function of the library is missing"));
      lib.create = nullptr;  // no player is made, so no other entry is reached
    }
  });
  return lib;
}

}  // namespace

namespace engine {

namespace {

// The GUI thread's alone: engines are made and let start there.
struct Hold {
  bool held = false;
  std::vector<std::pair<QPointer<QObject>, std::function<void()>>> waiting;
};

Hold& hold() {
  static Hold h;
  return h;
}

}  // namespace

void hold_engines() { hold().held = true; }

void let_engines_start() {
  hold().held = false;
  for (auto& [context, start] : std::exchange(hold().waiting, {}))
    if (context) start();
}

void when_engines_may_start(QObject* context, std::function<void()> start) {
  if (!hold().held) return start();
  hold().waiting.emplace_back(context, std::move(start));
}

}  // namespace engine

extern "C" {

const char* mpv_error_string(int error) {
  return library().error_string ? library().error_string(error) : "libmpv could not be loaded";
}
mpv_handle* mpv_create(void) { return library().create ? library().create() : nullptr; }
// Every other entry takes a handle that only a made player gives, so the library is open by then.
int mpv_initialize(mpv_handle* ctx) { return library().initialize(ctx); }
void mpv_terminate_destroy(mpv_handle* ctx) { library().terminate_destroy(ctx); }
int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data) {
  return library().set_option_string(ctx, name, data);
}
int mpv_command_async(mpv_handle* ctx, uint64_t reply_userdata, const char** args) {
  return library().command_async(ctx, reply_userdata, args);
}
int mpv_set_property_async(mpv_handle* ctx, uint64_t reply_userdata, const char* name, mpv_format format, void* data) {
  return library().set_property_async(ctx, reply_userdata, name, format, data);
}
int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name, mpv_format format) {
  return library().observe_property(mpv, reply_userdata, name, format);
}
int mpv_request_log_messages(mpv_handle* ctx, const char* min_level) {
  return library().request_log_messages(ctx, min_level);
}
mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout) { return library().wait_event(ctx, timeout); }
void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d) {
  library().set_wakeup_callback(ctx, cb, d);
}
int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params) {
  return library().render_context_create(res, mpv, params);
}
void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback,
                                            void* callback_ctx) {
  library().render_context_set_update_callback(ctx, callback, callback_ctx);
}
uint64_t mpv_render_context_update(mpv_render_context* ctx) { return library().render_context_update(ctx); }
int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params) {
  return library().render_context_render(ctx, params);
}
void mpv_render_context_free(mpv_render_context* ctx) { library().render_context_free(ctx); }

}  // extern "C"

#pragma once
#include <QString>
#include <stdexcept>
#include <utility>

namespace platform {

// A step that fails inside a routine; the routine's error trap catches it.
struct TrapError : std::runtime_error {
  explicit TrapError(const QString& what) : std::runtime_error(what.toStdString()) {}
};

[[noreturn]] void fail(const QString& what);

void log_trapped(const char* routine, const char* what);

// Runs body under an error trap: nothing escapes, a failure is logged with the routine's name.
// Returns true when the body ran to its end.
template <typename Body>
bool trap(const char* routine, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const std::exception& e) {
    log_trapped(routine, e.what());
  } catch (...) {
    log_trapped(routine, "unknown failure");
  }
  return false;
}

// Ends the process at once: no handlers, no clean-up (the user was already told why).
[[noreturn]] void end_now(int code);

}  // namespace platform

#include "platform/trap.h"

#include <cstdlib>

#include "platform/log.h"

namespace platform {

void fail(const QString& what) { throw TrapError(what); }

void log_trapped(const char* routine, const char* what) {
  log_failure(QString::fromUtf8(routine), QString::fromUtf8(what));
}

void end_now(int code) { std::_Exit(code); }

}  // namespace platform

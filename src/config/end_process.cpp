#include "config/end_process.h"

#include <unistd.h>

#include "platform/processes.h"

namespace config {

int16_t end_process(const QString& name, const QString& mode) {
  pid_t target = 0;
  if (platform::image_name_matches(platform::own_image_name(), name)) {
    target = getpid();
  } else {
    for (const auto& p : platform::user_processes()) {
      if (platform::image_name_matches(p.image, name)) {
        target = p.pid;
        break;
      }
    }
  }
  if (target == 0) return 0;
  if (mode == QLatin1String("1")) {
    platform::kill_process(target);
    return 0;
  }
  return 1;
}

}  // namespace config

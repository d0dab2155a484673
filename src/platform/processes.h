#pragma once
#include <QString>
#include <sys/types.h>
#include <vector>

namespace platform {

struct ProcessInfo {
  pid_t pid = 0;
  QString image;  // the executable's file name
};

// Processes of the current user, in ascending pid order.
std::vector<ProcessInfo> user_processes();

// Image names compare without regard to case and to a trailing ".exe".
bool image_name_matches(const QString& image, const QString& name);

// The image name of this process.
QString own_image_name();

// The current user's processes (this one included) that hold the file open, in ascending pid order.
std::vector<pid_t> processes_holding(const QString& path);

// Ends one process at once (SIGKILL); this process itself ends through end_now.
bool kill_process(pid_t pid);

}  // namespace platform

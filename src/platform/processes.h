#pragma once
#include <sys/types.h>
#include <QString>
#include <QStringList>
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

// Starts a program that lives on by itself (its own session, not our child) and inherits none of
// our open files but the standard three: a helper must not keep our browser's processes or our
// sockets alive. Its pid, or -1 when it could not be started.
pid_t start_detached(const QString& program, const QStringList& args = {});

// Ends this process at once, by its own id, whatever its file is called.
[[noreturn]] void end_own_process();

// True while the process runs and its executable is the given file name (letter case and
// ".exe" aside): a pid that was reused by another program does not count.
bool process_is(pid_t pid, const QString& image);

// Hands the free pages inside the heap back to the system. The allocator keeps what was freed for
// later use, so after a burst of work (the start-up's pages, a play) the process stays as large as
// at its peak until this is called; called when the client has come to rest.
void return_free_heap();

}  // namespace platform

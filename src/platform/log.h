#pragma once
#include <QString>

namespace platform {

// One line per failure that the user is not shown: "time routine: what".
// Written to state_folder()/morvane.log, or to MORVANE_LOG when that is set.
void log_failure(const QString& routine, const QString& what);

// The same, written only the first time this routine reports this in the run (a cause that
// stays, as a file that cannot be opened, is said once, not at every use).
void log_once(const QString& routine, const QString& what);

// When MORVANE_STARTUP_MARKS names a file: appends "what milliseconds" there, the monotonic clock's
// reading, for the start-up benchmark to tell how long after its start the program got this far.
void mark_startup(const char* what);

// Path of the log file in use (tests read it back).
QString log_file_path();

}  // namespace platform

#pragma once
#include <QString>

namespace platform {

// The Windows "hidden" file attribute, kept where Wine and Samba keep DOS attributes on Linux:
// the extended attribute user.DOSATTRIB. A file system without user attributes ignores it.
bool set_hidden(const QString& path, bool hidden);
bool is_hidden(const QString& path);

// Lookups of program files count hidden, system and read-only files: existence is all that matters.
bool file_present(const QString& path);

// A file's bytes, or a folder's entries (a rename, a new name), on the disk before the next step.
bool sync_file(const QString& path);
bool sync_folder(const QString& folder);

}  // namespace platform

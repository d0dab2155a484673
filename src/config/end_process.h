#pragma once
#include <QString>
#include <cstdint>

namespace config {

// Finds the first process of the current user with this image name (case and ".exe" ignored).
// mode "1" ends it and returns 0; any other mode returns 1 when it exists. 0 when none runs.
// The client's own image name always means this very process: another instance of the client,
// or another user's program of that name, is never touched.
int16_t end_process(const QString& name, const QString& mode);

}  // namespace config

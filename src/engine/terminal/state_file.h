#pragma once
#include <QString>

namespace terminal {

// Where a running terminal tells its port, token and pid ("port token pid", readable by the
// user alone): MORVANE_TERMINAL_STATE, else $XDG_RUNTIME_DIR/morvane-terminal.state.
QString state_file();

}  // namespace terminal

#include "session/session.h"

namespace session {

Session::Session() : previous_(store::use_connection(&connection_)) {}

Session::~Session() { store::use_connection(previous_); }

}  // namespace session

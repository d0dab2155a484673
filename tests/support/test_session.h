#pragma once
#include "session/session.h"

// The session of the running test: each test gets a fresh one (made before its fixture, gone after
// it), so no test sees another's play state, history list or open catalogue.
session::Session& test_session();

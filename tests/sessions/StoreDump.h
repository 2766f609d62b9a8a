#pragma once

// A session as text with every field, each double as its bit pattern: two dumps are equal
// exactly when the sessions are. Shared by the tests and the helper program they run.

#include <string>

#include "sessions/SessionStore.h"

namespace pelmor {

std::string DumpSession(const Session& session);

}  // namespace pelmor

#pragma once

namespace pelmor {

// The program's version, "major.minor": the project version the build was configured with.
const char* ProgramVersion();

}  // namespace pelmor

#include "core/Version.h"

#ifndef PELMOR_VERSION
#error "PELMOR_VERSION is defined by the build for this file only"
#endif

namespace pelmor {

const char* ProgramVersion() { return PELMOR_VERSION; }

}  // namespace pelmor

#pragma once

// A small session report for the tests of its pages and of the file they are written to.

#include "display/SessionReport.h"

namespace pelmor::test {

// Spectra of an R-L-C object (R 0.25, L 0.01, C 0.5) with a small offset per result.
SessionReport TwoResultsTwoRecordings();

}  // namespace pelmor::test

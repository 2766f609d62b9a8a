#pragma once

// Session reports for the tests of its pages and of the file they are written to.

#include "display/SessionReport.h"

namespace pelmor::test {

// Spectra of an R-L-C object (R 0.25, L 0.01, C 0.5) with a small offset per result.
SessionReport TwoResultsTwoRecordings();

// count results with their recording pages and a baseline of baselineCount results, named as a
// lab names a subject's files ("Subject0001_visit2_pre 001.inpx", the baseline's
// "Subject0001_visit1_pre 001.inpx"), twelve frequencies 2 ... 24 Hz, with the report's tables;
// the baseline's R is twice the results', a positive response.
SessionReport SubjectSession(int count, int baselineCount);

}  // namespace pelmor::test

#pragma once

namespace pelmor {

// Plain sum; 0 for count <= 0.
double Sum(int count, const double* values);
// Sum / count (no guard against count 0).
double Mean(int count, const double* values);
// (sum of squares - n * mean^2) / (n - 1); 0 when count < 2.
double Variance(int count, const double* values);
double StandardDeviation(int count, const double* values);

}  // namespace pelmor

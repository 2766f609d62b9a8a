#include "numerics/Statistics.h"

#include <cmath>

namespace pelmor {

double Sum(int count, const double* values) {
    double s = 0.0;
    for (int i = 0; i < count; ++i) s += values[i];
    return s;
}

double Mean(int count, const double* values) { return Sum(count, values) / count; }

double Variance(int count, const double* values) {
    if (count < 2) return 0.0;
    double s = 0.0, q = 0.0;
    for (int i = 0; i < count; ++i) {
        s += values[i];
        q += values[i] * values[i];
    }
    const double mean = s / count;
    return (q - count * mean * mean) / (count - 1);
}

double StandardDeviation(int count, const double* values) {
    return std::sqrt(Variance(count, values));
}

}  // namespace pelmor

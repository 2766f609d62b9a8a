#include "numerics/Random.h"

#include "platform/Clock.h"

namespace pelmor {

void KissRandom::Seed(uint32_t seed) {
    z_ = 362436069u;
    w_ = 521288629u;
    jcong_ = seed;
    jsr_ = seed;
    for (int i = 0; i < 999; ++i) Step();
}

KissRandom& ProcessRandom() {
    static KissRandom random;
    return random;
}

void SeedRandom(uint32_t seed, Clock* clock) {
    if (seed == 0) {
        SystemClock system;
        Clock& c = clock ? *clock : system;
        const uint32_t a = static_cast<uint32_t>(c.CalendarSeconds());
        const uint32_t b = static_cast<uint32_t>(c.CalendarSeconds());
        seed = a * b;
    }
    ProcessRandom().Seed(seed);
}

double RandomUniform() { return ProcessRandom().Uniform(); }

}  // namespace pelmor

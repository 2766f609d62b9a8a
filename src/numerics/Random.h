#pragma once

#include <cstdint>

namespace pelmor {

class Clock;

// Marsaglia's KISS generator (1999): two multiply-with-carry words, a linear congruential word
// and a shift-register word, all wrapping modulo 2^32.
class KissRandom {
  public:
    // Sets z, w, jcong = jsr = seed and runs the 999-step warm-up.
    void Seed(uint32_t seed);
    // A value in (0, 1): about 9.4e-8 ... 0.99999991.
    double Uniform() {
        Step();
        const int32_t k = static_cast<int32_t>((mwc_ ^ jcong_) + jsr_);
        return k * 2.328306e-10 + 0.5;
    }

  private:
    void Step() {
        z_ = 36969u * (z_ & 0xFFFFu) + (z_ >> 16);
        w_ = 18000u * (w_ & 0xFFFFu) + (w_ >> 16);
        mwc_ = (z_ << 16) + w_;
        jcong_ = 69069u * jcong_ + 1234567u;
        jsr_ ^= jsr_ << 17;
        jsr_ ^= jsr_ >> 13;
        jsr_ ^= jsr_ << 5;
    }

    uint32_t z_ = 362436069u, w_ = 521288629u, jcong_ = 0, jsr_ = 0, mwc_ = 0;
};

// The process-wide generator, used from the user-interface thread alone.
KissRandom& ProcessRandom();

// Seeds the process-wide generator. Seed 0 asks for a seed from the clock: the product of the
// low 32 bits of two readings of the calendar time.
void SeedRandom(uint32_t seed, Clock* clock = nullptr);
double RandomUniform();

}  // namespace pelmor

#include "sessions/Sha256.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace pelmor {

namespace {

constexpr std::array<uint32_t, 8> kInitial{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::array<uint32_t, 64> kRound{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

void PortableBlock(std::array<uint32_t, 8>& state, const uint8_t* block) {
    std::array<uint32_t, 64> w;
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
               uint32_t{block[4 * i + 2]} << 8 | uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t t1 = h + (std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25)) +
                            ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const uint32_t t2 =
            (std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

#if defined(__x86_64__)
bool HasShaInstructions() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3 && sse41 && (b & (1u << 29));
}

// The 64 rounds in 16 groups of four with the SHA extensions; message words are made four at a
// time, msg[g % 4] holding those of group g.
__attribute__((target("sha,sse4.1,ssse3"))) void HardwareBlocks(std::array<uint32_t, 8>& state,
                                                                const uint8_t* data,
                                                                std::size_t count) {
    const __m128i mask = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);                // CDAB
    state1 = _mm_shuffle_epi32(state1, 0x1B);          // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);       // CDGH
    for (; count > 0; --count, data += 64) {
        const __m128i abef = state0, cdgh = state1;
        __m128i msg[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            if (g < 4)
                msg[g] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), mask);
            __m128i m = _mm_add_epi32(
                msg[g % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * g])));
            state1 = _mm_sha256rnds2_epu32(state1, state0, m);
            if (g >= 3 && g < 15) {
                const __m128i t = _mm_alignr_epi8(msg[g % 4], msg[(g + 3) % 4], 4);
                msg[(g + 1) % 4] =
                    _mm_sha256msg2_epu32(_mm_add_epi32(msg[(g + 1) % 4], t), msg[g % 4]);
            }
            m = _mm_shuffle_epi32(m, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, m);
            if (g >= 1 && g < 13)
                msg[(g + 3) % 4] = _mm_sha256msg1_epu32(msg[(g + 3) % 4], msg[g % 4]);
        }
        state0 = _mm_add_epi32(state0, abef);
        state1 = _mm_add_epi32(state1, cdgh);
    }
    tmp = _mm_shuffle_epi32(state0, 0x1B);        // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1);     // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // ABEF
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}
#else
bool HasShaInstructions() { return false; }
void HardwareBlocks(std::array<uint32_t, 8>&, const uint8_t*, std::size_t) {}
#endif

const bool kHardware = HasShaInstructions();

}  // namespace

Sha256::Sha256(bool portable) : state_(kInitial), hardware_(kHardware && !portable) {}

bool Sha256::HardwareAvailable() { return kHardware; }

void Sha256::Blocks(const uint8_t* data, std::size_t count) {
    if (hardware_) return HardwareBlocks(state_, data, count);
    for (; count > 0; --count, data += 64) PortableBlock(state_, data);
}

void Sha256::Update(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;  // (its data may be null, which memcpy must not see)
    length_ += bytes.size();
    std::size_t k = 0;
    if (buffered_ > 0) {
        const std::size_t take = std::min(bytes.size(), 64 - buffered_);
        std::memcpy(buffer_.data() + buffered_, bytes.data(), take);
        buffered_ += take;
        k = take;
        if (buffered_ < 64) return;
        Blocks(buffer_.data(), 1);
        buffered_ = 0;
    }
    const std::size_t whole = (bytes.size() - k) / 64;
    Blocks(bytes.data() + k, whole);
    k += whole * 64;
    std::memcpy(buffer_.data(), bytes.data() + k, bytes.size() - k);
    buffered_ = bytes.size() - k;
}

Sha256::Digest Sha256::Finish() {
    const uint64_t bits = length_ * 8;
    std::array<uint8_t, 72> pad{};
    pad[0] = 0x80;
    const std::size_t zeros = (buffered_ < 56 ? 56 : 120) - buffered_;
    for (int i = 0; i < 8; ++i) pad[zeros + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(std::span<const uint8_t>(pad.data(), zeros + 8));
    Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
    *this = Sha256(!hardware_);
    return digest;
}

std::string HexDigest(const Sha256::Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (uint8_t b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::string Sha256Hex(std::span<const uint8_t> bytes) {
    Sha256 sha;
    sha.Update(bytes);
    return HexDigest(sha.Finish());
}

}  // namespace pelmor

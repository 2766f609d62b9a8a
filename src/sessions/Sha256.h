#pragma once

// SHA-256 (FIPS 180-4): the checksum kept beside every stored recording. Blocks go through the
// processor's SHA instructions where it has them (x86-64 SHA extensions), else portable code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pelmor {

class Sha256 {
  public:
    using Digest = std::array<uint8_t, 32>;

    // portable: always the portable code (to check one against the other).
    explicit Sha256(bool portable = false);
    void Update(std::span<const uint8_t> bytes);
    // The digest of everything added; the object starts over afterwards.
    Digest Finish();

    // Whether this processor's SHA instructions are used.
    static bool HardwareAvailable();

  private:
    void Blocks(const uint8_t* data, std::size_t count);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes added
    bool hardware_;
};

// The digest as 64 lower-case hexadecimal digits.
std::string HexDigest(const Sha256::Digest& digest);
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace pelmor

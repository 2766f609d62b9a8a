#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace pelmor {

// Little-endian reader over a byte span. Every read is bounds-checked: a read past the end
// yields zeros, reads nothing and leaves the reader failed (Ok() false) from then on, so a
// parser can read a whole header and check once.
class ByteReader {
  public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes) : data_(bytes) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : data_(bytes.data(), bytes.size()) {}

    bool Ok() const { return ok_; }
    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return data_.size(); }
    std::size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    bool AtEnd() const { return Remaining() == 0; }

    uint8_t U8() { return static_cast<uint8_t>(Unsigned(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Unsigned(2)); }
    int16_t I16() { return static_cast<int16_t>(Unsigned(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Unsigned(4)); }
    int32_t I32() { return static_cast<int32_t>(Unsigned(4)); }
    uint64_t U64() { return Unsigned(8); }
    int64_t I64() { return static_cast<int64_t>(Unsigned(8)); }
    float F32();
    double F64();
    // Copies n bytes into out (zero-filled when they are not there).
    bool Bytes(void* out, std::size_t n);
    // n bytes as a string (single-byte text).
    std::string String(std::size_t n);
    bool Skip(std::size_t n);
    // Moves to an absolute position (fails beyond the end).
    bool Seek(std::size_t position);

  private:
    bool Take(std::size_t n);
    uint64_t Unsigned(std::size_t n);

    std::span<const uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian writer into a growing byte vector.
class ByteWriter {
  public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Unsigned(v, 2); }
    void I16(int16_t v) { Unsigned(static_cast<uint16_t>(v), 2); }
    void U32(uint32_t v) { Unsigned(v, 4); }
    void I32(int32_t v) { Unsigned(static_cast<uint32_t>(v), 4); }
    void U64(uint64_t v) { Unsigned(v, 8); }
    void I64(int64_t v) { Unsigned(static_cast<uint64_t>(v), 8); }
    void F32(float v);
    void F64(double v);
    void Bytes(const void* data, std::size_t n);
    void String(const std::string& s) { Bytes(s.data(), s.size()); }
    void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // Overwrites 4 bytes at an earlier position (for counts known only at the end).
    void PatchI32(std::size_t position, int32_t v);

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Data() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    void Unsigned(uint64_t v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace pelmor

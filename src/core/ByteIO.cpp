#include "core/ByteIO.h"

#include <bit>

namespace pelmor {

bool ByteReader::Take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint64_t ByteReader::Unsigned(std::size_t n) {
    if (!Take(n)) return 0;
    uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += n;
    return v;
}

float ByteReader::F32() { return std::bit_cast<float>(U32()); }
double ByteReader::F64() { return std::bit_cast<double>(U64()); }

bool ByteReader::Bytes(void* out, std::size_t n) {
    if (!Take(n)) {
        std::memset(out, 0, n);
        return false;
    }
    if (n) std::memcpy(out, data_.data() + pos_, n);
    pos_ += n;
    return true;
}

std::string ByteReader::String(std::size_t n) {
    if (!Take(n)) return {};
    std::string s(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return s;
}

bool ByteReader::Skip(std::size_t n) {
    if (!Take(n)) return false;
    pos_ += n;
    return true;
}

bool ByteReader::Seek(std::size_t position) {
    if (!ok_ || position > data_.size()) {
        ok_ = false;
        return false;
    }
    pos_ = position;
    return true;
}

void ByteWriter::F32(float v) { U32(std::bit_cast<uint32_t>(v)); }
void ByteWriter::F64(double v) { U64(std::bit_cast<uint64_t>(v)); }

void ByteWriter::Bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
}

void ByteWriter::PatchI32(std::size_t position, int32_t v) {
    if (position + 4 > bytes_.size()) return;
    for (int i = 0; i < 4; ++i)
        bytes_[position + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

}  // namespace pelmor

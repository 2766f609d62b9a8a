// The locale-proof number parser and the byte reader on arbitrary input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ByteIO.h"
#include "core/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    double v = 0;
    long long i = 0;
    (void)pelmor::ParseDouble(text, v);
    (void)pelmor::ParseLeadingDouble(text, v);
    (void)pelmor::ParseLeadingInt(text, i);
    pelmor::ByteReader r({data, size});
    while (r.Ok() && !r.AtEnd()) {
        uint8_t n = r.U8();
        r.Skip(n % 9);
        (void)r.F64();
    }
    return 0;
}

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>

#include "core/ByteIO.h"
#include "core/NumberFormat.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

TEST(ByteIO, RoundTripLittleEndian) {
    ByteWriter w;
    w.U8(0xAB);
    w.I16(-2);
    w.I32(0x7FFFFFFF);
    w.I32(-1);
    w.F32(1.5f);
    w.F64(-0.25);
    w.I64(-3);
    auto bytes = w.Take();
    ASSERT_EQ(bytes.size(), 1u + 2 + 4 + 4 + 4 + 8 + 8);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[6], 0x7F);
    ByteReader r(bytes);
    EXPECT_EQ(r.U8(), 0xAB);
    EXPECT_EQ(r.I16(), -2);
    EXPECT_EQ(r.I32(), 0x7FFFFFFF);
    EXPECT_EQ(r.I32(), -1);
    EXPECT_EQ(r.F32(), 1.5f);
    EXPECT_EQ(r.F64(), -0.25);
    EXPECT_EQ(r.I64(), -3);
    EXPECT_TRUE(r.Ok());
    EXPECT_TRUE(r.AtEnd());
}

TEST(ByteIO, ReadPastTheEndFailsAndStaysFailed) {
    std::vector<uint8_t> bytes{1, 2, 3};
    ByteReader r(bytes);
    EXPECT_EQ(r.U16(), 0x0201);
    EXPECT_EQ(r.I32(), 0);  // only one byte left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0);  // nothing more after a failure
    EXPECT_EQ(r.Remaining(), 0u);
    char buf[4] = {'x', 'x', 'x', 'x'};
    ByteReader r2(bytes);
    EXPECT_FALSE(r2.Bytes(buf, 4));
    EXPECT_EQ(buf[0], 0);
    ByteReader r3(bytes);
    EXPECT_FALSE(r3.Skip(SIZE_MAX));  // no overflow in the bounds check
    ByteReader r4(bytes);
    EXPECT_FALSE(r4.Seek(4));
}

struct FormatCase {
    const char* format;
    double value;
    const char* expected;
};

void CheckFormats() {
    // clang-format off
    const FormatCase cases[] = {
        // format   value         expected
        {"%lg",     0.1,          "0.1"},
        {"%lg",     1234567.0,    "1.23457e+06"},
        {"%g",      -2.5,         "-2.5"},
        {"%5lg",    4.0,          "    4"},
        {"%5lg",    0.125,        "0.125"},
        {"%.3lf",   3.14159,      "3.142"},
        {"%.1lf",   2.25,         "2.2"},
        {"%.3lg",   0.000123456,  "0.000123"},
        {"%lg",     1.0 / 0.0,    "inf"},
        {"%lg",     0.0 / 0.0,    "-nan"},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::string got = Format(c.format, c.value);
        if (std::string(c.expected) == "-nan")
            EXPECT_NE(got.find("nan"), std::string::npos);
        else
            EXPECT_EQ(got, c.expected) << c.format << " " << c.value;
    }
    EXPECT_EQ(Format("%d", -42), "-42");
    EXPECT_EQ(Format("%03d", 7), "007");
    EXPECT_EQ(Format("%03d", 1234), "1234");
    EXPECT_EQ(Format("Processing : %d%%", 50), "Processing : 50%");
    EXPECT_EQ(Format("%s", std::string(300, 'a').c_str()).size(), 300u);  // beyond the small buffer

    double v = 0;
    EXPECT_TRUE(ParseDouble(" 0.25 ", v));
    EXPECT_EQ(v, 0.25);
    EXPECT_TRUE(ParseDouble("+1e3", v));
    EXPECT_EQ(v, 1000.0);
    EXPECT_TRUE(ParseDouble("-.5", v));
    EXPECT_EQ(v, -0.5);
    EXPECT_FALSE(ParseDouble("0,25", v));
    EXPECT_FALSE(ParseDouble("", v));
    EXPECT_FALSE(ParseDouble("freq", v));
    EXPECT_FALSE(ParseDouble("1.5x", v));
    EXPECT_FALSE(ParseDouble("+-1", v));
    EXPECT_EQ(ParseLeadingDouble("  12.5\t3", v), 6u);
    EXPECT_EQ(v, 12.5);
    EXPECT_EQ(ParseLeadingDouble("abc", v), 0u);
    int i = 0;
    EXPECT_TRUE(ParseInt("-17", i));
    EXPECT_EQ(i, -17);
    EXPECT_FALSE(ParseInt("3.5", i));
    EXPECT_FALSE(ParseInt("99999999999", i));
    long long wide = 0;
    EXPECT_EQ(ParseLeadingInt("-9223372036854775808", wide), 20u);
    EXPECT_EQ(wide, LLONG_MIN);
    EXPECT_EQ(ParseLeadingInt("9223372036854775808", wide), 0u);
}

TEST(NumberFormat, FormatsAndParsesWithAPoint) { CheckFormats(); }

TEST(NumberFormat, FormatsAndParsesWithAPointUnderACommaLocale) {
    test::CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "the bootstrap installs de_DE.UTF-8 for this test";
    char raw[32];
    std::snprintf(raw, sizeof raw, "%g", 0.5);
    ASSERT_STREQ(raw, "0,5") << "the locale really writes a comma";
    CheckFormats();
}

}  // namespace
}  // namespace pelmor

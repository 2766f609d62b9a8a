#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/TraceBuffer.h"

namespace pelmor {
namespace {

TEST(TraceBuffer, WrapsAfterCapacityAndKeepsNewest) {
    TraceBuffer b;
    for (int i = 0; i < 65537; ++i) b.Append(i);
    EXPECT_EQ(b.Count(), 65536);
    EXPECT_EQ(b.WriteIndex(), 1);
    EXPECT_EQ(b.ValueFromOldest(0), 1.0);  // the second sample appended
    EXPECT_EQ(b.ValueFromOldest(65535), 65536.0);
    EXPECT_EQ(b.ValueFromOldest(1 << 20), 65536.0);  // beyond the newest: the newest
    EXPECT_EQ(b.ValueFromOldest(-1), 0.0);
    EXPECT_DOUBLE_EQ(b.EndTime(), 65537.0);
}

TEST(TraceBuffer, EmptyBufferReads) {
    TraceBuffer b;
    std::vector<double> out(16, -7.0);
    int32_t n = 10;
    double start = -1, interval = -1;
    EXPECT_EQ(b.Latest(n, out.data(), start, interval), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(start, 0.0);
    EXPECT_EQ(interval, 1.0);
    double s = -1, e = 1;
    EXPECT_EQ(b.Range(s, e, out.data(), 16), 0);
    EXPECT_EQ(b.Window(0.0, 1, 0, out.data()), -1);
    EXPECT_EQ(b.ValueFromOldest(0), 0.0);
    EXPECT_EQ(out[0], -7.0);
}

TEST(TraceBuffer, LatestCopiesNewestAcrossTheWrap) {
    TraceBuffer b(8);
    b.SetSampleInterval(0.5);
    for (int i = 1; i <= 11; ++i) b.Append(i);
    double out[8];
    int32_t n = 5;
    double start, interval;
    EXPECT_EQ(b.Latest(n, out, start, interval), 5);
    EXPECT_DOUBLE_EQ(start, 5.5 - 2.5);
    EXPECT_EQ(interval, 0.5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], 7 + i);
    n = 100;  // more than held: clamped and written back
    b.Latest(n, out, start, interval);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(out[0], 4.0);
}

TEST(TraceBuffer, RangeClampsAndWritesBack) {
    TraceBuffer b;
    b.SetSampleInterval(0.25);
    for (int i = 0; i < 40; ++i) b.Append(i);  // samples span 0 ... 10 s
    double out[64];

    double s = -3.0, e = 2.0;  // starts before the oldest sample
    EXPECT_EQ(b.Range(s, e, out, 64), 8);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(e, 2.0);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[7], 7.0);

    s = 9.0, e = 20.0;  // ends after the newest
    EXPECT_EQ(b.Range(s, e, out, 64), 4);
    EXPECT_EQ(e, 10.0);
    EXPECT_EQ(out[0], 36.0);

    s = 2.0, e = 4.0;
    EXPECT_EQ(b.Range(s, e, out, 3), 3);  // maxCount
    EXPECT_EQ(out[0], 8.0);

    s = 5.0, e = 4.0;  // reversed
    EXPECT_EQ(b.Range(s, e, out, 64), 0);
    s = 10.5, e = 12.0;  // wholly after
    EXPECT_EQ(b.Range(s, e, out, 64), 0);
    EXPECT_EQ(s, 10.5);
}

TEST(TraceBuffer, RangeEndingAtOldestSampleYieldsNothing) {
    TraceBuffer c(10);
    c.SetSampleInterval(1.0);
    for (int i = 0; i < 20; ++i) c.Append(i);  // holds 10 ... 19, oldest starts at 10 s
    double out[16];
    double s = 5.0, e = 10.0;
    EXPECT_EQ(c.Range(s, e, out, 16), 0);
    s = 5.0, e = 12.0;
    EXPECT_EQ(c.Range(s, e, out, 16), 2);
    EXPECT_EQ(s, 10.0);
    EXPECT_EQ(out[0], 10.0);
    EXPECT_EQ(out[1], 11.0);
}

TEST(TraceBuffer, WindowAcceptsATenthOfASampleEarly) {
    TraceBuffer b(16);
    b.SetSampleInterval(1.0);
    for (int i = 0; i < 20; ++i) b.Append(i);  // holds 4 ... 19; oldest starts at 4 s
    double out[16];
    EXPECT_EQ(b.Window(4.0, 4, 0, out), 4);
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(out[3], 7.0);
    EXPECT_EQ(b.Window(4.0 - 0.1, 2, 0, out), 2);  // exactly a tenth early
    EXPECT_EQ(out[0], 4.0);
    EXPECT_EQ(b.Window(4.0 - 0.11, 2, 0, out), -1);
    EXPECT_EQ(b.Window(8.0, 3, 2, out), 3);  // offset in samples
    EXPECT_EQ(out[0], 10.0);
    EXPECT_EQ(b.Window(16.0, 4, 0, out), 4);  // ends exactly at the newest
    EXPECT_EQ(out[3], 19.0);
    EXPECT_EQ(b.Window(16.5, 4, 0, out), -1);  // beyond the newest
}

TEST(TraceBuffer, ResetThenOneAppendEndsAtOneInterval) {
    TraceBuffer b;
    b.SetSampleInterval(1.0 / 512);
    b.SetChannelNumber(5);
    for (int i = 0; i < 1000; ++i) b.Append(i);
    b.Reset();
    EXPECT_EQ(b.Count(), 0);
    EXPECT_EQ(b.EndTime(), 0.0);
    b.Append(3.0);
    EXPECT_EQ(b.EndTime(), 1.0 / 512);
    EXPECT_EQ(b.SampleInterval(), 1.0 / 512);
    EXPECT_EQ(b.ChannelNumber(), 5);
    EXPECT_EQ(b.ValueFromOldest(0), 3.0);
}

// One thread appends 8 x 1024 samples a second in 0.1 s blocks while another reads; every
// snapshot must be internally consistent (consecutive values). Clean under the thread sanitizer.
TEST(TraceBuffer, ConcurrentAppendAndRead) {
    TraceBuffer buffers[8];
    for (auto& b : buffers) b.SetSampleInterval(1.0 / 1024);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        double block[103];
        double next = 0;
        for (int round = 0; round < 40; ++round) {
            for (auto& b : buffers) {
                for (int i = 0; i < 103; ++i) block[i] = next + i;
                b.AppendBlock(block, 103);
            }
            next += 103;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        done = true;
    });
    std::vector<double> out(4096);
    int snapshots = 0;
    bool consistent = true;
    while (!done || snapshots < 10) {
        for (auto& b : buffers) {
            int32_t n = 2048;
            double start, interval;
            b.Latest(n, out.data(), start, interval);
            for (int i = 1; i < n; ++i) consistent &= out[i] == out[i - 1] + 1;
            double s = 0.01, e = 0.5;
            int32_t m = b.Range(s, e, out.data(), 4096);
            for (int i = 1; i < m; ++i) consistent &= out[i] == out[i - 1] + 1;
        }
        ++snapshots;
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(buffers[7].Count(), 40 * 103);
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

// The same time span selects the same samples whether or not the ring has wrapped.
TEST(TraceBuffer, WrappedAndUnwrappedSelectTheSameSamples) {
    TraceBuffer wrapped(16), plain(64);
    for (int i = 0; i < 20; ++i) wrapped.Append(i);  // holds 4 ... 19
    for (int i = 0; i < 20; ++i) plain.Append(i);    // holds 0 ... 19
    double a[8], b[8];
    for (double t : {4.0, 4.5, 7.25, 9.0, 12.9}) {
        ASSERT_EQ(wrapped.Window(t, 4, 1, a), 4);
        ASSERT_EQ(plain.Window(t, 4, 1, b), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], b[i]) << t;
        double s1 = t, e1 = t + 3.5, s2 = t, e2 = t + 3.5;
        ASSERT_EQ(wrapped.Range(s1, e1, a, 8), plain.Range(s2, e2, b, 8));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(a[i], b[i]) << t;
    }
}

}  // namespace
}  // namespace pelmor

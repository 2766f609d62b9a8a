#include "core/TraceBuffer.h"

#include <algorithm>
#include <cmath>

namespace pelmor {

using Lock = std::lock_guard<std::mutex>;

TraceBuffer::TraceBuffer(int32_t capacity)
    : capacity_(capacity > 0 ? capacity : 1), values_(new double[capacity_]()) {}

void TraceBuffer::Append(double value) {
    Lock lock(mutex_);
    AppendLocked(value);
}

void TraceBuffer::AppendBlock(const double* values, int32_t n) {
    Lock lock(mutex_);
    for (int32_t i = 0; i < n; ++i) AppendLocked(values[i]);
}

double TraceBuffer::ValueFromOldest(int32_t k) const {
    Lock lock(mutex_);
    if (count_ == 0 || k < 0) return 0.0;
    k = std::min(k, count_ - 1);
    int32_t index = writeIndex_ + k - count_;
    if (index < 0) index += capacity_;
    return values_[index];
}

void TraceBuffer::CopyFrom(int32_t first, int32_t n, double* out) const {
    // Two straight runs instead of a modulo per sample.
    int32_t index = Wrap(first);
    int32_t firstRun = std::min(n, capacity_ - index);
    std::copy_n(values_.get() + index, firstRun, out);
    std::copy_n(values_.get(), n - firstRun, out + firstRun);
}

int32_t TraceBuffer::Latest(int32_t& n, double* values, double& startTime, double& interval) const {
    Lock lock(mutex_);
    n = std::clamp(n, 0, count_);
    int32_t first = writeIndex_ - n;
    if (first < 0) first += capacity_;
    startTime = endTime_ - n * sampleInterval_;
    interval = sampleInterval_;
    CopyFrom(first, n, values);
    return n;
}

int32_t TraceBuffer::Range(double& startTime, double& endTime, double* values,
                           int32_t maxCount) const {
    Lock lock(mutex_);
    if (endTime < startTime) return 0;
    const double newest = endTime_;
    const double oldest = newest - count_ * sampleInterval_;
    if (startTime > newest || endTime < oldest) return 0;
    if (startTime < oldest) startTime = oldest;
    if (endTime > newest) endTime = newest;
    const double span = (endTime - startTime) / sampleInterval_;
    if (!(span >= 1.0)) return 0;  // also refuses NaN
    int32_t n = span >= static_cast<double>(capacity_) ? capacity_ : static_cast<int32_t>(span);
    n = std::min(n, std::max(maxCount, 0));
    n = std::min(n, count_);  // never copy samples the buffer does not hold
    if (n <= 0) return 0;
    // The position is taken from the oldest sample and floored before the ring offset is added,
    // so the same time selects the same sample whether or not the store has wrapped.
    const int64_t fromOldest =
        static_cast<int64_t>(std::floor(count_ * (startTime - oldest) / (newest - oldest)));
    CopyFrom(Wrap(fromOldest + writeIndex_ - count_), n, values);
    return n;
}

int32_t TraceBuffer::Window(double t, int32_t n, int32_t offset, double* values) const {
    Lock lock(mutex_);
    const double interval = sampleInterval_;
    const double newest = endTime_;
    const double lowest = newest - interval * count_ - interval / 10;
    if (offset * interval + t < lowest || newest < t + interval * (static_cast<double>(n) + offset))
        return -1;
    if (n <= 0) return n < 0 ? -1 : 0;
    const int64_t fromOldest =
        static_cast<int64_t>(std::floor(count_ * (t - lowest) / (newest - lowest)));
    CopyFrom(Wrap(fromOldest + writeIndex_ - count_ + offset), std::min(n, capacity_), values);
    return n;
}

int32_t TraceBuffer::OverwriteFromOldest(const double* values, int32_t n) {
    Lock lock(mutex_);
    n = std::clamp(n, 0, count_);
    int32_t index = Wrap(int64_t{writeIndex_} - count_);
    for (int32_t k = 0; k < n; ++k) {
        values_[index] = values[k];
        if (++index == capacity_) index = 0;
    }
    return n;
}

void TraceBuffer::Reset() {
    Lock lock(mutex_);
    count_ = 0;
    writeIndex_ = 0;
    endTime_ = 0.0;
}

int32_t TraceBuffer::Count() const {
    Lock lock(mutex_);
    return count_;
}
int32_t TraceBuffer::WriteIndex() const {
    Lock lock(mutex_);
    return writeIndex_;
}
double TraceBuffer::EndTime() const {
    Lock lock(mutex_);
    return endTime_;
}
double TraceBuffer::SampleInterval() const {
    Lock lock(mutex_);
    return sampleInterval_;
}
void TraceBuffer::SetSampleInterval(double interval) {
    Lock lock(mutex_);
    sampleInterval_ = interval;
}
int32_t TraceBuffer::ChannelNumber() const {
    Lock lock(mutex_);
    return channelNumber_;
}
void TraceBuffer::SetChannelNumber(int32_t channel) {
    Lock lock(mutex_);
    channelNumber_ = channel;
}

}  // namespace pelmor

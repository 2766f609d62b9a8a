#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace pelmor {

// A fixed-capacity circular store of equally spaced samples of one acquisition slot, with its
// own time base and its own lock. Every operation holds the lock for its whole duration; none
// allocates. Times are seconds; the newest sample ends at endTime, sample k (0 = oldest) begins
// at endTime - (count - k) * sampleInterval.
class TraceBuffer {
  public:
    static constexpr int32_t kDefaultCapacity = 65536;

    explicit TraceBuffer(int32_t capacity = kDefaultCapacity);
    TraceBuffer(const TraceBuffer&) = delete;
    TraceBuffer& operator=(const TraceBuffer&) = delete;

    // Stores one sample and advances the end time by one interval.
    void Append(double value);
    // Appends a block under one lock, with exactly the steps of Append for every sample.
    void AppendBlock(const double* values, int32_t n);

    // The k-th valid sample from the oldest; k beyond the newest gives the newest; 0.0 when
    // empty or k < 0.
    double ValueFromOldest(int32_t k) const;

    // Copies the newest min(n, count) samples; writes that count back into n and returns it.
    int32_t Latest(int32_t& n, double* values, double& startTime, double& interval) const;

    // Copies the samples of [startTime, endTime] (at most maxCount); a start before the oldest
    // sample and an end after the newest are clamped and written back. Returns the count.
    int32_t Range(double& startTime, double& endTime, double* values, int32_t maxCount) const;

    // Copies n samples beginning at time t plus offset samples; -1 (nothing copied) when the
    // span is not inside the buffer (a start up to a tenth of a sample early is accepted).
    int32_t Window(double t, int32_t n, int32_t offset, double* values) const;

    // Writes min(n, count) values over the valid samples, oldest first; count, write position
    // and time base stay. Returns the count written.
    int32_t OverwriteFromOldest(const double* values, int32_t n);

    // Empties the buffer; capacity, interval and channel number stay.
    void Reset();

    int32_t Capacity() const { return capacity_; }
    int32_t Count() const;
    int32_t WriteIndex() const;
    double EndTime() const;
    double SampleInterval() const;
    void SetSampleInterval(double interval);
    int32_t ChannelNumber() const;
    void SetChannelNumber(int32_t channel);

  private:
    void AppendLocked(double value) {
        values_[writeIndex_] = value;
        writeIndex_ = (writeIndex_ + 1) % capacity_;
        if (count_ < capacity_) ++count_;
        endTime_ += sampleInterval_;
    }
    int32_t Wrap(int64_t index) const {
        int64_t r = index % capacity_;
        return static_cast<int32_t>(r < 0 ? r + capacity_ : r);
    }
    void CopyFrom(int32_t first, int32_t n, double* out) const;

    mutable std::mutex mutex_;
    const int32_t capacity_;
    std::unique_ptr<double[]> values_;
    int32_t writeIndex_ = 0;
    int32_t count_ = 0;
    double sampleInterval_ = 1.0;
    double endTime_ = 0.0;
    int32_t channelNumber_ = 0;
};

}  // namespace pelmor

#pragma once

#include <cstdint>
#include <string>

namespace pelmor {

// Time as the engine sees it; tests use a fake.
class Clock {
  public:
    virtual ~Clock() = default;
    // Calendar time in seconds since 1970.
    virtual int64_t CalendarSeconds() = 0;
    // A monotonic millisecond clock.
    virtual int64_t Milliseconds() = 0;
    virtual void SleepMilliseconds(int64_t ms) = 0;
    // strftime-style local-time formatting of a calendar time.
    virtual std::string FormatLocalTime(const char* format, int64_t calendarSeconds) = 0;
};

// The real clock (std::chrono and the C library's local time).
class SystemClock : public Clock {
  public:
    int64_t CalendarSeconds() override;
    int64_t Milliseconds() override;
    void SleepMilliseconds(int64_t ms) override;
    std::string FormatLocalTime(const char* format, int64_t calendarSeconds) override;
};

}  // namespace pelmor

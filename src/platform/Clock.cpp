#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace pelmor {

int64_t SystemClock::CalendarSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int64_t SystemClock::Milliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::SleepMilliseconds(int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string SystemClock::FormatLocalTime(const char* format, int64_t calendarSeconds) {
    std::time_t t = static_cast<std::time_t>(calendarSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[256];
    std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

}  // namespace pelmor

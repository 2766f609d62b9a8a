#pragma once

// What the desktop program's tests share.

#include <QCoreApplication>
#include <chrono>
#include <thread>

namespace pelmor::test {

// Runs the event loop until done() holds; false when it still does not after milliseconds.
template <typename Done>
bool WaitFor(Done done, int milliseconds = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace pelmor::test

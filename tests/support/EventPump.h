#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <functional>

namespace testsupport {

// Runs the event loop until done() holds or timeoutMs have passed; returns
// done(). Tests wait this way, never on a fixed sleep.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

} // namespace testsupport

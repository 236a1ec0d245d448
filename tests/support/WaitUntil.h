#pragma once

#include <chrono>
#include <functional>

namespace orbpix::test {

// Asks the condition every few milliseconds (every `poll`) until it holds or the time is up;
// whether it held. For tests without an event loop: one with Qt waits with QTest::qWaitFor
// instead.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds poll = std::chrono::milliseconds(5));

}  // namespace orbpix::test

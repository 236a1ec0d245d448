#include "support/WaitUntil.h"

#include <thread>

namespace orbpix::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds poll) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(poll);
    }
    return condition();
}

}  // namespace orbpix::test

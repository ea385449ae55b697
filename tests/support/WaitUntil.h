// Waits for another thread: polls a condition every millisecond, for at most
// 20 seconds, and says whether it came true.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

inline bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

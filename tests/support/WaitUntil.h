#pragma once

#include <chrono>
#include <thread>

// Polls `done` every few milliseconds until it holds or `limit` has passed, for a test that waits
// on another process; gives what `done` last said.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

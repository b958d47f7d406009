// Runs a possibly blocking call on its own thread so a test fails instead of
// hanging when the call never returns.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace objstore_test {

inline bool ReturnsWithin(std::function<void()> call, std::chrono::seconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread worker([call = std::move(call), done] {
        call();
        done->set_value();
    });
    if (finished.wait_for(limit) != std::future_status::ready) {
        worker.detach();  // still blocked; everything it uses is owned by the lambda
        return false;
    }
    worker.join();
    return true;
}

}  // namespace objstore_test

// Callback types of a transfer, held in object requests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace objstore {

class AsyncContext;

// (bytes transferred so far, total bytes, user data)
using TransferProgressCallback = std::function<void(uint64_t, uint64_t, void*)>;
// (context of the finished transfer, user data)
using TransferDoneCallback = std::function<void(const std::shared_ptr<AsyncContext>&, void*)>;

}  // namespace objstore

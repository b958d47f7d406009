#include "op/retry_pause.h"

#include <algorithm>
#include <thread>

#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {
// How often a pause looks at the cancel flag.
constexpr std::chrono::milliseconds kCancelPoll{10};
}  // namespace

std::chrono::milliseconds RetryPause(int attempt) {
    const uint64_t base = CosGlobalSettings::Instance().GetRetryPauseMs();
    const int doublings = std::clamp(attempt - 2, 0, 16);
    return std::chrono::milliseconds(base << doublings);
}

bool PauseBeforeAttempt(int attempt, const std::shared_ptr<TransferHandler>& handler) {
    const auto deadline = std::chrono::steady_clock::now() + RetryPause(attempt);
    for (;;) {
        if (handler && handler->IsCancelRequested()) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kCancelPoll, deadline - now));
    }
}

}  // namespace objstore

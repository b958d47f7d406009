// The pause between attempts of a request that failed.
#pragma once

#include <chrono>
#include <memory>

namespace objstore {

class TransferHandler;

// The pause before attempt number `attempt` (2, 3, ...): RetryPauseMs, doubled
// for each attempt after the second.
std::chrono::milliseconds RetryPause(int attempt);

// Sleeps RetryPause(attempt), waking early when the transfer is canceled.
// Returns false when it was canceled (before or during the pause).
bool PauseBeforeAttempt(int attempt, const std::shared_ptr<TransferHandler>& handler);

}  // namespace objstore

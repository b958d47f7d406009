// Shared state of one asynchronous transfer: outcome, status, byte counts,
// cancel flag and the caller's callbacks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "op/cos_result.h"
#include "trsf/transfer_callbacks.h"

namespace objstore {

class AsyncMultiGetObjectReq;

// Final states are Canceled, Failed, Completed and Aborted.
enum TransferState : int {
    NotStarted = 0,
    InProgress = 1,
    Canceled = 2,
    Failed = 3,
    Completed = 4,
    RetryAlternateDomain = 5,
    Aborted = 6,
};

bool IsFinalState(TransferState state);

// Thrown out of CopyWithProgress when the transfer's cancel flag is set.
class UserCancelException : public std::exception {};

class TransferHandler : public std::enable_shared_from_this<TransferHandler> {
  public:
    TransferHandler() = default;
    TransferHandler(const TransferHandler&) = delete;
    TransferHandler& operator=(const TransferHandler&) = delete;

    // Copies bucket, key, local path, both callbacks and the user data.
    void InitFromRequest(const AsyncMultiGetObjectReq& req);

    const std::string& GetBucketName() const { return m_bucket; }
    const std::string& GetObjectName() const { return m_objectKey; }
    const std::string& GetLocalFilePath() const { return m_localFilePath; }

    void SetTotalSize(uint64_t size) { m_totalSize = size; }
    uint64_t GetTotalSize() const { return m_totalSize; }
    uint64_t GetTransferredSize() const { return m_transferredSize; }

    TransferState GetStatus() const;

    // Stores the state and with it the result (and headers and text); updates
    // take turns, so a status never stands beside another update's result. A
    // final status is only left for a non-final one, or from Canceled to
    // Aborted; a refused request changes nothing. A final state request calls
    // the done callback, stored or not, after the result is stored and before
    // waiters wake, with a context made from shared_from_this() (the handler
    // must be owned by a shared_ptr, otherwise std::bad_weak_ptr).
    void UpdateStatus(TransferState state);
    void UpdateStatus(TransferState state, const CosResult& result);
    void UpdateStatus(TransferState state, const CosResult& result,
                      const std::map<std::string, std::string>& headers, const std::string& text);

    bool IsCancelRequested() const;
    // Asks the transfer to stop: every following chunk of CopyWithProgress throws
    // UserCancelException, and the cancel hooks run so that requests waiting on
    // the network end now. The status is left to the code doing the transfer.
    void Cancel();

    // A hook Cancel() runs (at once when the transfer is already canceled), used
    // to abort a request in flight. Removing it waits for a running call to end,
    // so what the hook touches may be destroyed after RemoveCancelHook returns.
    uint64_t AddCancelHook(std::function<void()> hook);
    void RemoveCancelHook(uint64_t id);

    // Progress of bytes a transfer keeps: adds to the transferred size (never
    // above the total) and calls the progress callback.
    void AddTransferred(uint64_t bytes);
    // Takes back bytes counted for data that was then thrown away (a slice
    // attempt that failed), and calls the progress callback.
    void RetractTransferred(uint64_t bytes);

    // Blocks until the status is final.
    void WaitUntilFinished();

    CosResult GetResult() const;
    std::map<std::string, std::string> GetRespHeaders() const;
    std::string GetTextValue() const;

    // Copies in to out in chunks of bufferSize bytes until the input ends or the
    // output fails. With a handler, each chunk first checks the cancel flag, then
    // adds to the transferred size (never above the total size) and calls the
    // progress callback. Returns the bytes copied. A bufferSize of 0 throws
    // Poco::AssertionViolationException("bufferSize > 0").
    static uint64_t CopyWithProgress(const std::shared_ptr<TransferHandler>& handler,
                                     std::istream& in, std::ostream& out, size_t bufferSize);
    // The same copy with the cancel checks but no progress: for outputs that
    // count what they keep themselves.
    static uint64_t CopyWithCancelChecks(const std::shared_ptr<TransferHandler>& handler,
                                         std::istream& in, std::ostream& out, size_t bufferSize);

  private:
    // A final status is left only for a non-final one, or from Canceled to Aborted.
    static bool TransitionAllowed(TransferState current, TransferState next);
    static uint64_t Copy(const std::shared_ptr<TransferHandler>& handler, std::istream& in,
                         std::ostream& out, size_t bufferSize, bool countProgress);
    void Update(TransferState state, const CosResult* result,
                const std::map<std::string, std::string>* headers, const std::string* text);
    void PublishStatus(TransferState state);
    void ReportProgress() const;

    CosResult m_result;
    std::map<std::string, std::string> m_respHeaders;
    std::string m_textValue;
    std::string m_bucket;
    std::string m_objectKey;
    std::string m_localFilePath;
    std::atomic<uint64_t> m_totalSize{0};
    // Changed only under m_progressLock; atomic so progress reads after the
    // lock is released stay race-free.
    std::atomic<uint64_t> m_transferredSize{0};
    TransferState m_status = NotStarted;
    bool m_cancelRequested = false;

    std::mutex m_progressLock;
    // Held for a whole status update; recursive for a done callback that
    // updates the status itself.
    std::recursive_mutex m_updateLock;
    // Guards status, cancel flag, result, headers and text value.
    mutable std::mutex m_statusLock;
    std::condition_variable m_statusCond;

    // Guards the cancel hooks; held while one runs, so removal waits for it.
    std::mutex m_hookLock;
    std::map<uint64_t, std::function<void()>> m_cancelHooks;
    uint64_t m_nextHookId = 1;

    TransferProgressCallback m_progressCallback;
    TransferDoneCallback m_doneCallback;
    void* m_userData = nullptr;
};

}  // namespace objstore

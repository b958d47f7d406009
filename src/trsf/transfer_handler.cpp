#include "trsf/transfer_handler.h"

#include <istream>
#include <ostream>
#include <vector>

#include <Poco/Exception.h>

#include "op/object_req.h"
#include "trsf/async_context.h"

namespace objstore {

bool IsFinalState(TransferState state) {
    return state == Canceled || state == Failed || state == Completed || state == Aborted;
}

void TransferHandler::InitFromRequest(const AsyncMultiGetObjectReq& req) {
    m_bucket = req.GetBucketName();
    m_objectKey = req.GetObjectName();
    m_localFilePath = req.LocalFilePath();
    m_progressCallback = req.GetTransferProgressCallback();
    m_doneCallback = req.GetDoneCallback();
    m_userData = req.GetUserData();
}

TransferState TransferHandler::GetStatus() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_status;
}

void TransferHandler::UpdateStatus(TransferState state) {
    Update(state, nullptr, nullptr, nullptr);
}

void TransferHandler::UpdateStatus(TransferState state, const CosResult& result) {
    Update(state, &result, nullptr, nullptr);
}

void TransferHandler::UpdateStatus(TransferState state, const CosResult& result,
                                   const std::map<std::string, std::string>& headers,
                                   const std::string& text) {
    Update(state, &result, &headers, &text);
}

bool TransferHandler::TransitionAllowed(TransferState current, TransferState next) {
    return next == current || !IsFinalState(current) || !IsFinalState(next) ||
           (current == Canceled && next == Aborted);
}

// Two threads may end one transfer at once (a late failure beside a
// completion): updates take turns, so a status never stands beside another
// update's result. Within one update the outcome is stored first, then the done
// callback runs (it sees that outcome), then the status is published: a waiter
// wakes only after the callback.
void TransferHandler::Update(TransferState state, const CosResult* result,
                             const std::map<std::string, std::string>* headers,
                             const std::string* text) {
    std::lock_guard<std::recursive_mutex> turn(m_updateLock);
    bool allowed = false;
    {
        std::lock_guard<std::mutex> guard(m_statusLock);
        allowed = TransitionAllowed(m_status, state);
        if (allowed) {
            if (result) m_result = *result;
            if (headers) m_respHeaders = *headers;
            if (text) m_textValue = *text;
        }
    }
    try {
        if (m_doneCallback && IsFinalState(state)) {
            m_doneCallback(std::make_shared<AsyncContext>(shared_from_this()), m_userData);
        }
    } catch (...) {
        // The request still ends the transfer, so waiters are not left blocked.
        if (allowed) PublishStatus(state);
        throw;
    }
    if (allowed) PublishStatus(state);
}

void TransferHandler::PublishStatus(TransferState state) {
    std::lock_guard<std::mutex> guard(m_statusLock);
    m_status = state;
    if (IsFinalState(state)) m_statusCond.notify_all();
}

bool TransferHandler::IsCancelRequested() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_cancelRequested;
}

void TransferHandler::Cancel() {
    {
        std::lock_guard<std::mutex> guard(m_statusLock);
        m_cancelRequested = true;
    }
    std::lock_guard<std::mutex> guard(m_hookLock);
    for (auto& [id, hook] : m_cancelHooks) hook();
}

uint64_t TransferHandler::AddCancelHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> guard(m_hookLock);
    const uint64_t id = m_nextHookId++;
    // A cancel that came first must still reach the new request.
    if (IsCancelRequested()) hook();
    m_cancelHooks.emplace(id, std::move(hook));
    return id;
}

void TransferHandler::RemoveCancelHook(uint64_t id) {
    std::lock_guard<std::mutex> guard(m_hookLock);
    m_cancelHooks.erase(id);
}

void TransferHandler::WaitUntilFinished() {
    std::unique_lock<std::mutex> lock(m_statusLock);
    m_statusCond.wait(lock, [this] { return IsFinalState(m_status); });
}

CosResult TransferHandler::GetResult() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_result;
}

std::map<std::string, std::string> TransferHandler::GetRespHeaders() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_respHeaders;
}

std::string TransferHandler::GetTextValue() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_textValue;
}

void TransferHandler::AddTransferred(uint64_t bytes) {
    {
        std::lock_guard<std::mutex> guard(m_progressLock);
        // Never pass the total, whatever a caller counts.
        const uint64_t total = m_totalSize;
        const uint64_t sum = m_transferredSize + bytes;
        m_transferredSize = sum > total ? total : sum;
    }
    ReportProgress();
}

void TransferHandler::RetractTransferred(uint64_t bytes) {
    {
        std::lock_guard<std::mutex> guard(m_progressLock);
        const uint64_t done = m_transferredSize;
        m_transferredSize = bytes > done ? 0 : done - bytes;
    }
    ReportProgress();
}

void TransferHandler::ReportProgress() const {
    if (m_progressCallback) m_progressCallback(m_transferredSize, m_totalSize, m_userData);
}

uint64_t TransferHandler::CopyWithProgress(const std::shared_ptr<TransferHandler>& handler,
                                           std::istream& in, std::ostream& out, size_t bufferSize) {
    return Copy(handler, in, out, bufferSize, true);
}

uint64_t TransferHandler::CopyWithCancelChecks(const std::shared_ptr<TransferHandler>& handler,
                                               std::istream& in, std::ostream& out,
                                               size_t bufferSize) {
    return Copy(handler, in, out, bufferSize, false);
}

uint64_t TransferHandler::Copy(const std::shared_ptr<TransferHandler>& handler, std::istream& in,
                               std::ostream& out, size_t bufferSize, bool countProgress) {
    if (bufferSize == 0) {
        throw Poco::AssertionViolationException("bufferSize > 0");
    }
    std::vector<char> buffer(bufferSize);
    uint64_t copied = 0;
    for (;;) {
        in.read(buffer.data(), static_cast<std::streamsize>(bufferSize));
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            break;
        }
        if (handler && handler->IsCancelRequested()) {
            throw UserCancelException();
        }
        out.write(buffer.data(), got);
        copied += static_cast<uint64_t>(got);
        if (handler && countProgress) handler->AddTransferred(static_cast<uint64_t>(got));
        if (in.fail() || out.fail()) {
            break;
        }
    }
    return copied;
}

}  // namespace objstore

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
    if (m_doneCallback && IsFinalState(state)) {
        try {
            m_doneCallback(std::make_shared<AsyncContext>(shared_from_this()), m_userData);
        } catch (...) {
            // The request still ends the transfer, so waiters are not left blocked.
            StoreStatus(state);
            throw;
        }
    }
    StoreStatus(state);
}

// The outcome travels with its status: a request the transition rule refuses
// (Failed after Completed, say) must not leave a final status beside a result
// that contradicts it.
void TransferHandler::UpdateStatus(TransferState state, const CosResult& result) {
    {
        std::lock_guard<std::mutex> guard(m_statusLock);
        if (TransitionAllowed(m_status, state)) m_result = result;
    }
    UpdateStatus(state);
}

void TransferHandler::UpdateStatus(TransferState state, const CosResult& result,
                                   const std::map<std::string, std::string>& headers,
                                   const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(m_statusLock);
        if (TransitionAllowed(m_status, state)) {
            m_result = result;
            m_respHeaders = headers;
            m_textValue = text;
        }
    }
    UpdateStatus(state);
}

bool TransferHandler::TransitionAllowed(TransferState current, TransferState next) {
    return next == current || !IsFinalState(current) || !IsFinalState(next) ||
           (current == Canceled && next == Aborted);
}

void TransferHandler::StoreStatus(TransferState state) {
    std::lock_guard<std::mutex> guard(m_statusLock);
    if (!TransitionAllowed(m_status, state)) {
        return;
    }
    m_status = state;
    if (IsFinalState(state)) {
        m_statusCond.notify_all();
    }
}

bool TransferHandler::IsCancelRequested() const {
    std::lock_guard<std::mutex> guard(m_statusLock);
    return m_cancelRequested;
}

void TransferHandler::Cancel() {
    std::lock_guard<std::mutex> guard(m_statusLock);
    m_cancelRequested = true;
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
    std::lock_guard<std::mutex> guard(m_progressLock);
    // Bytes of a repeated slice attempt were counted already; never pass the total.
    const uint64_t total = m_totalSize;
    const uint64_t sum = m_transferredSize + bytes;
    m_transferredSize = sum > total ? total : sum;
}

uint64_t TransferHandler::CopyWithProgress(const std::shared_ptr<TransferHandler>& handler,
                                           std::istream& in, std::ostream& out, size_t bufferSize) {
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
        if (handler) {
            handler->AddTransferred(static_cast<uint64_t>(got));
            if (handler->m_progressCallback) {
                handler->m_progressCallback(handler->GetTransferredSize(), handler->GetTotalSize(),
                                            handler->m_userData);
            }
        }
        if (in.fail() || out.fail()) {
            break;
        }
    }
    return copied;
}

}  // namespace objstore

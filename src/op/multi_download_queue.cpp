// The fast profile of MultiDownload: slices handed out from a queue.
//
// Each slice thread keeps one connection alive from slice to slice and takes
// the next slice as soon as it is free, so no thread waits for the slowest
// slice of a batch and no slice pays a new connection's handshake and slow
// start. A finished slice is written at its offset at once: memory stays at one
// slice buffer per thread. After a failure, a cancel or a server that ignores
// ranges no slice is taken or written any more; the slices still running end
// on their own.
#include <Poco/Exception.h>
#include <Poco/Runnable.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "op/multi_download.h"
#include "op/object_op.h"
#include "trsf/transfer_handler.h"
#include "util/client_log.h"
#include "util/http_connection.h"

namespace objstore {
namespace {

constexpr char kOperation[] = "MultiThreadDownload";

// Runs one slice thread's loop on the private pool.
class SliceThread : public Poco::Runnable {
  public:
    explicit SliceThread(std::function<void()> body) : m_body(std::move(body)) {}
    void run() override { m_body(); }

  private:
    std::function<void()> m_body;
};

}  // namespace

bool MultiDownload::DownloadFromQueue() {
    const unsigned threads = static_cast<unsigned>(m_tasks.size());
    std::vector<std::unique_ptr<SliceThread>> sliceThreads;
    for (unsigned i = 0; i < threads; ++i) {
        sliceThreads.push_back(std::make_unique<SliceThread>([this, i] { RunSliceThread(i); }));
    }
    for (const std::unique_ptr<SliceThread>& sliceThread : sliceThreads) {
        try {
            m_pool->start(*sliceThread);
        } catch (const Poco::Exception& e) {
            std::lock_guard<std::mutex> guard(m_queueLock);
            m_queueStopped = true;
            m_queueFailed = true;
            ObjectOp::SetResultAndLogError(m_result,
                                           "down data, start task failed: " + e.displayText());
            break;
        }
    }
    // The slice threads use the buffers, the tasks and the file: all of them
    // end before this call goes on.
    m_pool->joinAll();
    if (m_queueRangesIgnored && !m_queueFailed) return FetchWhole();
    return !m_queueFailed;
}

void MultiDownload::RunSliceThread(unsigned index) {
    HttpConnection connection;
    FileDownTask& task = *m_tasks[index];
    task.SetConnection(&connection);
    uint64_t offset = 0;
    uint64_t length = 0;
    while (TakeSlice(index, &offset, &length)) {
        task.SetDownParams(m_buffers[index].get(), length, offset);
        task.run();
        KeepSlice(index, task);
    }
    task.SetConnection(nullptr);
}

bool MultiDownload::TakeSlice(unsigned index, uint64_t* offset, uint64_t* length) {
    std::lock_guard<std::mutex> guard(m_queueLock);
    if (m_queueStopped || m_nextOffset >= m_object.length) return false;
    if (m_handler && m_handler->IsCancelRequested()) {
        m_queueStopped = true;
        m_queueFailed = true;
        ObjectOp::SetResultAndLogError(m_result, "Request canceled by user");
        return false;
    }
    OBJSTORE_LOG_AS(kLogDebug, kOperation,
                    "%s:%s(%d) down data, task_index=%d, file_size=%llu, offset=%llu\n",
                    static_cast<int>(index), static_cast<unsigned long long>(m_object.length),
                    static_cast<unsigned long long>(m_nextOffset));
    *offset = m_nextOffset;
    *length = std::min(m_sliceSize, m_object.length - m_nextOffset);
    m_nextOffset += *length;
    ++m_slicesStarted;
    return true;
}

void MultiDownload::KeepSlice(unsigned index, const FileDownTask& task) {
    std::lock_guard<std::mutex> guard(m_queueLock);
    const bool failed = !task.IsTaskSuccess() && task.GetVerdict() != AnswerVerdict::RangesIgnored;
    if (m_queueStopped) {
        // Of the slices that failed, the result names the first in the file,
        // as the standard profile does, whichever thread gave up first.
        if (failed && m_failedOffset && task.GetOffset() < *m_failedOffset) {
            m_result = m_resultBeforeFailure;
            m_failedOffset = task.GetOffset();
            TakeSliceFailure(task);
        }
        return;  // the download has already failed: nothing more is written
    }
    if (task.GetVerdict() == AnswerVerdict::RangesIgnored) {
        m_queueStopped = true;
        m_queueRangesIgnored = true;
        return;
    }
    if (failed) {
        const bool errorPage = task.GetVerdict() == AnswerVerdict::ErrorPage;
        OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) down data, down task fail, rsp:%s\n",
                        (errorPage ? task.GetTaskResp() : task.GetErrMsg()).c_str());
        m_resultBeforeFailure = m_result;
        m_failedOffset = task.GetOffset();
        TakeSliceFailure(task);
        m_queueStopped = true;
        m_queueFailed = true;
        return;
    }
    if (!WriteSlice(index, task, m_buffers[index].get())) {
        m_queueStopped = true;
        m_queueFailed = true;
    }
}

}  // namespace objstore

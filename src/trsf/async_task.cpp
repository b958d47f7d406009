#include "trsf/async_task.h"

#include <chrono>
#include <thread>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include <Poco/AutoPtr.h>
#include <Poco/Exception.h>

#include "op/cos_result.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"

namespace objstore {

namespace {
constexpr int kPoolMinThreads = 2;
constexpr int kPoolIdleSeconds = 60;
}  // namespace

AsyncTask::AsyncTask(std::function<void()> body)
    : Poco::Task("AsyncTask"), m_body(std::move(body)) {}

// The last reference to a task may be dropped on another thread than the pool
// thread that ran it (the manager's start() holds one until it returns). Poco
// counts references inside its own, uninstrumented code, so a thread sanitizer
// would see the destruction race with the run. run() ends with a reference drop
// compiled here, and the destructor reads the count: that pair orders the whole
// run before the destruction.
AsyncTask::~AsyncTask() {
    (void)referenceCount();
}

void AsyncTask::run() {
    Poco::AutoPtr<AsyncTask> self(this, true);
    Poco::Task::run();
}

void AsyncTask::runTask() {
    m_body();
}

// Canceled requests end within moments; a request still connecting may take
// up to its connect time-out.
constexpr std::chrono::milliseconds kExitGrace{10000};

AsyncTaskPool::~AsyncTaskPool() {
    if (!CancelAndWait(kExitGrace)) {
        // A task still runs and would report to a destroyed manager; at exit it
        // is safer to leave both alive than to tear them down under it.
        m_manager.release();
        m_pool.release();
        return;
    }
    m_manager.reset();
    m_pool.reset();
}

void AsyncTaskPool::Start(AsyncTask* task, const std::shared_ptr<TransferHandler>& transfer) {
    Poco::TaskManager& manager = GetTaskManager();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Forget transfers that have ended, so the list stays short.
        m_transfers.erase(std::remove_if(m_transfers.begin(), m_transfers.end(),
                                         [](const std::weak_ptr<TransferHandler>& weak) {
                                             return weak.expired();
                                         }),
                          m_transfers.end());
        m_transfers.push_back(transfer);
    }
    manager.start(task);
}

bool AsyncTaskPool::CancelAndWait(std::chrono::milliseconds grace) {
    std::vector<std::weak_ptr<TransferHandler>> transfers;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        transfers = m_transfers;
    }
    for (const std::weak_ptr<TransferHandler>& weak : transfers) {
        if (std::shared_ptr<TransferHandler> transfer = weak.lock()) transfer->Cancel();
    }
    // A waiter wakes when its transfer's status turns final, a moment before the
    // task body returns: such tasks are waited for as well.
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (m_pool && m_pool->used() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !m_pool || m_pool->used() == 0;
}

Poco::TaskManager& AsyncTaskPool::GetTaskManager() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_pool) {
        const uint32_t configured = CosGlobalSettings::Instance().GetAsyncPoolThreads();
        const int maxThreads = static_cast<int>(
            std::min<uint32_t>(configured, static_cast<uint32_t>(std::numeric_limits<int>::max())));
        // Throws Poco::AssertionViolationException when maxThreads < 2; nothing is
        // kept, so the next call tries again.
        m_pool = std::make_unique<Poco::ThreadPool>("aysnc_pool", kPoolMinThreads, maxThreads,
                                                    kPoolIdleSeconds, POCO_THREAD_STACK_SIZE);
    }
    if (!m_manager) {
        m_manager = std::make_unique<Poco::TaskManager>(*m_pool);
    }
    return *m_manager;
}

AsyncTaskPool& GetAsyncTaskPool() {
    static AsyncTaskPool pool;
    return pool;
}

Poco::TaskManager& GetAsyncTaskManager() {
    return GetAsyncTaskPool().GetTaskManager();
}

std::function<void()> FailHandlerOnException(std::shared_ptr<TransferHandler> handler,
                                             std::function<void()> body) {
    return [handler = std::move(handler), body = std::move(body)]() {
        std::string what;
        try {
            body();
            return;
        } catch (const Poco::Exception& e) {
            what = e.displayText();
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
            what = "unknown exception";
        }
        CosResult result;
        result.SetFail();
        result.SetHttpStatus(-1);
        result.SetErrorMsg("Transfer task ended by exception: " + what);
        handler->UpdateStatus(Failed, result);
    };
}

}  // namespace objstore

// Background work of asynchronous transfers, run on the process-wide pool
// "aysnc_pool".
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <Poco/Task.h>
#include <Poco/TaskManager.h>
#include <Poco/ThreadPool.h>

namespace objstore {

class TransferHandler;

// A Poco task named "AsyncTask" that runs one body; an empty body throws
// std::bad_function_call.
class AsyncTask : public Poco::Task {
  public:
    explicit AsyncTask(std::function<void()> body);
    ~AsyncTask() override;

    // Runs the task under its own reference, so the thread's last touch of the
    // task is a reference drop that a thread sanitizer can see (see the .cpp).
    void run() override;
    void runTask() override;

  private:
    std::function<void()> m_body;
};

// A thread pool "aysnc_pool" (minimum 2, maximum AsyncPoolThreads at creation,
// idle time 60 s) with a task manager over it, both created on first use. A
// failed creation (AsyncPoolThreads below 2) throws and is tried again on the
// next call.
//
// At destruction (process exit for the process-wide pool) the transfers still
// running are canceled, which ends their requests at once, and their tasks are
// waited for, so that no download thread outlives what it uses; then the
// manager goes before the pool.
class AsyncTaskPool {
  public:
    AsyncTaskPool() = default;
    AsyncTaskPool(const AsyncTaskPool&) = delete;
    AsyncTaskPool& operator=(const AsyncTaskPool&) = delete;
    ~AsyncTaskPool();

    Poco::TaskManager& GetTaskManager();

    // Starts the task on the pool (the manager owns it) for the transfer, which
    // is canceled should the pool be destroyed while it runs.
    void Start(AsyncTask* task, const std::shared_ptr<TransferHandler>& transfer);

    // Cancels every transfer still running and waits up to `grace` for their
    // tasks to end. True when none is left running.
    bool CancelAndWait(std::chrono::milliseconds grace);

  private:
    std::mutex m_lock;
    std::unique_ptr<Poco::ThreadPool> m_pool;
    std::unique_ptr<Poco::TaskManager> m_manager;
    std::vector<std::weak_ptr<TransferHandler>> m_transfers;
};

// The process-wide pool of asynchronous transfers, and its task manager.
AsyncTaskPool& GetAsyncTaskPool();
Poco::TaskManager& GetAsyncTaskManager();

// Wraps a task body so that an exception leaving it brings the handler to
// Failed (status -1, the exception's text in the error message) instead of
// leaving waiters blocked.
std::function<void()> FailHandlerOnException(std::shared_ptr<TransferHandler> handler,
                                             std::function<void()> body);

}  // namespace objstore

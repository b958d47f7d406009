#include "trsf/async_task.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

#include <Poco/Exception.h>
#include <Poco/Net/NetException.h>
#include <Poco/Thread.h>
#include <gtest/gtest.h>

#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"
#include "wait_helpers.h"

namespace objstore {
namespace {

using objstore_test::ReturnsWithin;
using std::chrono::seconds;

class AsyncTaskTest : public ::testing::Test {
  protected:
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }
};

// Waits until the manager has dropped every finished task.
bool ManagerDrains(Poco::TaskManager& manager) {
    for (int i = 0; i < 1000 && manager.count() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return manager.count() == 0;
}

TEST_F(AsyncTaskTest, RunsItsBodyOnTheAsyncPoolUnderTheManager) {
    Poco::TaskManager& manager = GetAsyncTaskManager();
    EXPECT_EQ(&manager, &GetAsyncTaskManager());

    std::promise<std::string> threadName;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    manager.start(new AsyncTask([&threadName, released] {
        Poco::Thread* current = Poco::Thread::current();
        threadName.set_value(current ? current->getName() : std::string());
        released.wait();
    }));

    std::future<std::string> name = threadName.get_future();
    ASSERT_EQ(name.wait_for(seconds(10)), std::future_status::ready);
    EXPECT_NE(name.get().find("aysnc_pool"), std::string::npos);

    Poco::TaskManager::TaskList tasks = manager.taskList();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks.front()->name(), "AsyncTask");
    EXPECT_EQ(tasks.front()->state(), Poco::Task::TASK_RUNNING);
    tasks.clear();

    release.set_value();
    EXPECT_TRUE(ManagerDrains(manager));
}

TEST_F(AsyncTaskTest, EmptyBodyFailsWithBadFunctionCall) {
    AsyncTask task{std::function<void()>()};
    EXPECT_EQ(task.name(), "AsyncTask");
    EXPECT_THROW(task.runTask(), std::bad_function_call);
}

TEST_F(AsyncTaskTest, PoolCreationBelowTwoThreadsFailsAndIsRetried) {
    AsyncTaskPool pool;
    CosGlobalSettings::Instance().SetAsyncPoolThreads(1);
    EXPECT_THROW(pool.GetTaskManager(), Poco::AssertionViolationException);
    EXPECT_THROW(pool.GetTaskManager(), Poco::AssertionViolationException);

    CosGlobalSettings::Instance().SetAsyncPoolThreads(2);
    Poco::TaskManager& manager = pool.GetTaskManager();
    EXPECT_EQ(&manager, &pool.GetTaskManager());
    std::promise<void> ran;
    manager.start(new AsyncTask([&ran] { ran.set_value(); }));
    EXPECT_EQ(ran.get_future().wait_for(seconds(10)), std::future_status::ready);
    EXPECT_TRUE(ManagerDrains(manager));
}

TEST_F(AsyncTaskTest, EscapingExceptionFailsTheHandlerAndReleasesTheWaiter) {
    auto handler = std::make_shared<TransferHandler>();
    handler->UpdateStatus(InProgress);
    GetAsyncTaskManager().start(new AsyncTask(FailHandlerOnException(
        handler, [] { throw Poco::Net::NetException("connection reset"); })));

    ASSERT_TRUE(ReturnsWithin([handler] { handler->WaitUntilFinished(); }, seconds(10)));
    EXPECT_EQ(handler->GetStatus(), Failed);
    CosResult result = handler->GetResult();
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), -1);
    EXPECT_NE(result.GetErrorMsg().find("connection reset"), std::string::npos);
    EXPECT_TRUE(ManagerDrains(GetAsyncTaskManager()));
}

TEST_F(AsyncTaskTest, GuardLeavesTheStatusOfANormalBodyAlone) {
    auto handler = std::make_shared<TransferHandler>();
    FailHandlerOnException(handler, [handler] { handler->UpdateStatus(Completed); })();
    EXPECT_EQ(handler->GetStatus(), Completed);

    auto untouched = std::make_shared<TransferHandler>();
    FailHandlerOnException(untouched, [] {})();
    EXPECT_EQ(untouched->GetStatus(), NotStarted);
}

}  // namespace
}  // namespace objstore

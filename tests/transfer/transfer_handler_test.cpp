#include "trsf/transfer_handler.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <Poco/Exception.h>
#include <gtest/gtest.h>

#include "op/object_req.h"
#include "trsf/async_context.h"
#include "wait_helpers.h"

namespace objstore {
namespace {

using objstore_test::ReturnsWithin;
using std::chrono::seconds;

struct ProgressCall {
    uint64_t transferred;
    uint64_t total;
    void* userData;
};

// A handler owned by a shared_ptr whose progress callback records every call.
struct ProgressFixture {
    std::vector<ProgressCall> calls;
    int userDataTag = 0;
    std::shared_ptr<TransferHandler> handler = std::make_shared<TransferHandler>();

    ProgressFixture() {
        AsyncMultiGetObjectReq req("bucket-1", "/dir/obj.zip", "/tmp/obj.zip");
        req.SetUserData(&userDataTag);
        req.SetTransferProgressCallback([this](uint64_t transferred, uint64_t total, void* data) {
            calls.push_back({transferred, total, data});
        });
        handler->InitFromRequest(req);
    }
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

TEST(TransferHandler, InitFromRequestCopiesTheRequestFields) {
    ProgressFixture f;
    EXPECT_EQ(f.handler->GetBucketName(), "bucket-1");
    EXPECT_EQ(f.handler->GetObjectName(), "dir/obj.zip");
    EXPECT_EQ(f.handler->GetLocalFilePath(), "/tmp/obj.zip");
    EXPECT_EQ(f.handler->GetStatus(), NotStarted);
    EXPECT_FALSE(f.handler->IsCancelRequested());
    CosResult initial = f.handler->GetResult();
    EXPECT_FALSE(initial.IsSucc());
    EXPECT_EQ(initial.GetHttpStatus(), -1);
}

TEST(CopyWithProgress, EmptyInputCopiesNothingCallsNothingAndIgnoresCancel) {
    ProgressFixture f;
    f.handler->SetTotalSize(100);
    f.handler->Cancel();  // would throw if the flag were read
    std::istringstream in("");
    std::ostringstream out;
    EXPECT_EQ(TransferHandler::CopyWithProgress(f.handler, in, out, 8192), 0u);
    EXPECT_TRUE(f.calls.empty());
    EXPECT_EQ(f.handler->GetTransferredSize(), 0u);
}

TEST(CopyWithProgress, WithoutHandlerCopiesTheWholeStream) {
    const std::string data = Bytes(20000);
    std::istringstream in(data);
    std::ostringstream out;
    EXPECT_EQ(TransferHandler::CopyWithProgress(nullptr, in, out, 8192), data.size());
    EXPECT_EQ(out.str(), data);
}

TEST(CopyWithProgress, ReportsEachChunkAndNeverPassesTheTotal) {
    ProgressFixture f;
    const std::string data = Bytes(20000);
    f.handler->SetTotalSize(15000);
    std::istringstream in(data);
    std::ostringstream out;
    // Every byte is copied; only the count is cut at the total.
    EXPECT_EQ(TransferHandler::CopyWithProgress(f.handler, in, out, 8192), 20000u);
    EXPECT_EQ(out.str(), data);
    ASSERT_EQ(f.calls.size(), 3u);
    EXPECT_EQ(f.calls[0].transferred, 8192u);
    EXPECT_EQ(f.calls[1].transferred, 15000u);
    EXPECT_EQ(f.calls[2].transferred, 15000u);
    for (const ProgressCall& call : f.calls) {
        EXPECT_EQ(call.total, 15000u);
        EXPECT_EQ(call.userData, &f.userDataTag);
    }

    // A repeated attempt (bytes counted already) keeps the count at the total.
    std::istringstream again(data.substr(0, 5000));
    std::ostringstream sink;
    TransferHandler::CopyWithProgress(f.handler, again, sink, 8192);
    EXPECT_EQ(f.handler->GetTransferredSize(), 15000u);
    EXPECT_EQ(f.calls.back().transferred, 15000u);
}

TEST(CopyWithProgress, TotalZeroKeepsTheCountAtZero) {
    ProgressFixture f;
    std::istringstream in(Bytes(100));
    std::ostringstream out;
    EXPECT_EQ(TransferHandler::CopyWithProgress(f.handler, in, out, 64), 100u);
    ASSERT_EQ(f.calls.size(), 2u);
    for (const ProgressCall& call : f.calls) {
        EXPECT_EQ(call.transferred, 0u);
        EXPECT_EQ(call.total, 0u);
    }
}

TEST(CopyWithProgress, CancelStopsBeforeTheNextChunkIsWritten) {
    auto handler = std::make_shared<TransferHandler>();
    AsyncMultiGetObjectReq req("b", "k", "f");
    req.SetTransferProgressCallback([&handler](uint64_t, uint64_t, void*) { handler->Cancel(); });
    handler->InitFromRequest(req);
    handler->SetTotalSize(30000);
    std::istringstream in(Bytes(30000));
    std::ostringstream out;
    EXPECT_THROW(TransferHandler::CopyWithProgress(handler, in, out, 8192), UserCancelException);
    EXPECT_TRUE(handler->IsCancelRequested());
    EXPECT_EQ(out.str().size(), 8192u);
    EXPECT_EQ(handler->GetTransferredSize(), 8192u);
}

TEST(CopyWithProgress, ZeroBufferSizeIsRefused) {
    std::istringstream in("abc");
    std::ostringstream out;
    try {
        TransferHandler::CopyWithProgress(nullptr, in, out, 0);
        FAIL() << "no exception";
    } catch (const Poco::AssertionViolationException& e) {
        EXPECT_NE(e.displayText().find("bufferSize > 0"), std::string::npos);
    }
    EXPECT_TRUE(out.str().empty());
}

TEST(CopyWithProgress, ConcurrentSlicesSumIntoOneCount) {
    constexpr int kSlices = 6;
    constexpr size_t kSliceBytes = 50000;
    auto handler = std::make_shared<TransferHandler>();
    std::atomic<uint64_t> maxSeen{0};
    std::atomic<bool> overTotal{false};
    AsyncMultiGetObjectReq req("b", "k", "f");
    req.SetTransferProgressCallback([&](uint64_t transferred, uint64_t total, void*) {
        if (transferred > total) overTotal = true;
        uint64_t seen = maxSeen;
        while (transferred > seen && !maxSeen.compare_exchange_weak(seen, transferred)) {
        }
    });
    handler->InitFromRequest(req);
    handler->SetTotalSize(kSlices * kSliceBytes);

    std::vector<std::thread> slices;
    for (int i = 0; i < kSlices; ++i) {
        slices.emplace_back([handler] {
            std::istringstream in(Bytes(kSliceBytes));
            std::ostringstream out;
            TransferHandler::CopyWithProgress(handler, in, out, 8192);
        });
    }
    for (std::thread& t : slices) t.join();
    EXPECT_EQ(handler->GetTransferredSize(), kSlices * kSliceBytes);
    EXPECT_EQ(maxSeen.load(), kSlices * kSliceBytes);
    EXPECT_FALSE(overTotal);
}

// Status after a request for the column state when the handler is in the row
// state. A final state (2, 3, 4, 6) is left only for a non-final one, or 2 -> 6.
TEST(TransferHandler, UpdateStatusFollowsTheTransitionRule) {
    const int expected[7][7] = {
        /* from 0 */ {0, 1, 2, 3, 4, 5, 6},
        /* from 1 */ {0, 1, 2, 3, 4, 5, 6},
        /* from 2 */ {0, 1, 2, 2, 2, 5, 6},
        /* from 3 */ {0, 1, 3, 3, 3, 5, 3},
        /* from 4 */ {0, 1, 4, 4, 4, 5, 4},
        /* from 5 */ {0, 1, 2, 3, 4, 5, 6},
        /* from 6 */ {0, 1, 6, 6, 6, 5, 6},
    };
    const bool final[7] = {false, false, true, true, true, false, true};
    for (int from = 0; from < 7; ++from) {
        for (int to = 0; to < 7; ++to) {
            auto handler = std::make_shared<TransferHandler>();
            handler->UpdateStatus(static_cast<TransferState>(from));
            ASSERT_EQ(handler->GetStatus(), from);

            int doneCalls = 0;
            TransferHandler* seen = nullptr;
            AsyncMultiGetObjectReq req("b", "k", "f");
            req.SetDoneCallback([&](const std::shared_ptr<AsyncContext>& context, void*) {
                ++doneCalls;
                seen = context->GetTransferHandler().get();
            });
            handler->InitFromRequest(req);

            handler->UpdateStatus(static_cast<TransferState>(to));
            EXPECT_EQ(handler->GetStatus(), expected[from][to]) << from << " -> " << to;
            // The done callback runs for every final request, stored or not.
            EXPECT_EQ(doneCalls, final[to] ? 1 : 0) << from << " -> " << to;
            if (final[to]) {
                EXPECT_EQ(seen, handler.get());
            }
        }
    }
}

TEST(TransferHandler, DoneCallbackOnUnownedHandlerThrowsBadWeakPtr) {
    AsyncMultiGetObjectReq req("b", "k", "f");
    req.SetDoneCallback([](const std::shared_ptr<AsyncContext>&, void*) {});
    TransferHandler unowned;
    unowned.InitFromRequest(req);
    unowned.UpdateStatus(InProgress);  // not final: no context is made
    EXPECT_THROW(unowned.UpdateStatus(Failed), std::bad_weak_ptr);
    EXPECT_EQ(unowned.GetStatus(), Failed);

    TransferHandler noCallback;
    EXPECT_NO_THROW(noCallback.UpdateStatus(Completed));
}

TEST(TransferHandler, ThrowingDoneCallbackStillReleasesWaiters) {
    auto handler = std::make_shared<TransferHandler>();
    AsyncMultiGetObjectReq req("b", "k", "f");
    req.SetDoneCallback(
        [](const std::shared_ptr<AsyncContext>&, void*) { throw std::runtime_error("cb"); });
    handler->InitFromRequest(req);
    EXPECT_THROW(handler->UpdateStatus(Failed), std::runtime_error);
    EXPECT_EQ(handler->GetStatus(), Failed);
    EXPECT_TRUE(ReturnsWithin([handler] { handler->WaitUntilFinished(); }, seconds(10)));
}

TEST(TransferHandler, WaiterWakesOnFinalStatusAndSeesItsResult) {
    auto handler = std::make_shared<TransferHandler>();
    AsyncContext context(handler);
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        context.WaitUntilFinished();
        returned = true;
    });
    handler->UpdateStatus(InProgress);
    handler->UpdateStatus(RetryAlternateDomain);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);  // non-final states do not end the wait

    CosResult ok;
    ok.SetSucc();
    ok.SetHttpStatus(200);
    handler->UpdateStatus(Completed, ok, {{"ETag", "\"abc\""}}, "text");
    waiter.join();
    EXPECT_TRUE(returned);
    EXPECT_TRUE(context.GetResult().IsSucc());
    EXPECT_EQ(context.GetResult().GetHttpStatus(), 200);
    EXPECT_EQ(handler->GetRespHeaders().at("ETag"), "\"abc\"");
    EXPECT_EQ(handler->GetTextValue(), "text");
}

TEST(TransferHandler, WaitOnFinalStatusReturnsAtOnce) {
    auto handler = std::make_shared<TransferHandler>();
    CosResult failed;
    failed.SetErrorMsg("boom");
    handler->UpdateStatus(Failed, failed);
    EXPECT_TRUE(ReturnsWithin([handler] { handler->WaitUntilFinished(); }, seconds(10)));
    EXPECT_EQ(handler->GetResult().GetErrorMsg(), "boom");

    // Leaving the final state makes the next wait block again until a final one.
    handler->UpdateStatus(InProgress);
    std::thread finisher([handler] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        handler->UpdateStatus(Completed);
    });
    handler->WaitUntilFinished();
    EXPECT_EQ(handler->GetStatus(), Completed);
    finisher.join();
}

}  // namespace
}  // namespace objstore

namespace objstore {
namespace {

TEST(TransferHandler, RefusedStatusRequestKeepsTheResultOfTheStoredStatus) {
    auto handler = std::make_shared<TransferHandler>();
    CosResult done;
    done.SetSucc();
    done.SetHttpStatus(206);
    handler->UpdateStatus(TransferState::Completed, done, {{"ETag", "\"e\""}}, "");
    CosResult late;
    late.SetHttpStatus(500);
    late.SetErrorMsg("late failure");
    handler->UpdateStatus(TransferState::Failed, late, {}, "");
    handler->UpdateStatus(TransferState::Failed, late);
    EXPECT_EQ(handler->GetStatus(), TransferState::Completed);
    EXPECT_TRUE(handler->GetResult().IsSucc());
    EXPECT_EQ(handler->GetResult().GetHttpStatus(), 206);
    EXPECT_EQ(handler->GetRespHeaders().at("ETag"), "\"e\"");

    // A stored request takes its result along.
    handler->UpdateStatus(TransferState::InProgress, late);
    EXPECT_EQ(handler->GetResult().GetErrorMsg(), "late failure");
}

}  // namespace
}  // namespace objstore

namespace objstore {
namespace {

// Two threads ending one transfer at once: whichever status stays, the result
// beside it must be the one that came with it.
TEST(TransferHandler, ConcurrentFinalUpdatesKeepStatusAndResultTogether) {
    CosResult ok;
    ok.SetSucc();
    ok.SetHttpStatus(206);
    CosResult failed;
    failed.SetHttpStatus(500);
    failed.SetErrorMsg("late failure");
    for (int round = 0; round < 2000; ++round) {
        auto handler = std::make_shared<TransferHandler>();
        handler->UpdateStatus(InProgress);
        std::atomic<bool> go{false};
        std::thread completer([&] {
            while (!go) {
            }
            handler->UpdateStatus(Completed, ok, {{"ETag", "\"e\""}}, "");
        });
        std::thread failer([&] {
            while (!go) {
            }
            handler->UpdateStatus(Failed, failed);
        });
        go = true;
        completer.join();
        failer.join();
        const TransferState status = handler->GetStatus();
        ASSERT_EQ(status == Completed, handler->GetResult().IsSucc()) << "round " << round;
        ASSERT_EQ(status == Completed ? 206 : 500, handler->GetResult().GetHttpStatus());
    }
}

TEST(TransferHandler, DoneCallbackSeesTheOutcomeItIsCalledFor) {
    auto handler = std::make_shared<TransferHandler>();
    AsyncMultiGetObjectReq req("b", "k", "f");
    std::string seen;
    req.SetDoneCallback([&seen](const std::shared_ptr<AsyncContext>& context, void*) {
        seen = context->GetResult().GetErrorMsg();
    });
    handler->InitFromRequest(req);
    CosResult failed;
    failed.SetErrorMsg("boom");
    handler->UpdateStatus(Failed, failed);
    EXPECT_EQ(seen, "boom");
}

// Progress counts what a transfer keeps: bytes taken back are no longer shown,
// and a cancel reaches the hooks of requests in flight, also ones added after it.
TEST(TransferHandler, RetractedBytesAndCancelHooks) {
    auto handler = std::make_shared<TransferHandler>();
    std::vector<uint64_t> shown;
    AsyncMultiGetObjectReq req("b", "k", "f");
    req.SetTransferProgressCallback(
        [&shown](uint64_t done, uint64_t, void*) { shown.push_back(done); });
    handler->InitFromRequest(req);
    handler->SetTotalSize(100);
    handler->AddTransferred(60);
    handler->RetractTransferred(40);
    handler->AddTransferred(90);
    handler->RetractTransferred(500);
    EXPECT_EQ(shown, (std::vector<uint64_t>{60, 20, 100, 0}));

    int early = 0, late = 0, removed = 0;
    handler->AddCancelHook([&early] { ++early; });
    const uint64_t gone = handler->AddCancelHook([&removed] { ++removed; });
    handler->RemoveCancelHook(gone);
    handler->Cancel();
    handler->AddCancelHook([&late] { ++late; });
    EXPECT_EQ(early, 1);
    EXPECT_EQ(late, 1);
    EXPECT_EQ(removed, 0);
}

}  // namespace
}  // namespace objstore

// The fast profile's connections: each slice thread keeps its connection from
// slice to slice, and a server that closes connections, after every answer or
// after a few, saying so or not, costs no slice an attempt.
#include <gtest/gtest.h>

#include <string>

#include "log_capture.h"
#include "op/object_op.h"
#include "raw_server.h"
#include "support/test_dir.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

using test::RawAnswer;
using test::RawRequest;
using test::RawServer;

constexpr uint32_t kSlice = 4096;
constexpr uint32_t kSlices = 24;

class KeepAliveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetLogLevel(0);
        settings.SetRetryPauseMs(1);
        settings.SetDownloadSliceSize(kSlice);
    }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }

    CosResult Download(const std::string& address, TransferProfile profile, uint32_t threads) {
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetTransferProfile(profile);
        settings.SetForcedHost(address);
        settings.SetUseForcedHost(true);
        settings.SetDownloadThreads(threads);
        m_file = m_dir.PathOf("out.bin");
        AsyncMultiGetObjectReq req("b", "k", m_file);
        auto handler = std::make_shared<TransferHandler>();
        handler->InitFromRequest(req);
        GetObjectByFileResp resp;
        ObjectOp op(std::make_shared<CosConfig>(CosConfig(1, "id", "key", "r")));
        return op.MultiThreadDownload(req, &resp, handler);
    }

    test::TestDir m_dir;
    std::string m_file;
};

TEST_F(KeepAliveTest, SliceThreadsKeepTheirConnectionsInTheFastProfileOnly) {
    const std::string content = test::RandomBytes(kSlices * kSlice, 31);
    const uint32_t threads = 4;
    for (TransferProfile profile : {TransferProfile::Standard, TransferProfile::Fast}) {
        SCOPED_TRACE(profile == TransferProfile::Fast ? "fast" : "standard");
        RawServer server(
            [&](const RawRequest& request) { return test::ObjectAnswer(content, request); }, 0);
        const CosResult result = Download(server.Address(), profile, threads);
        ASSERT_TRUE(result.IsSucc()) << result.GetErrorMsg();
        EXPECT_EQ(test::ReadFile(m_file), content);
        EXPECT_EQ(server.Requests(), static_cast<int>(1 + kSlices));  // the head and the slices
        if (profile == TransferProfile::Fast) {
            // The length query's connection, then one per slice thread.
            EXPECT_LE(server.Connections(), static_cast<int>(1 + threads));
        } else {
            EXPECT_EQ(server.Connections(), server.Requests());  // a new one for every request
        }
    }
}

TEST_F(KeepAliveTest, ServersThatCloseConnectionsCostNoSliceAnAttempt) {
    const std::string content = test::RandomBytes(kSlices * kSlice + 17, 32);
    struct Case {
        const char* name;
        int answersPerConnection;  // then the server closes without a word; 0: never
        int announceEvery;         // every n-th answer says "Connection: close"; 0: none
    };
    const Case cases[] = {
        {"closed after every answer, unannounced", 1, 0},
        {"closed after every answer, announced", 1, 1},
        {"closed after three answers, unannounced", 3, 0},
        {"closed after every third answer, announced", 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> answered{0};
        RawServer server(
            [&](const RawRequest& request) {
                RawAnswer answer = test::ObjectAnswer(content, request);
                if (c.announceEvery > 0 && ++answered % c.announceEvery == 0) {
                    answer.head += "\r\nConnection: close";
                }
                return answer;
            },
            c.answersPerConnection);
        test::LogCapture log(1);  // errors only: a failed attempt is one
        const CosResult result = Download(server.Address(), TransferProfile::Fast, 3);
        ASSERT_TRUE(result.IsSucc()) << result.GetErrorMsg();
        EXPECT_EQ(test::ReadFile(m_file), content);
        for (const std::string& line : log.Lines()) ADD_FAILURE() << line;
        // Every slice was asked for once: nothing had to be tried again.
        EXPECT_EQ(server.Requests(), static_cast<int>(1 + kSlices + 1));
    }
}

}  // namespace
}  // namespace objstore

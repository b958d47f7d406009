// The client facade: asynchronous downloads, the second attempt on the
// alternative domain, and failures that must still end the wait.
#include <gtest/gtest.h>

#include <fstream>
#include <mutex>

#include "cos_client.h"
#include "log_capture.h"
#include "standin_fixture.h"
#include "trsf/transfer_handler.h"
#include "util/build_config.h"
#include "util/simple_dns_cache.h"

#include <Poco/Net/NetException.h>

namespace objstore {
namespace {

using test::StandinTest;

class ClientTest : public StandinTest {};

TEST_F(ClientTest, AsyncDownloadReturnsAtOnceAndTheWaitEndsWithTheWholeObject) {
    const std::string content(300000, 'q');
    PutObject("8.5/depend.zip", content);
    Start({"delay:400,method=HEAD"});
    CosClient client(Config());
    CosClient second(Config());
    EXPECT_EQ(CosClient::NetworkInitCount(), 1);

    std::atomic<int> doneCalls{0};
    AsyncMultiGetObjectReq req(m_settings.bucket, "8.5/depend.zip", m_dir.PathOf("depend.zip"));
    req.SetDoneCallback([&doneCalls](const std::shared_ptr<AsyncContext>& context, void*) {
        EXPECT_TRUE(context->GetResult().IsSucc());
        ++doneCalls;
    });
    std::shared_ptr<AsyncContext> context = client.AsyncMultiGetObject(req);
    ASSERT_TRUE(context);
    // The head request is still held back by the service.
    const TransferState early = context->GetTransferHandler()->GetStatus();
    EXPECT_TRUE(early == TransferState::NotStarted || early == TransferState::InProgress);

    context->WaitUntilFinished();
    EXPECT_EQ(context->GetTransferHandler()->GetStatus(), TransferState::Completed);
    CosResult result = context->GetResult();
    ASSERT_TRUE(result.IsSucc()) << result.GetErrorMsg();
    EXPECT_EQ(doneCalls, 1);
    std::ifstream in(m_dir.PathOf("depend.zip"), std::ios::binary);
    std::string fetched((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fetched, content);
    EXPECT_TRUE(client.ObjectExists(m_settings.bucket, "8.5/depend.zip"));
}

TEST(Client, FailedLengthQueryIsRepeatedOnTheAlternativeDomainOnSameHandler) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    settings.SetRetryOnAlternateDomain(true);
    settings.SetRetryPauseMs(1);
    test::LogCapture log(3);
    test::TestDir dir;
    CosClient client(CosConfig(42, "id", "key", "ap-x"));
    // The bucket name makes the URL unparsable: the head fails without a name lookup.
    AsyncMultiGetObjectReq req("[pkgs", "a.zip", dir.PathOf("a.zip"));
    std::shared_ptr<AsyncContext> context = client.AsyncMultiGetObject(req);
    context->WaitUntilFinished();
    EXPECT_EQ(context->GetTransferHandler()->GetStatus(), TransferState::Failed);
    EXPECT_EQ(context->GetResult().GetHttpStatus(), -1);
    const std::vector<std::string> urls = log.UrlsSent();
    // Four heads per domain (a failure without an answer is tried again), the
    // default domain first; never a third domain attempt.
    ASSERT_EQ(urls.size(), 8u);
    for (size_t i = 0; i < urls.size(); ++i) {
        const char* domain = i < 4 ? build::kDefaultDomain : build::kAlternateDomain;
        EXPECT_NE(urls[i].find(domain), std::string::npos) << i << ": " << urls[i];
    }
    settings.ResetToDefaults();
}

TEST(Client, AnExceptionInTheDownloadFailsTheHandlerInsteadOfHangingTheWait) {
    // With the DNS cache on, a host the resolver cannot find raises out of the
    // download itself.
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    settings.SetLogLevel(0);
    settings.SetUseDnsCache(true);
    GetDnsCache().SetResolver([](const std::string& host) -> Poco::Net::HostEntry {
        throw Poco::Net::HostNotFoundException(host);
    });
    test::TestDir dir;
    CosClient client(CosConfig(42, "id", "key", "ap-x"));
    AsyncMultiGetObjectReq req("pkgs", "a.zip", dir.PathOf("a.zip"));
    std::shared_ptr<AsyncContext> context = client.AsyncMultiGetObject(req);
    context->WaitUntilFinished();
    EXPECT_EQ(context->GetTransferHandler()->GetStatus(), TransferState::Failed);
    const CosResult result = context->GetResult();
    EXPECT_FALSE(result.IsSucc());
    EXPECT_NE(result.GetErrorMsg().find("Host not found"), std::string::npos)
        << result.GetErrorMsg();
    GetDnsCache().SetResolver(nullptr);
    settings.ResetToDefaults();
}

}  // namespace
}  // namespace objstore

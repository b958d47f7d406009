// Operation base, head and existence test against the stand-in service.
#include <gtest/gtest.h>

#include <mutex>

#include "log_capture.h"
#include "op/object_op.h"
#include "scripted_server.h"
#include "standin_fixture.h"
#include "util/build_config.h"
#include "util/simple_dns_cache.h"

#include <Poco/Net/SocketDefs.h>

namespace objstore {
namespace {

using test::StandinTest;

std::shared_ptr<CosConfig> Shared(const CosConfig& config) {
    return std::make_shared<CosConfig>(config);
}

class OperationTest : public StandinTest {};

TEST_F(OperationTest, HeadReturnsLengthEtagAndRequestId) {
    PutObject("8.5/base.zip", std::string(12345, 'z'));
    Start();
    ObjectOp op(Shared(Config()));
    HeadObjectReq req(m_settings.bucket, "8.5/base.zip");
    HeadObjectResp resp;
    CosResult result = op.HeadObject(req, &resp);
    ASSERT_TRUE(result.IsSucc()) << result.GetErrorMsg();
    EXPECT_EQ(result.GetHttpStatus(), 200);
    EXPECT_EQ(resp.GetContentLength(), 12345u);
    EXPECT_EQ(resp.GetEtag().size(), 32u);
    EXPECT_FALSE(result.GetXCosRequestId().empty());
    EXPECT_EQ(result.GetXCosRequestId(), resp.GetRequestId());
}

TEST_F(OperationTest, MissingObjectIsNoSuchKeyWithAnEmptyMessage) {
    Start();
    ObjectOp op(Shared(Config()));
    HeadObjectReq req(m_settings.bucket, "absent.zip");
    HeadObjectResp resp;
    CosResult result = op.HeadObject(req, &resp);
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), 404);
    EXPECT_EQ(result.GetErrorCode(), "NoSuchKey");
    EXPECT_EQ(result.GetErrorMsg(), "");
    EXPECT_FALSE(op.ObjectExists(m_settings.bucket, "absent.zip"));
}

TEST_F(OperationTest, RefusedSignatureReachesTheResultFromTheErrorBody) {
    PutObject("a.zip", "a");
    Start();
    CosConfig wrong(m_settings.appId, m_settings.secretId, "not-the-key", m_settings.region);
    ObjectOp op(Shared(wrong));
    GetObjectReq req(m_settings.bucket, "a.zip");
    BaseResp resp;
    CosResult result = op.NormalAction(m_settings.BucketHost(), req.GetPath(), req, "", &resp);
    EXPECT_FALSE(result.IsSucc());
    EXPECT_EQ(result.GetHttpStatus(), 403);
    EXPECT_EQ(result.GetErrorCode(), "SignatureDoesNotMatch");
    EXPECT_FALSE(result.GetErrorMsg().empty());
    EXPECT_EQ(result.GetResourceAddr(), m_settings.BucketHost() + "/a.zip");
    EXPECT_FALSE(result.GetXCosRequestId().empty());
    EXPECT_FALSE(result.GetXCosTraceId().empty());
    EXPECT_EQ(resp.GetBody(), "");  // the response is filled on success only
}

TEST_F(OperationTest, InvalidConfigurationSendsNothing) {
    Start();
    const CosConfig configs[] = {
        CosConfig(m_settings.appId, m_settings.secretId, m_settings.secretKey, ""),
        CosConfig(m_settings.appId, "", m_settings.secretKey, m_settings.region),
        CosConfig(m_settings.appId, m_settings.secretId, "", m_settings.region),
    };
    for (const CosConfig& config : configs) {
        ObjectOp op(Shared(config));
        HeadObjectReq req(m_settings.bucket, "a.zip");
        HeadObjectResp resp;
        CosResult result = op.HeadObject(req, &resp);
        EXPECT_EQ(result.GetHttpStatus(), -1);
        EXPECT_EQ(result.GetErrorMsg(),
                  "Invalid access_key secret_key or region, please check your configuration");
    }
    EXPECT_TRUE(RequestLog().empty());
}

TEST_F(OperationTest, SecurityTokenIsSentAndSigned) {
    PutObject("a.zip", "a");
    Start();
    CosConfig config = Config();
    config.SetSecurityToken("temporary-token");
    test::LogCapture log;
    ObjectOp op(Shared(config));
    EXPECT_TRUE(op.ObjectExists(m_settings.bucket, "a.zip"));
    bool tokenSent = false, tokenSigned = false;
    for (const std::string& line : log.Lines()) {
        tokenSent |= line.find("x-cos-security-token: temporary-token") != std::string::npos;
        tokenSigned |= line.find("q-header-list=host;x-cos-security-token") != std::string::npos;
    }
    EXPECT_TRUE(tokenSent);
    EXPECT_TRUE(tokenSigned);
}

TEST_F(OperationTest, ExistenceTestSendsOneHeadWhenTheRepeatIsOff) {
    Start();
    ObjectOp op(Shared(Config()));
    EXPECT_FALSE(op.ObjectExists(m_settings.bucket, "absent.zip"));
    EXPECT_EQ(RequestLog("HEAD").size(), 1u);
}

TEST(OperationBase, RealUrlAndDefaultDomainRules) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    settings.SetLogLevel(0);
    auto config = Shared(CosConfig(1, "id", "key", "ap-x"));
    ObjectOp op(config);
    EXPECT_EQ(op.GetRealUrl("h.example", "a.zip", false), "http://h.example/a.zip");
    EXPECT_EQ(op.GetRealUrl("h.example", "", true), "https://h.example/");
    EXPECT_EQ(op.GetRealUrl("h.example", "/a b/c", false), "http://h.example/a%20b/c");
    EXPECT_TRUE(op.UsesDefaultDomain());

    EXPECT_FALSE(ObjectOp(Shared(CosConfig(1, "id", "key", "accelerate"))).UsesDefaultDomain());

    settings.SetForcedHost("127.0.0.1:1");
    EXPECT_TRUE(op.UsesDefaultDomain());  // set but not switched on
    settings.SetUseForcedHost(true);
    EXPECT_FALSE(op.UsesDefaultDomain());
    EXPECT_EQ(op.GetRealUrl("h.example", "/a", false), "http://127.0.0.1:1/a");
    settings.SetUseForcedHost(false);

    config->SetEndpointOverride(true, false, "override.example");
    EXPECT_TRUE(op.UsesDefaultDomain());  // one switch is not enough
    config->SetEndpointOverride(true, true, "override.example");
    EXPECT_FALSE(op.UsesDefaultDomain());
    EXPECT_EQ(op.GetRealUrl("h.example", "/a", false), "http://override.example/a");
    config->SetEndpointOverride(false, false, "");

    config->SetCustomDomain("cdn.example");
    EXPECT_FALSE(op.UsesDefaultDomain());
    EXPECT_EQ(op.GetRealUrl("h.example", "/a", false), "http://cdn.example/a");
    config->SetCustomDomain("");
    settings.SetCustomDomain("global-cdn.example");
    EXPECT_EQ(op.GetRealUrl("h.example", "/a", false), "http://global-cdn.example/a");
    EXPECT_FALSE(op.UsesDefaultDomain());
    settings.ResetToDefaults();
}

TEST(OperationBase, DnsCacheAddressReplacesTheHostInTheUrl) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    settings.SetLogLevel(0);
    settings.SetUseDnsCache(true);
    GetDnsCache().SetResolver([](const std::string&) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        addrinfo info{};
        info.ai_family = AF_INET6;
        info.ai_addr = reinterpret_cast<sockaddr*>(&address);
        info.ai_addrlen = sizeof(address);
        return Poco::Net::HostEntry(&info);
    });
    ObjectOp op(Shared(CosConfig(1, "id", "key", "ap-x")));
    EXPECT_EQ(op.GetRealUrl("v6only.example", "/a", false), "http://[::1]/a");
    EXPECT_TRUE(op.UsesDefaultDomain());  // the cache plays no part in it
    GetDnsCache().SetResolver(nullptr);
    settings.ResetToDefaults();
}

TEST(OperationBase, FailedHeadIsRepeatedOnceOnTheAlternativeDomain) {
    // A bucket name that makes the URL unparsable fails the head with no answer
    // and no request id, exactly the case the repeat is for, and without any
    // name lookup.
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const std::string host = "http://[pkgs-42.cos.ap-x";
    ObjectOp op(Shared(CosConfig(42, "id", "key", "ap-x")));
    {
        test::LogCapture log(3);
        EXPECT_FALSE(op.ObjectExists("[pkgs", "a.zip"));
        EXPECT_EQ(log.UrlsSent(),
                  (std::vector<std::string>{host + build::kDefaultDomain + "/a.zip"}));
    }
    settings.SetRetryOnAlternateDomain(true);
    {
        test::LogCapture log(3);
        EXPECT_FALSE(op.ObjectExists("[pkgs", "a.zip"));
        EXPECT_EQ(log.UrlsSent(),
                  (std::vector<std::string>{host + build::kDefaultDomain + "/a.zip",
                                            host + build::kAlternateDomain + "/a.zip"}));
    }
    {
        test::LogCapture log(3);
        EXPECT_FALSE(ObjectOp(Shared(CosConfig(42, "id", "key", "accelerate")))
                         .ObjectExists("[pkgs", "a.zip"));
        EXPECT_EQ(log.UrlsSent().size(), 1u);  // no alternative domain for "accelerate"
    }
    settings.ResetToDefaults();
}

}  // namespace
}  // namespace objstore

namespace objstore {
namespace {

// What a scripted service saw of one request, and the answer it gave.
struct Seen {
    std::string host;
    std::string authorization;
};

TEST(OperationBase, HostHeaderAndItsSignatureFollowTheSwitches) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    settings.SetLogLevel(0);
    Seen seen;
    int status = 200;
    test::ScriptedServer server(
        [&](Poco::Net::HTTPServerRequest& request, Poco::Net::HTTPServerResponse& response) {
            seen.host = request.getHost();
            seen.authorization = request.get("Authorization", "");
            response.setStatus(static_cast<Poco::Net::HTTPResponse::HTTPStatus>(status));
            response.send();
        });
    settings.SetForcedHost(server.Address());
    settings.SetUseForcedHost(true);
    auto config = Shared(CosConfig(1, "id", "key", "ap-x"));
    ObjectOp op(config);
    HeadObjectReq req("pkgs", "a.zip");

    EXPECT_TRUE(op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr).IsSucc());
    EXPECT_EQ(seen.host, "bucket.example");
    EXPECT_NE(seen.authorization.find("q-header-list=host&"), std::string::npos);

    req.SetSignHeaderHost(false);
    op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr);
    EXPECT_EQ(seen.host, "bucket.example");  // still sent, only not signed
    EXPECT_NE(seen.authorization.find("q-header-list=&"), std::string::npos);
    req.SetSignHeaderHost(true);

    settings.SetCustomDomain("global-cdn.example");
    settings.SetCustomDomainAsHost(true);
    op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr);
    EXPECT_EQ(seen.host, "global-cdn.example");
    config->SetCustomDomain("own-cdn.example");
    op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr);
    EXPECT_EQ(seen.host, "own-cdn.example");
    config->SetCustomDomainAsHost(false);  // the configuration decides now
    op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr);
    EXPECT_EQ(seen.host, "bucket.example");

    status = 204;
    EXPECT_TRUE(op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr).IsSucc());
    status = 304;
    CosResult notModified = op.NormalAction("bucket.example", req.GetPath(), req, "", nullptr);
    EXPECT_FALSE(notModified.IsSucc());
    EXPECT_EQ(notModified.GetHttpStatus(), 304);
    settings.ResetToDefaults();
}

}  // namespace
}  // namespace objstore

// Request and response classes: initial values, object keys, local paths,
// copies, header views and the class tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "op/base_req.h"
#include "op/base_resp.h"
#include "op/object_req.h"
#include "op/object_resp.h"
#include "test_support.h"

namespace objstore {
namespace {

using Map = std::map<std::string, std::string>;
using test::SettingsTest;

// The class tree, checked at compile time.
static_assert(std::has_virtual_destructor_v<BaseReq>);
static_assert(std::has_virtual_destructor_v<BaseResp>);
static_assert(std::is_base_of_v<BaseReq, ObjectReq>);
static_assert(std::is_base_of_v<ObjectReq, GetObjectReq>);
static_assert(std::is_base_of_v<GetObjectReq, GetObjectByFileReq>);
static_assert(std::is_base_of_v<GetObjectByFileReq, AsyncMultiGetObjectReq>);
static_assert(std::is_base_of_v<ObjectReq, HeadObjectReq>);
static_assert(!std::is_base_of_v<GetObjectReq, HeadObjectReq>);
static_assert(std::is_base_of_v<BaseResp, GetObjectResp>);
static_assert(std::is_base_of_v<GetObjectResp, GetObjectByFileResp>);
static_assert(std::is_base_of_v<BaseResp, HeadObjectResp>);
static_assert(!std::is_base_of_v<GetObjectResp, HeadObjectResp>);

class RequestTest : public SettingsTest {};

TEST_F(RequestTest, NewRequestHasTheInitialValues) {
    const BaseReq req;
    EXPECT_EQ(req.GetHeaders(), (Map{{"User-Agent", "objstore-cpp-5.5.12"}}));
    EXPECT_EQ(req.GetHeader("User-Agent"), "objstore-cpp-5.5.12");
    EXPECT_EQ(req.GetHeader("user-agent"), "");  // names compare case-sensitively
    EXPECT_TRUE(req.GetParams().empty());
    EXPECT_EQ(req.GetPath(), "");
    EXPECT_EQ(req.GetMethod(), "");
    EXPECT_EQ(req.GetConnTimeoutInms(), 5000u);
    EXPECT_EQ(req.GetRecvTimeoutInms(), 5000u);
    EXPECT_FALSE(req.IsHttps());
    EXPECT_TRUE(req.GetVerifyCert());
    EXPECT_TRUE(req.SignHeaderHost());
    EXPECT_EQ(req.GetCaLocation(), "");
}

TEST_F(RequestTest, TimeOutsAreCopiedWhenTheRequestIsConstructed) {
    const HeadObjectReq before("pkgs", "a.zip");
    CosGlobalSettings::Instance().SetConnectTimeoutMs(120000);
    CosGlobalSettings::Instance().SetReceiveTimeoutMs(9000);
    const HeadObjectReq after("pkgs", "a.zip");
    const AsyncMultiGetObjectReq download("pkgs", "a.zip", "");
    EXPECT_EQ(before.GetConnTimeoutInms(), 5000u);
    EXPECT_EQ(before.GetRecvTimeoutInms(), 5000u);
    EXPECT_EQ(after.GetConnTimeoutInms(), 120000u);
    EXPECT_EQ(after.GetRecvTimeoutInms(), 9000u);
    EXPECT_EQ(download.GetConnTimeoutInms(), 120000u);
}

TEST_F(RequestTest, ObjectKeyLosesOneLeadingSlashAndGivesThePath) {
    struct Case {
        const char* given;
        const char* key;
        const char* path;
    };
    const Case cases[] = {
        {"/pkg/a.zip", "pkg/a.zip", "/pkg/a.zip"},
        {"pkg/a.zip", "pkg/a.zip", "/pkg/a.zip"},
        {"/", "", "/"},
        {"", "", "/"},
        {"//a", "/a", "//a"},
        {"a/", "a/", "/a/"},
        {"/8.5/summary.ini", "8.5/summary.ini", "/8.5/summary.ini"},
    };
    for (const Case& c : cases) {
        const HeadObjectReq req("pkgs", c.given);
        EXPECT_EQ(req.GetObjectName(), c.key) << "given '" << c.given << "'";
        EXPECT_EQ(req.GetPath(), c.path) << "given '" << c.given << "'";
        EXPECT_EQ(req.GetBucketName(), "pkgs");

        ObjectReq reset("pkgs", "old/key");
        reset.SetObjectKey(c.given);
        EXPECT_EQ(reset.GetObjectName(), c.key) << "given '" << c.given << "'";
        EXPECT_EQ(reset.GetPath(), c.path) << "given '" << c.given << "'";
    }
}

TEST_F(RequestTest, MethodsOfTheRequestClasses) {
    EXPECT_EQ(ObjectReq("b", "k").GetMethod(), "");
    EXPECT_EQ(GetObjectReq("b", "k").GetMethod(), "GET");
    EXPECT_EQ(GetObjectByFileReq("b", "k", "f").GetMethod(), "GET");
    EXPECT_EQ(AsyncMultiGetObjectReq("b", "k", "f").GetMethod(), "GET");
    EXPECT_EQ(HeadObjectReq("b", "k").GetMethod(), "HEAD");
}

TEST_F(RequestTest, EmptyLocalPathBecomesDotSlashAndTheKeyAsPassed) {
    struct Case {
        const char* key;
        const char* localPath;
        const char* storedKey;
        const char* path;
        const char* localFile;
    };
    const Case cases[] = {
        {"/pkg/a.zip", "", "pkg/a.zip", "/pkg/a.zip", ".//pkg/a.zip"},
        {"pkg/a.zip", "", "pkg/a.zip", "/pkg/a.zip", "./pkg/a.zip"},
        {"", "", "", "/", "./"},
        {"/", "", "", "/", ".//"},
        {"/pkg/a.zip", "C:\\stage\\a.zip", "pkg/a.zip", "/pkg/a.zip", "C:\\stage\\a.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("key '") + c.key + "', local path '" + c.localPath + "'");
        const GetObjectByFileReq byFile("pkgs", c.key, c.localPath);
        const AsyncMultiGetObjectReq async("pkgs", c.key, c.localPath);
        for (const GetObjectByFileReq* req :
             {&byFile, static_cast<const GetObjectByFileReq*>(&async)}) {
            EXPECT_EQ(req->GetObjectName(), c.storedKey);
            EXPECT_EQ(req->GetPath(), c.path);
            EXPECT_EQ(req->LocalFilePath(), c.localFile);
        }
    }
}

TEST_F(RequestTest, LocalFilePathDispatchesThroughTheObjectRequest) {
    const AsyncMultiGetObjectReq async("pkgs", "/pkg/a.zip", "");
    const GetObjectByFileReq byFile("pkgs", "b.zip", "out/b.zip");
    const GetObjectReq get("pkgs", "c.zip");
    const HeadObjectReq head("pkgs", "d.zip");
    const ObjectReq& asyncAsObject = async;
    const ObjectReq& byFileAsObject = byFile;
    const ObjectReq& getAsObject = get;
    const ObjectReq& headAsObject = head;
    EXPECT_EQ(asyncAsObject.LocalFilePath(), ".//pkg/a.zip");
    EXPECT_EQ(byFileAsObject.LocalFilePath(), "out/b.zip");
    EXPECT_EQ(getAsObject.LocalFilePath(), "");
    EXPECT_EQ(headAsObject.LocalFilePath(), "");

    // Destruction through the base (AddressSanitizer reports a mismatch otherwise).
    std::unique_ptr<BaseReq> owned = std::make_unique<AsyncMultiGetObjectReq>("pkgs", "k", "");
    owned.reset();
}

TEST_F(RequestTest, CopyCopiesEveryFieldCallbacksIncluded) {
    int progressCalls = 0;
    int doneCalls = 0;
    int userData = 0;
    AsyncMultiGetObjectReq original("pkgs", "/pkg/a.zip", "");
    original.AddHeader("Range", "bytes=0-1");
    original.AddParam("versionId", "7");
    original.SetConnTimeoutInms(1);
    original.SetRecvTimeoutInms(2);
    original.SetHttps(true);
    original.SetVerifyCert(false);
    original.SetSignHeaderHost(false);
    original.SetCaLocation("/etc/ca");
    original.SetTransferProgressCallback([&](uint64_t done, uint64_t total, void* data) {
        ++progressCalls;
        EXPECT_EQ(done, 1u);
        EXPECT_EQ(total, 2u);
        EXPECT_EQ(data, &userData);
    });
    original.SetDoneCallback([&](const std::shared_ptr<AsyncContext>&, void*) { ++doneCalls; });
    original.SetUserData(&userData);

    const AsyncMultiGetObjectReq copy(original);
    original.AddHeader("Range", "bytes=5-6");
    original.SetObjectKey("other");
    original.SetTransferProgressCallback(nullptr);

    EXPECT_EQ(copy.GetHeaders(),
              (Map{{"Range", "bytes=0-1"}, {"User-Agent", "objstore-cpp-5.5.12"}}));
    EXPECT_EQ(copy.GetParams(), (Map{{"versionId", "7"}}));
    EXPECT_EQ(copy.GetMethod(), "GET");
    EXPECT_EQ(copy.GetObjectName(), "pkg/a.zip");
    EXPECT_EQ(copy.GetPath(), "/pkg/a.zip");
    EXPECT_EQ(copy.GetBucketName(), "pkgs");
    EXPECT_EQ(copy.LocalFilePath(), ".//pkg/a.zip");
    EXPECT_EQ(copy.GetConnTimeoutInms(), 1u);
    EXPECT_EQ(copy.GetRecvTimeoutInms(), 2u);
    EXPECT_TRUE(copy.IsHttps());
    EXPECT_FALSE(copy.GetVerifyCert());
    EXPECT_FALSE(copy.SignHeaderHost());
    EXPECT_EQ(copy.GetCaLocation(), "/etc/ca");
    EXPECT_EQ(copy.GetUserData(), &userData);

    ASSERT_TRUE(static_cast<bool>(copy.GetTransferProgressCallback()));
    ASSERT_TRUE(static_cast<bool>(copy.GetDoneCallback()));
    copy.GetTransferProgressCallback()(1, 2, copy.GetUserData());
    copy.GetDoneCallback()(nullptr, copy.GetUserData());
    EXPECT_EQ(progressCalls, 1);
    EXPECT_EQ(doneCalls, 1);
}

TEST(ObjectRequestTest, CallbacksAndUserDataStartEmpty) {
    const HeadObjectReq req("pkgs", "k");
    EXPECT_FALSE(static_cast<bool>(req.GetTransferProgressCallback()));
    EXPECT_FALSE(static_cast<bool>(req.GetDoneCallback()));
    EXPECT_EQ(req.GetUserData(), nullptr);
}

TEST(ResponseTest, BaseParseHeadersReplacesTheStoredHeaders) {
    BaseResp resp;
    resp.ParseHeaders({{"A", "1"}, {"x-cos-meta-a", "2"}});
    resp.ParseHeaders({{"B", "3"}});
    EXPECT_EQ(resp.GetHeaders(), (Map{{"B", "3"}}));
    EXPECT_EQ(resp.GetHeader("A"), "");
}

TEST(ResponseTest, ObjectResponsesReadObjectTypeAndUserMetadata) {
    const Map headers = {
        {"Content-Length", "12"},
        {"x-cos-object-type", "normal"},
        {"X-Cos-Object-Type", "appendable"},  // the same name: the later one in map order wins
        {"x-cos-meta-Owner", "Ann"},
        {"x-cos-meta-owner", "bob"},
        {"X-Cos-Meta-Team", "ops"},  // the prefix in any case; the name keeps its own
        {"x-cos-meta-", "empty-name"},
        {"x-cos-request-id", "req-1"},
    };
    GetObjectResp get;
    GetObjectByFileResp byFile;
    HeadObjectResp head;
    for (BaseResp* resp : {static_cast<BaseResp*>(&get), static_cast<BaseResp*>(&byFile),
                           static_cast<BaseResp*>(&head)}) {
        resp->ParseHeaders(headers);  // through the base: the own ParseHeaders runs
        EXPECT_EQ(resp->GetHeaders(), headers);
    }
    const Map metas = {{"Owner", "Ann"}, {"owner", "bob"}, {"Team", "ops"}, {"", "empty-name"}};
    EXPECT_EQ(get.GetXCosObjectType(), "normal");
    EXPECT_EQ(byFile.GetXCosObjectType(), "normal");
    EXPECT_EQ(head.GetXCosObjectType(), "normal");
    EXPECT_EQ(get.GetXCosMetas(), metas);
    EXPECT_EQ(byFile.GetXCosMetas(), metas);
    EXPECT_EQ(head.GetXCosMetas(), metas);
    EXPECT_EQ(head.GetXCosMeta("Owner"), "Ann");
    EXPECT_EQ(head.GetXCosMeta("Team"), "ops");

    // A later value replaces an earlier one of the same name.
    head.ParseHeaders({{"x-cos-meta-owner", "carl"}});
    EXPECT_EQ(head.GetXCosMeta("owner"), "carl");
}

TEST(ResponseTest, ObjectTypeAndMetadataStartEmpty) {
    const HeadObjectResp head;
    EXPECT_EQ(head.GetXCosObjectType(), "");
    EXPECT_TRUE(head.GetXCosMetas().empty());
}

TEST(ResponseTest, BodyAndText) {
    HeadObjectResp resp;
    EXPECT_EQ(resp.ToText(), "");
    EXPECT_TRUE(resp.ParseBody("first"));
    EXPECT_EQ(resp.GetBody(), "first");
    resp.SetBody("xyz");
    EXPECT_EQ(resp.GetBody(), "xyz");
    resp.ParseHeaders({{"B", "2"}, {"A", "1"}});
    const BaseResp& base = resp;
    EXPECT_EQ(base.ToText(), "A = 1\nB = 2\nxyz");
}

TEST(ResponseTest, HeaderLookupsAndRequestId) {
    BaseResp resp;
    resp.ParseHeaders({{"x-cos-request-id", "req-1"}, {"Server", "s"}});
    EXPECT_EQ(resp.GetHeader("Server"), "s");
    EXPECT_EQ(resp.GetHeader("server"), "s");  // names are case-insensitive
    EXPECT_EQ(resp.GetHeader("missing"), "");
    EXPECT_EQ(resp.GetRequestId(), "req-1");
    resp.ParseHeaders({{"X-Cos-Request-Id", "req-2"}});
    EXPECT_EQ(resp.GetRequestId(), "req-2");
}

TEST(ResponseTest, ContentLengthReadsLeadingDigits) {
    struct Case {
        Map headers;
        uint64_t length;
    };
    const Case cases[] = {
        {{{"Content-Length", "12"}}, 12},
        {{{"Content-Length", "12x"}}, 12},
        {{{"Content-Length", "0"}}, 0},
        {{{"Content-Length", ""}}, 0},
        {{{"Content-Length", "x12"}}, 0},
        {{{"Content-Length", " 12"}}, 0},
        {{{"Content-Length", "-5"}}, 0},
        {{{"Content-Length", "007"}}, 7},
        {{{"Content-Length", "18446744073709551615"}}, std::numeric_limits<uint64_t>::max()},
        // Beyond 64 bits the length saturates rather than wrapping to a small value.
        {{{"Content-Length", "18446744073709551616"}}, std::numeric_limits<uint64_t>::max()},
        {{{"Content-Length", "99999999999999999999999"}}, std::numeric_limits<uint64_t>::max()},
        {{}, 0},
        {{{"content-length", "12"}}, 12},  // as an HTTP/2 gateway sends it
    };
    for (const Case& c : cases) {
        BaseResp resp;
        resp.ParseHeaders(c.headers);
        EXPECT_EQ(resp.GetContentLength(), c.length)
            << (c.headers.empty() ? "(none)"
                                  : c.headers.begin()->first + ": " + c.headers.begin()->second);
    }
}

TEST(ResponseTest, EtagVariants) {
    struct Case {
        Map headers;
        const char* etag;
    };
    const Case cases[] = {
        {{{"ETag", "\"abc\""}}, "abc"},
        {{{"Etag", "\"abc\""}}, "abc"},
        {{{"ETag", "\"one\""}, {"Etag", "\"two\""}}, "one"},
        {{{"ETag", "abc"}}, "abc"},
        {{{"ETag", "\"abc"}}, "abc"},
        {{{"ETag", "abc\""}}, "abc"},
        {{{"ETag", "\"\"abc\"\""}}, "\"abc\""},
        {{{"ETag", "\"\""}}, ""},
        {{{"ETag", ""}}, ""},
        {{{"ETag", "\""}}, ""},
        {{{"etag", "\"abc\""}}, "abc"},
        {{}, ""},
    };
    for (const Case& c : cases) {
        BaseResp resp;
        resp.ParseHeaders(c.headers);
        EXPECT_EQ(resp.GetEtag(), c.etag)
            << (c.headers.empty() ? "(none)"
                                  : c.headers.begin()->first + ": " + c.headers.begin()->second);
    }
}

}  // namespace
}  // namespace objstore

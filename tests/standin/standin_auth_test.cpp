// The bucket host and the Authorization value, checked as the service does.
#include <gtest/gtest.h>

#include <functional>

#include "standin_fixture.h"
#include "util/bucket_host.h"
#include "util/build_config.h"

namespace standin_test {
namespace {

struct AuthCase {
    const char* name;
    std::function<void(Request&, const objstore::test::StandinSettings&)> change;
    int status;
    const char* code;  // "" for a success
};

// Replaces the first "from" in the request's signed Authorization with "to".
std::function<void(Request&, const objstore::test::StandinSettings&)> Rewrite(std::string from,
                                                                              std::string to) {
    return [from, to](Request& request, const objstore::test::StandinSettings& settings) {
        std::string value = Authorization(settings, request);
        const size_t at = value.find(from);
        if (at != std::string::npos) value.replace(at, from.size(), to);
        request.authorization = value;
    };
}

// A signing window relative to the test's clock, in seconds.
std::function<void(Request&, const objstore::test::StandinSettings&)> Window(int64_t start,
                                                                             int64_t end) {
    return [start, end](Request& request, const objstore::test::StandinSettings&) {
        request.windowStartOffset = start;
        request.windowEndOffset = end;
    };
}

const AuthCase kAuthCases[] = {
    {"signed", [](Request&, const auto&) {}, 206, ""},
    {"range added after signing, as the slice download does",
     [](Request& r, const auto&) {
         r.headers.erase("Range");
         r.headersAfterSigning["Range"] = "bytes=0-9";
     },
     206, ""},
    {"signed query parameter and x-cos header",
     [](Request& r, const auto&) {
         r.params["versionId"] = "7 & 8";
         r.headers["x-cos-meta-note"] = "a b";
     },
     206, ""},
    {"Host left out of the signature",
     [](Request& r, const auto&) { r.unsignedHeaders = {"Host"}; }, 206, ""},
    {"no Authorization", [](Request& r, const auto&) { r.sign = false; }, 403, "AccessDenied"},
    {"wrong secret key", [](Request& r, const auto&) { r.secretKey = "not-the-key"; }, 403,
     "SignatureDoesNotMatch"},
    {"unknown secret id", [](Request& r, const auto&) { r.secretId = "AKIDunknown"; }, 403,
     "InvalidAccessKeyId"},
    // The window is widened by the service's 60 s allowance for clock skew.
    {"window begins 1 s ahead", Window(1, 3600), 206, ""},
    {"window begins 30 s ahead", Window(30, 3600), 206, ""},
    {"window ended 30 s ago", Window(-7200, -30), 206, ""},
    {"window begins past the skew", Window(120, 3600), 403, "RequestTimeTooSkewed"},
    {"window begins far ahead", Window(600, 4200), 403, "RequestTimeTooSkewed"},
    {"window ended past the skew", Window(-7200, -120), 403, "AccessDenied"},
    {"other path signed", [](Request& r, const auto&) { r.signedPath = "/8.5/other.zip"; }, 403,
     "SignatureDoesNotMatch"},
    {"signed range changed",
     [](Request& r, const auto&) { r.headersAfterSigning["Range"] = "bytes=0-99"; }, 403,
     "SignatureDoesNotMatch"},
    {"signed header removed",
     [](Request& r, const auto&) {
         r.headers["x-cos-meta-note"] = "1";
         r.dropAfterSigning = {"x-cos-meta-note"};
     },
     403, "SignatureDoesNotMatch"},
    {"unsigned query parameter added",
     [](Request& r, const auto&) { r.queryAfterSigning = "?acl"; }, 403, "SignatureDoesNotMatch"},
    {"signed for another method",
     [](Request& r, const auto&) { r.signedMethod = r.method == "GET" ? "HEAD" : "GET"; }, 403,
     "SignatureDoesNotMatch"},
    {"algorithm md5", Rewrite("q-sign-algorithm=sha1", "q-sign-algorithm=md5"), 403,
     "AuthorizationHeaderMalformed"},
    {"signature cut short", Rewrite("&q-signature=", "&q-signature=ab"), 403,
     "AuthorizationHeaderMalformed"},
    {"signature field missing", Rewrite("&q-signature=", "&q-signaturf="), 403,
     "AuthorizationHeaderMalformed"},
    {"duplicate field", Rewrite("&q-header-list=", "&q-ak=x&q-header-list="), 403,
     "AuthorizationHeaderMalformed"},
    {"sign time not numbers", Rewrite("&q-sign-time=", "&q-sign-time=x"), 403,
     "AuthorizationHeaderMalformed"},
    {"header list changed", Rewrite("&q-header-list=host;range", "&q-header-list=host"), 403,
     "SignatureDoesNotMatch"},
    {"header list names an absent header",
     Rewrite("&q-header-list=host;range", "&q-header-list=host;if-match;range"), 403,
     "SignatureDoesNotMatch"},
    {"parameter list claims a parameter", Rewrite("&q-url-param-list=", "&q-url-param-list=acl"),
     403, "SignatureDoesNotMatch"},
    {"garbage", [](Request& r, const auto&) { r.authorization = "Bearer abc"; }, 403,
     "AuthorizationHeaderMalformed"},
};

class StandinAuth : public StandinTest {};

TEST_F(StandinAuth, SignaturesAreRecomputedFromTheRequest) {
    Put("8.5/base.zip", PatternBytes(100, 7));
    Start();
    for (const AuthCase& c : kAuthCases) {
        for (const char* method : {"GET", "HEAD"}) {
            SCOPED_TRACE(std::string(c.name) + " " + method);
            Request request;
            request.method = method;
            request.key = "8.5/base.zip";
            request.headers["Range"] = "bytes=0-9";
            c.change(request, settings);
            const Reply reply = Send(request);
            ASSERT_TRUE(reply.answered) << reply.transportError;
            EXPECT_EQ(c.status, reply.status) << reply.body;
            if (*c.code == '\0') continue;
            if (std::string(method) == "HEAD") {
                EXPECT_EQ("", reply.body);
                continue;
            }
            const ErrorFields error = ParseError(reply);
            ASSERT_TRUE(error.parsed) << reply.body;
            EXPECT_EQ(c.code, error.code);
            EXPECT_FALSE(error.message.empty());
            EXPECT_EQ(reply.headers.get("x-cos-request-id", "?"), error.requestId);
            EXPECT_EQ(reply.headers.get("x-cos-trace-id", "?"), error.traceId);
            EXPECT_EQ(settings.BucketHost() + "/8.5/base.zip", error.resource);
        }
    }
}

TEST_F(StandinAuth, HostMustNameTheBucket) {
    Put("a.bin", "abc");
    Start();
    const std::string host = settings.BucketHost();
    struct Case {
        std::string host;
        int status;
    };
    const Case cases[] = {
        {host, 200},
        {host + ":8080", 200},  // a port in Host names the same host
        {"PKGS-1250000000.COS.ACCELERATE" + std::string(objstore::build::kDefaultDomain), 200},
        {"other-1250000000.cos.accelerate" + std::string(objstore::build::kDefaultDomain), 404},
        {"pkgs-1250000001.cos.accelerate" + std::string(objstore::build::kDefaultDomain), 404},
        {"pkgs-1250000000.cos.elsewhere" + std::string(objstore::build::kDefaultDomain), 404},
        {"pkgs-1250000000.cos.accelerate" + std::string(objstore::build::kAlternateDomain), 404},
        {"127.0.0.1", 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        Request request;
        request.key = "a.bin";
        request.host = c.host;
        const Reply reply = Send(request);
        EXPECT_EQ(c.status, reply.status);
        if (c.status == 404) {
            EXPECT_EQ("NoSuchBucket", ParseError(reply).code);
        }
    }
}

TEST_F(StandinAuth, ExtraDomainsAreAcceptedWhenConfigured) {
    Put("a.bin", "abc");
    settings.extraArgs = {"--domain", objstore::build::kDefaultDomain, "--domain",
                          objstore::build::kAlternateDomain};
    Start();
    for (bool alternate : {false, true}) {
        Request request;
        request.key = "a.bin";
        request.host =
            objstore::BucketHost(settings.appId, settings.region, settings.bucket, alternate);
        EXPECT_EQ(200, Send(request).status) << request.host;
    }
}

TEST_F(StandinAuth, NoAuthServesUnsignedRequestsButStillChecksTheHost) {
    Put("a.bin", "abc");
    settings.extraArgs = {"--no-auth"};
    Start();
    Request request;
    request.key = "a.bin";
    request.sign = false;
    EXPECT_EQ(200, Send(request).status);
    request.host = "elsewhere.example";
    EXPECT_EQ(404, Send(request).status);
}

}  // namespace
}  // namespace standin_test

// The Authorization value: canonical texts, HMAC-SHA1 signature and window.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <set>
#include <string>

#include "test_support.h"
#include "util/request_signer.h"

namespace objstore {
namespace {

using Map = std::map<std::string, std::string>;
using Names = std::set<std::string>;

const std::string kHost = "pkgs-42.cos.ap-example.storage.example";
const std::string kUserAgent = "objstore-cpp-5.5.12";

TEST(RequestSignerTest, CanonicalTextsOfARangedGet) {
    const Map headers = {{"Host", kHost}, {"Range", "bytes=0-65535"}, {"User-Agent", kUserAgent}};
    const RequestSigner::Canonical c =
        RequestSigner::BuildCanonical("GET", "/a.zip", headers, {}, {});
    EXPECT_EQ(c.headerList, "host;range");
    EXPECT_EQ(c.headerPairs, "host=" + kHost + "&range=bytes%3D0-65535");
    EXPECT_EQ(c.paramList, "");
    EXPECT_EQ(c.paramPairs, "");
    EXPECT_EQ(c.formatText, "get\n/a.zip\n\nhost=" + kHost + "&range=bytes%3D0-65535\n");
}

TEST(RequestSignerTest, SignedHeaderNames) {
    const char* signedNames[] = {"cache-control", "content-disposition", "content-encoding",
                                 "content-length", "content-md5", "content-type", "expect",
                                 "expires", "host", "if-match", "if-modified-since",
                                 "if-none-match", "if-unmodified-since", "origin", "range",
                                 "transfer-encoding", "pic-operations",
                                 // any case of the listed names
                                 "Content-Type", "HOST", "Range", "If-None-Match", "Pic-Operations",
                                 // "x-cos" prefix, exact case
                                 "x-cos-meta-a", "x-cos-security-token", "x-cos", "x-cosx"};
    for (const char* name : signedNames) {
        EXPECT_TRUE(RequestSigner::IsSignedHeaderName(name)) << name;
    }
    const char* unsignedNames[] = {"User-Agent",  "Authorization", "X-Cos-Meta-A", "X-COS-ACL",
                                   "x-co",        "x-cxs",         "hosts",        "range ",
                                   "content-typ", "Date",          "Accept",       ""};
    for (const char* name : unsignedNames) {
        EXPECT_FALSE(RequestSigner::IsSignedHeaderName(name)) << name;
    }
}

struct CanonicalCase {
    const char* what;
    std::string method;
    std::string path;
    Map headers;
    Map params;
    Names unsignedNames;
    std::string headerList;
    std::string headerPairs;
    std::string paramList;
    std::string paramPairs;
    std::string formatText;
};

TEST(RequestSignerTest, CanonicalTextsTable) {
    const CanonicalCase cases[] = {
        {"case collision: the lower-case name sorts later and wins",
         "HEAD",
         "/k",
         {{"Host", "upper.example"}, {"host", "lower.example"}},
         {},
         {},
         "host",
         "host=lower.example",
         "",
         "",
         "head\n/k\n\nhost=lower.example\n"},
        {"collision of Content-Type and content-type",
         "GET",
         "/k",
         {{"Content-Type", "A"}, {"content-type", "b"}},
         {},
         {},
         "content-type",
         "content-type=b",
         "",
         "",
         "get\n/k\n\ncontent-type=b\n"},
        {"x-cos prefix is case-sensitive, Content-Type is lowered",
         "PUT",
         "/k",
         {{"X-Cos-Meta-A", "1"},
          {"x-cos-meta-a", "2"},
          {"Content-Type", "text/plain"},
          {"User-Agent", kUserAgent}},
         {},
         {},
         "content-type;x-cos-meta-a",
         "content-type=text%2Fplain&x-cos-meta-a=2",
         "",
         "",
         "put\n/k\n\ncontent-type=text%2Fplain&x-cos-meta-a=2\n"},
        {"Host in the unsigned set leaves out Host, not host",
         "GET",
         "/k",
         {{"Host", "upper.example"}, {"host", "lower.example"}, {"Range", "bytes=0-1"}},
         {},
         {"Host"},
         "host;range",
         "host=lower.example&range=bytes%3D0-1",
         "",
         "",
         "get\n/k\n\nhost=lower.example&range=bytes%3D0-1\n"},
        {"unsigned names compare exactly as stored",
         "GET",
         "/k",
         {{"Host", "h"}},
         {},
         {"host"},
         "host",
         "host=h",
         "",
         "",
         "get\n/k\n\nhost=h\n"},
        {"every header unsigned",
         "GET",
         "/k",
         {{"Host", "h"}, {"User-Agent", kUserAgent}},
         {},
         {"Host"},
         "",
         "",
         "",
         "",
         "get\n/k\n\n\n"},
        {"empty method and empty path", "", "", {}, {}, {}, "", "", "", "", "\n/\n\n\n"},
        {"path is not encoded, method is lowered",
         "GeT",
         "/a b/%41",
         {},
         {},
         {},
         "",
         "",
         "",
         "",
         "get\n/a b/%41\n\n\n"},
        {"query keys are encoded then lowered, values encoded only",
         "GET",
         "/list",
         {},
         {{"Max Keys", "10"}, {"prefix", "A/B"}, {"UPPER", "V"}, {"a/B", "x"}},
         {},
         "",
         "",
         "a%2fb;max%20keys;prefix;upper",
         "a%2fb=x&max%20keys=10&prefix=A%2FB&upper=V",
         "get\n/list\na%2fb=x&max%20keys=10&prefix=A%2FB&upper=V\n\n"},
        {"query keys colliding after lowering: the later source key wins",
         "GET",
         "/",
         {},
         {{"A B", "1"}, {"a b", "2"}},
         {},
         "",
         "",
         "a%20b",
         "a%20b=2",
         "get\n/\na%20b=2\n\n"},
        {"header keys are lowered but not encoded",
         "GET",
         "/",
         {{"x-cos-meta-a b", "v w"}},
         {},
         {},
         "x-cos-meta-a b",
         "x-cos-meta-a b=v%20w",
         "",
         "",
         "get\n/\n\nx-cos-meta-a b=v%20w\n"},
        {"values are never lowered; empty values stay",
         "GET",
         "/",
         {{"Range", "BYTES=0-1"}, {"Content-MD5", ""}},
         {{"Flag", ""}},
         {},
         "content-md5;range",
         "content-md5=&range=BYTES%3D0-1",
         "flag",
         "flag=",
         "get\n/\nflag=\ncontent-md5=&range=BYTES%3D0-1\n"},
        {"non-ASCII bytes become upper-case escapes (keys lowered after encoding)",
         "GET",
         "/\xE4\xB8\xAD",
         {{"x-cos-meta-name", "\xE4\xB8\xAD"}},
         {{"\xC3\xA9", "\xE4\xB8\xAD"}},
         {},
         "x-cos-meta-name",
         "x-cos-meta-name=%E4%B8%AD",
         "%c3%a9",
         "%c3%a9=%E4%B8%AD",
         "get\n/\xE4\xB8\xAD\n%c3%a9=%E4%B8%AD\nx-cos-meta-name=%E4%B8%AD\n"},
    };
    for (const CanonicalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const RequestSigner::Canonical got =
            RequestSigner::BuildCanonical(c.method, c.path, c.headers, c.params, c.unsignedNames);
        EXPECT_EQ(got.headerList, c.headerList);
        EXPECT_EQ(got.headerPairs, c.headerPairs);
        EXPECT_EQ(got.paramList, c.paramList);
        EXPECT_EQ(got.paramPairs, c.paramPairs);
        EXPECT_EQ(got.formatText, c.formatText);
    }
}

// Expected signatures were computed once by hand, outside this code, with coreutils
// and OpenSSL 3 (and cross-checked with python3's hmac/hashlib). For a format text F
// (printf escapes), secret key S and key time T:
//   D=$(printf "$F" | sha1sum | cut -d' ' -f1)
//   K=$(printf '%s' "$T" | openssl dgst -sha1 -hmac "$S" | sed 's/.*= //')
//   printf 'sha1\n%s\n%s\n' "$T" "$D" | openssl dgst -sha1 -hmac "$K"
// e.g. the ranged GET below:
//   F='get\n/a.zip\n\nhost=pkgs-42.cos.ap-example.storage.example&range=bytes%%3D0-65535\n'
//   S=secretKeyExample T='1700000000;1700003600'
// gives D=a9224f579d90023a9d1e58ed36671150e5730b70,
//       K=43c212bb5033f3b4bcb9853dd0d4fe6834635143,
//   signature 54347e5aae2b0017c931b4215e205c72e58d1fe1.
TEST(RequestSignerTest, SignatureOfAFixedWindowMatchesIndependentVectors) {
    struct Case {
        const char* what;
        std::string secretKey;
        std::string method;
        std::string path;
        Map headers;
        Map params;
        Names unsignedNames;
        uint64_t start;
        uint64_t end;
        std::string authorization;
    };
    const std::string kKeyTime = "1700000000;1700003600";
    const std::string kPrefix = "q-sign-algorithm=sha1&q-ak=AKIDexample&q-sign-time=" + kKeyTime +
                                "&q-key-time=" + kKeyTime;
    const Case cases[] = {
        {"ranged GET of /a.zip",
         "secretKeyExample",
         "GET",
         "/a.zip",
         {{"Host", kHost}, {"Range", "bytes=0-65535"}, {"User-Agent", kUserAgent}},
         {},
         {},
         1700000000,
         1700003600,
         kPrefix + "&q-header-list=host;range&q-url-param-list="
                   "&q-signature=54347e5aae2b0017c931b4215e205c72e58d1fe1"},
        // F='head\n/k\n\nhost=lower.example\n'
        {"Host and host",
         "secretKeyExample",
         "HEAD",
         "/k",
         {{"Host", "upper.example"}, {"host", "lower.example"}, {"User-Agent", kUserAgent}},
         {},
         {},
         1700000000,
         1700003600,
         kPrefix + "&q-header-list=host&q-url-param-list="
                   "&q-signature=e30431d12fe9ec12f53062d876faa6c986cc4ddb"},
        // F='get\n/list\na%%2fb=x%%2Fy&max%%20keys=10&upper=V\n'
        //   'content-type=text%%2Fplain&x-cos-meta-a=1\n'
        {"query parameters and mixed-case headers",
         "secretKeyExample",
         "GET",
         "/list",
         {{"Content-Type", "text/plain"},
          {"X-Cos-Meta-B", "2"},
          {"x-cos-meta-a", "1"},
          {"User-Agent", kUserAgent}},
         {{"a/B", "x/y"}, {"Max Keys", "10"}, {"UPPER", "V"}},
         {},
         1700000000,
         1700003600,
         kPrefix +
             "&q-header-list=content-type;x-cos-meta-a&q-url-param-list=a%2fb;max%20keys;upper"
             "&q-signature=cdbe213dc4ea32b575ccb57695d37be0908dbc33"},
        // F='\n/\n\n\n'
        {"empty method, empty path, nothing signed",
         "secretKeyExample",
         "",
         "",
         {{"User-Agent", kUserAgent}},
         {},
         {},
         1700000000,
         1700003600,
         kPrefix + "&q-header-list=&q-url-param-list="
                   "&q-signature=69f8ef79377ffab24df6d77f9d1d523065334d1a"},
        // S=100 times 'k' (longer than the HMAC block), T='100;3700',
        // F='get\n/\xe4\xb8\xad\n%%c3%%a9=%%E4%%B8%%AD\nx-cos-meta-name=%%E4%%B8%%AD\n'
        {"non-ASCII bytes and a long secret key",
         std::string(100, 'k'),
         "GET",
         "/\xE4\xB8\xAD",
         {{"x-cos-meta-name", "\xE4\xB8\xAD"}},
         {{"\xC3\xA9", "\xE4\xB8\xAD"}},
         {},
         100,
         3700,
         "q-sign-algorithm=sha1&q-ak=AKIDexample&q-sign-time=100;3700&q-key-time=100;3700"
         "&q-header-list=x-cos-meta-name&q-url-param-list=%c3%a9"
         "&q-signature=14286c6eee706b7a0db8ccc040971f8a49f38799"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(
            RequestSigner::SignForWindow("AKIDexample", c.secretKey, c.method, c.path, c.headers,
                                         c.params, c.unsignedNames, c.start, c.end),
            c.authorization);
    }
}

TEST(RequestSignerTest, DigestsMatchIndependentValues) {
    // printf 'abc' | sha1sum; printf '%s' '100;3700' | openssl dgst -sha1 -hmac secretKeyExample
    EXPECT_EQ(RequestSigner::Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(RequestSigner::Sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(RequestSigner::HmacSha1Hex("secretKeyExample", "1700000000;1700003600"),
              "43c212bb5033f3b4bcb9853dd0d4fe6834635143");
}

TEST(RequestSignerTest, KeyTimeStandsTwiceWithTheSameText) {
    const std::string auth =
        RequestSigner::SignForWindow("id", "key", "GET", "/", {}, {}, {}, 100, 3700);
    EXPECT_EQ(auth.find("q-sign-algorithm=sha1&q-ak=id&q-sign-time=100;3700&q-key-time=100;3700&"),
              0u)
        << auth;
}

TEST(RequestSignerTest, EmptySecretIdOrKeyGivesAnEmptyResult) {
    const Map headers = {{"Host", kHost}};
    const struct {
        const char* id;
        const char* key;
    } cases[] = {{"", "key"}, {"id", ""}, {"", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(RequestSigner::SignForWindow(c.id, c.key, "GET", "/a", headers, {}, {}, 1, 2), "")
            << "id '" << c.id << "' key '" << c.key << "'";
        EXPECT_EQ(RequestSigner::Sign(c.id, c.key, "GET", "/a", headers, {}, {}), "")
            << "id '" << c.id << "' key '" << c.key << "'";
    }
}

class RequestSignerClockTest : public test::SettingsTest {};

// Sign takes the window from the clock plus TimeOffsetSeconds and lasts SignExpirySeconds.
TEST_F(RequestSignerClockTest, SignUsesClockOffsetAndExpiry) {
    struct Window {
        int64_t offset;
        uint64_t expiry;
    };
    const Window windows[] = {{0, 3600}, {-1000, 60}, {5000, 1}};
    const Map headers = {{"Host", kHost}, {"Range", "bytes=0-1"}};
    for (const Window& w : windows) {
        CosGlobalSettings::Instance().SetTimeOffsetSeconds(w.offset);
        CosGlobalSettings::Instance().SetSignExpirySeconds(w.expiry);
        const int64_t before = static_cast<int64_t>(std::time(nullptr));
        const std::string auth = RequestSigner::Sign("id", "key", "GET", "/a", headers, {}, {});
        const int64_t after = static_cast<int64_t>(std::time(nullptr));

        const std::string marker = "&q-sign-time=";
        const size_t at = auth.find(marker);
        ASSERT_NE(at, std::string::npos) << auth;
        unsigned long long start = 0, end = 0;
        ASSERT_EQ(std::sscanf(auth.c_str() + at + marker.size(), "%llu;%llu", &start, &end), 2)
            << auth;
        EXPECT_GE(static_cast<int64_t>(start), before + w.offset);
        EXPECT_LE(static_cast<int64_t>(start), after + w.offset);
        EXPECT_EQ(end, start + w.expiry);
        EXPECT_EQ(auth, RequestSigner::SignForWindow("id", "key", "GET", "/a", headers, {}, {},
                                                     start, end));
    }
}

}  // namespace
}  // namespace objstore

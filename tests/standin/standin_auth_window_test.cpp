// The signing window against the service's clock, to the millisecond: the
// window's whole seconds, widened by the allowance for clock skew.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <Poco/Net/NameValueCollection.h>

#include "request_auth.h"
#include "util/request_signer.h"

namespace standin_test {
namespace {

constexpr uint64_t kStart = 1760000000;  // the window's first second
constexpr uint64_t kEnd = kStart + 600;  // its last second
constexpr uint64_t kSkewMs = standin::kClockSkewSeconds * 1000;

struct WindowCase {
    const char* name;
    uint64_t nowMs;
    const char* code;  // "" when accepted
};

const WindowCase kWindowCases[] = {
    {"first millisecond of the first second", kStart * 1000, ""},
    {"last millisecond before the first second", kStart * 1000 - 1, ""},
    {"earliest time the skew allows", kStart * 1000 - kSkewMs, ""},
    {"one millisecond before the skew allows", kStart * 1000 - kSkewMs - 1, "RequestTimeTooSkewed"},
    {"an hour early", (kStart - 3600) * 1000, "RequestTimeTooSkewed"},
    {"last millisecond of the last second", (kEnd + 1) * 1000 - 1, ""},
    {"latest time the skew allows", (kEnd + 1) * 1000 + kSkewMs - 1, ""},
    {"as the skew runs out", (kEnd + 1) * 1000 + kSkewMs, "AccessDenied"},
    {"an hour late", (kEnd + 3600) * 1000, "AccessDenied"},
};

TEST(StandinAuthWindow, WindowIsWidenedByTheSkewAllowanceOnBothEnds) {
    const standin::Credentials credentials{"AKIDwindow", "window-secret"};
    const std::map<std::string, std::string> headers = {{"Host", "pkgs.example"}};
    Poco::Net::NameValueCollection received;
    received.set("Host", "pkgs.example");
    received.set("Authorization", objstore::RequestSigner::SignForWindow(
                                      credentials.secretId, credentials.secretKey, "GET", "/a.bin",
                                      headers, {}, {}, kStart, kEnd));
    for (const WindowCase& c : kWindowCases) {
        SCOPED_TRACE(c.name);
        const standin::AuthVerdict verdict =
            standin::VerifyAuthorization(credentials, "GET", "/a.bin", received, {}, c.nowMs);
        EXPECT_EQ(*c.code == '\0', verdict.ok) << verdict.message;
        EXPECT_EQ(c.code, verdict.code);
    }
}

TEST(StandinAuthWindow, WindowsNearTheLargestTimeDoNotWrap) {
    const standin::Credentials credentials{"AKIDwindow", "window-secret"};
    Poco::Net::NameValueCollection received;
    // A window ending at the largest second the service reads never ends, and one
    // beginning there never begins; neither may wrap round to "now".
    const std::string fields =
        "q-sign-algorithm=sha1&q-ak=AKIDwindow&q-header-list=&"
        "q-url-param-list=&q-signature=" +
        std::string(40, 'a');
    received.set("Authorization", fields +
                                      "&q-sign-time=9999999999999999999;9999999999999999999"
                                      "&q-key-time=9999999999999999999;9999999999999999999");
    const standin::AuthVerdict early =
        standin::VerifyAuthorization(credentials, "GET", "/a.bin", received, {}, kStart * 1000);
    EXPECT_EQ("RequestTimeTooSkewed", early.code);
    received.set("Authorization", fields +
                                      "&q-sign-time=0;9999999999999999999"
                                      "&q-key-time=0;9999999999999999999");
    const standin::AuthVerdict open =
        standin::VerifyAuthorization(credentials, "GET", "/a.bin", received, {}, kStart * 1000);
    EXPECT_EQ("SignatureDoesNotMatch", open.code);  // past the window checks
}

}  // namespace
}  // namespace standin_test

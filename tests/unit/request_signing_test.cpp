// Headers of a request sent many times are signed again before their window ends.
#include <gtest/gtest.h>

#include "op/request_signing.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

TEST(RepeatedRequestSigner, SignsAgainOnceHalfTheWindowHasPassed) {
    uint64_t now = 1000000;
    RepeatedRequestSigner::Request request;
    request.secretId = "id";
    request.secretKey = "key";
    request.method = "GET";
    request.path = "/a.zip";
    request.headers = {{"Host", "h"}, {"If-Match", "\"e\""}};
    RepeatedRequestSigner signer(request, [&now] { return now; });
    ASSERT_TRUE(signer.SignNow());
    const std::string first = signer.Headers().at("Authorization");
    EXPECT_NE(first.find("q-sign-time=1000000;1003600"), std::string::npos) << first;
    EXPECT_EQ(signer.Headers().at("If-Match"), "\"e\"");

    now += 1799;  // still in the first half of the 3600 s window
    EXPECT_EQ(signer.Headers().at("Authorization"), first);
    now += 1;
    const std::string second = signer.Headers().at("Authorization");
    EXPECT_NE(second.find("q-sign-time=1001800;1005400"), std::string::npos) << second;
    EXPECT_EQ(signer.SignedAt(), 1001800u);

    RepeatedRequestSigner::Request noKey = request;
    noKey.secretKey.clear();
    EXPECT_FALSE(RepeatedRequestSigner(noKey).SignNow());
}

}  // namespace
}  // namespace objstore

// HTTPS: with --tls-cert and --tls-key the stand-in answers over TLS only. curl, a client none
// of us wrote, checks the certificate chain against a test CA that the openssl command makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "standin_fixture.h"

namespace standin_test {
namespace {

const char kMakeCertificates[] =
    "set -e; ec='-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2';"
    "openssl req -x509 $ec -keyout ca.key -out ca.pem -subj '/CN=Stand-in Test CA' 2>/dev/null;"
    "openssl req -x509 $ec -keyout other.key -out other.pem -subj '/CN=Other CA' 2>/dev/null;"
    "openssl req $ec -keyout server.key -out server.csr -subj '/CN=127.0.0.1' 2>/dev/null;"
    "printf 'subjectAltName=IP:127.0.0.1\\n' > server.ext;"
    "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
    " -extfile server.ext -out server.pem 2>/dev/null";

class StandinTls : public StandinTest {
  protected:
    void SetUp() override {
        const std::string command = "cd '" + dir.UnixPath() + "' && " + kMakeCertificates;
        ASSERT_EQ(std::system(command.c_str()), 0);
        settings.extraArgs = {"--tls-cert", dir.UnixPathOf("server.pem"), "--tls-key",
                              dir.UnixPathOf("server.key")};
        object = Put("a.bin", std::string(100000, 'x') + "tail");
        Start();
    }

    // curl's exit status, HTTP status and body for a signed GET of a.bin over HTTPS.
    struct CurlResult {
        int exit = -1;
        std::string status, body;
    };
    CurlResult Curl(const std::string& caFile, const std::string& range) {
        Request request;
        request.key = "a.bin";
        if (!range.empty()) request.headers["Range"] = range;
        std::string command = "curl -s --cacert '" + dir.UnixPathOf(caFile) +
                              "' -H 'Host: " + settings.BucketHost() +
                              "' -H 'Authorization: " + Authorization(settings, request) + "'";
        if (!range.empty()) command += " -H 'Range: " + range + "'";
        command += " -o '" + dir.UnixPathOf("body") +
                   "' -w '%{http_code}' https://127.0.0.1:" + std::to_string(server->Port()) +
                   "/a.bin";
        CurlResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return result;
        char buffer[64] = {};
        while (fgets(buffer, sizeof buffer, pipe)) result.status += buffer;
        result.exit = WEXITSTATUS(pclose(pipe));
        result.body = result.exit == 0 ? objstore::test::ReadFile(dir.PathOf("body")) : "";
        return result;
    }

    std::string object;
};

TEST_F(StandinTls, CurlTrustingTheTestCaGetsObjectsAndRanges) {
    const struct {
        const char* ca;
        const char* range;
        int exit;
        const char* status;
        std::string body;
    } cases[] = {
        {"ca.pem", "", 0, "200", object},
        {"ca.pem", "bytes=100000-", 0, "206", "tail"},
        {"other.pem", "", 60, "000", ""},  // 60: the peer's certificate cannot be verified
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ca) + " " + c.range);
        const CurlResult result = Curl(c.ca, c.range);
        EXPECT_EQ(result.exit, c.exit);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.body, c.body);
    }
    // Requests that got through TLS are served and logged as over HTTP.
    EXPECT_EQ(Log().size(), 2u);
}

TEST_F(StandinTls, PlainHttpGetsNoAnswer) {
    Request request;
    request.key = "a.bin";
    const Reply reply = Send(request);
    EXPECT_FALSE(reply.answered && reply.status == 200);
    EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace standin_test

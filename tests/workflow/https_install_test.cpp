// A brand that asks for HTTPS with its own CA bundle, against the stand-in serving TLS with a
// certificate made for the test by the openssl command: the brand's CA lets the sample release
// install, another CA stops the first download.
#include <gtest/gtest.h>

#include "install_fixture.h"
#include "workflow_fixture.h"

namespace workflowtest {
namespace {

// A test CA, a server certificate it signs for 127.0.0.1 and a second CA that signed nothing.
const char kMakeCertificates[] =
    "set -e; ec='-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2';"
    "openssl req -x509 $ec -keyout ca.key -out ca.pem -subj '/CN=Bucket Test CA';"
    "openssl req -x509 $ec -keyout other-ca.key -out other-ca.pem -subj '/CN=Other Test CA';"
    "openssl req $ec -keyout server.key -out server.csr -subj '/CN=127.0.0.1';"
    "printf 'subjectAltName=IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > server.ext;"
    "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
    " -extfile server.ext -out server.pem";

class HttpsInstallTest : public InstallWorkerTest {
  protected:
    void SetUp() override {
        InstallWorkerTest::SetUp();
        const std::string tls = wintest::HostPathOf(wintest::Wide(dir / "tls"));
        std::string out;
        ASSERT_TRUE(wintest::RunHostShell(
            "mkdir -p '" + tls + "' && cd '" + tls + "' && " + kMakeCertificates + " 2>&1", out,
            dir))
            << out;
        standinArgs = {"--tls-cert", tls + "/server.pem", "--tls-key", tls + "/server.key"};
    }
    std::string Pem(const char* name) {
        return wintest::ReadBytes(dir / (std::string("tls\\") + name));
    }
};

struct HttpsCase {
    const char* name;  // a test name
    const char* caFile;
    DWORD result;
    std::vector<LPARAM> steps;
};

void PrintTo(const HttpsCase& c, std::ostream* out) {
    *out << c.name;
}

const HttpsCase kHttpsCases[] = {
    {"TheBrandsCaOpensTheConnection", "ca.pem", 1, {2, 3, 4, 6, 7, 9, 8, 12, 13, 14}},
    {"AnotherCaStopsTheFirstDownload", "other-ca.pem", 0, {2}},
};

class HttpsInstallCase : public HttpsInstallTest,
                         public ::testing::WithParamInterface<HttpsCase> {};

TEST_P(HttpsInstallCase, InstallsOnlyWithTheRightCa) {
    const HttpsCase& c = GetParam();
    state.httpsCaBundle = Pem(c.caFile);
    ASSERT_NE(state.httpsCaBundle.find("-----BEGIN CERTIFICATE-----"), std::string::npos);
    StartService();
    EXPECT_EQ(PrepareInstall(), c.result == 1);
    EXPECT_EQ(RunWorker(), c.result);
    EXPECT_EQ(Steps(), c.steps);
    if (c.result == 1) {
        EXPECT_EQ(TreeOf(installDir), SampleInstalledTree());
        return;
    }
    const std::vector<std::string> log = LogTexts();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "8.5/base.zip,文件不存在");
    EXPECT_EQ(log.back(), "下载服务依赖库失败");
    EXPECT_EQ(TreeOf(installDir), std::vector<std::string>{"old.txt"});
}

INSTANTIATE_TEST_SUITE_P(Tls, HttpsInstallCase, ::testing::ValuesIn(kHttpsCases),
                         [](const ::testing::TestParamInfo<HttpsCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(HttpsInstallTest, APlainHttpBrandCannotTalkToTheTlsService) {
    StartService();
    EXPECT_FALSE(PrepareInstall());
    EXPECT_EQ(RunWorker(), 0u);
    EXPECT_EQ(Steps(), std::vector<LPARAM>{2});
}

}  // namespace
}  // namespace workflowtest

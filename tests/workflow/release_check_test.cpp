// A brand with a release key against the stand-in serving the sample release signed with the
// build tree's throwaway key: the good release installs; a release that does not match its
// signature fails at the step that meets the fault, before anything of it is unpacked.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "extract_test_support.h"
#include "install_fixture.h"
#include "workflow/brand_trust.h"
#include "workflow/integrity/release_signature.h"
#include "workflow/storage_settings.h"
#include "workflow_fixture.h"
#include "zip_writer.h"

namespace workflowtest {
namespace {

const char kFixKey[] = "8.5/fix/fix-8.5.0-sample.zip";

std::string KeyFile(const char* name) {
    return wintest::ReadBytes(wintest::WindowsPathOfHost(std::string(SAMPLE_KEYS_DIR "/") + name));
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class SignedReleaseTest : public InstallWorkerTest {
  protected:
    void SetUp() override {
        InstallWorkerTest::SetUp();
        UseBucket(SIGNED_BUCKET_DIR);
        state.releaseCheck.publicKey = KeyFile("release_key.pub");
        ASSERT_TRUE(integrity::IsPublicKeyPem(state.releaseCheck.publicKey));
    }

  public:
    std::string Summary() { return wintest::ReadBytes(ObjectPath("8.5/summary.ini")); }
    void WriteSummary(const std::string& text) {
        ASSERT_TRUE(wintest::WriteBytes(ObjectPath("8.5/summary.ini"), text));
    }
    // Signs the bucket's summary as it now is with a private key.
    void Sign(const std::string& privateKey) {
        std::string signature, error;
        ASSERT_TRUE(integrity::SignMessage(privateKey, Summary(), &signature, &error)) << error;
        ASSERT_TRUE(wintest::WriteBytes(ObjectPath("8.5/summary.ini.sig"), signature));
    }
    // The summary without the line that starts with `prefix`, signed again with the right key.
    void DropLineAndSign(const std::string& prefix) {
        std::string text = Summary();
        const size_t at = text.find("\n" + prefix);
        ASSERT_NE(at, std::string::npos) << prefix;
        text.erase(at + 1, text.find('\n', at + 1) - at);
        WriteSummary(text);
        Sign(KeyFile("release_key.pem"));
    }
};

TEST(BrandReleaseKey, TheSampleBrandHasNoKeySoItsReleasesGoUnchecked) {
    EXPECT_STREQ(BrandReleaseKey(), "");
    IClient state;
    LoadStorageSettings(state);
    EXPECT_FALSE(state.releaseCheck.Active());
}

TEST_F(SignedReleaseTest, AGoodSignedReleaseInstallsAndItsSignatureLeavesNothingBehind) {
    StartService();
    ASSERT_TRUE(PrepareInstall());
    EXPECT_TRUE(state.releaseCheck.summaryVerified);
    EXPECT_EQ(state.releaseCheck.digests.count(kFixKey), 1u);
    EXPECT_STREQ(state.fixName, "fix-8.5.0-sample");
    ASSERT_EQ(RunWorker(), 1u);
    EXPECT_EQ(Steps(), (std::vector<LPARAM>{2, 3, 4, 6, 7, 9, 8, 12, 13, 14}));
    // The signature is no planned download: the bar and the count are those of an unsigned run.
    EXPECT_EQ(state.finishedDownloads, 4);
    EXPECT_EQ(state.progress.load(), 80);
    EXPECT_EQ(TreeOf(installDir), SampleInstalledTree());
    const std::vector<std::string> log = LogTexts();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "下载前端依赖库") << "a keyed build does not announce an unchecked run";
    for (const std::string& line : log) {
        EXPECT_FALSE(StartsWith(line, "Signature Fail") || StartsWith(line, "Digest Fail")) << line;
    }
}

// One way a release can differ from what was signed, and where the installation stops.
struct TamperCase {
    const char* name;  // a test name
    std::function<void(SignedReleaseTest&)> tamper;
    std::vector<std::string> faults;
    bool summaryRead;
    std::vector<LPARAM> steps;
    std::string failureLine;
    std::string reasonPrefix;  // a line of the log begins with it
    const char* deletedFile;   // a staged file that must not stay ("" for none)
};

void PrintTo(const TamperCase& c, std::ostream* out) {
    *out << c.name;
}

class TamperedRelease : public SignedReleaseTest {
  protected:
    // The digest line names two different digests, each a size and 64 hexadecimal digits.
    static void ExpectTwoDigests(const std::vector<std::string>& log) {
        const std::regex line(
            "Digest Fail,object:[^,]+,expected:([0-9]+) bytes sha256:([0-9a-f]{64}),"
            "received:([0-9]+) bytes sha256:([0-9a-f]{64})");
        for (const std::string& text : log) {
            std::smatch parts;
            if (!std::regex_match(text, parts, line)) continue;
            EXPECT_NE(parts[2].str(), parts[4].str()) << text;
            return;
        }
        ADD_FAILURE() << "no digest line with both digests";
    }

    void Check(const TamperCase& c) {
        SCOPED_TRACE(c.name);
        c.tamper(*this);
        StartService(c.faults);
        EXPECT_EQ(PrepareInstall(), c.summaryRead);
        EXPECT_EQ(RunWorker(), 0u);
        EXPECT_EQ(Steps(), c.steps);
        const std::vector<Posted> posted = PostedMessages();
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted.back(), (Posted{WM_INSTALL_FAILED, c.steps.back()}));
        const std::vector<std::string> log = LogTexts();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.back(), c.failureLine);
        const bool reasonLogged = std::any_of(log.begin(), log.end(), [&](const std::string& l) {
            return StartsWith(l, c.reasonPrefix);
        });
        EXPECT_TRUE(reasonLogged) << "no line begins with " << c.reasonPrefix;
        if (c.reasonPrefix.find(",expected:") != std::string::npos) ExpectTwoDigests(log);
        // Nothing unpacked: the staging folder holds at most downloaded files, the old
        // installation is as it was.
        for (const std::string& entry : TreeOf(stagingDir)) {
            EXPECT_EQ(entry.find('\\'), std::string::npos) << entry;
            EXPECT_NE(entry, "update.ini");
        }
        if (*c.deletedFile != '\0') {
            EXPECT_FALSE(wintest::Exists(stagingDir + "\\" + c.deletedFile)) << c.deletedFile;
        }
        EXPECT_EQ(TreeOf(installDir), std::vector<std::string>{"old.txt"});
        EXPECT_FALSE(wintest::Exists(dir / "TallowindDependBaseV8.5"));
    }
};

const char kSignatureOther[] =
    "Signature Fail,object:8.5/summary.ini,reason:the signature does "
    "not verify with this build's key";

const TamperCase kTamperCases[] = {
    {"RuntimePackageReplacedOnItsWay",
     [](SignedReleaseTest&) {},
     {"replace,key=8.5/fix/fix-8.5.0-sample.zip,method=GET"},
     true,
     {2, 3, 4},
     "下载运行库失败",
     std::string("Digest Fail,object:") + kFixKey + ",expected:",
     "fix-8.5.0-sample.zip"},
    {"ServicePackageReplacedInTheBucketAfterSigning",
     [](SignedReleaseTest& t) {
         ASSERT_TRUE(WriteTestZip(t.ObjectPath("8.5/base.zip"), {{"lib/evil.dat", "x"}}));
     },
     {},
     true,
     {2},
     "下载服务依赖库失败",
     "Digest Fail,object:8.5/base.zip,expected:",
     "base.zip"},
    {"ConfigurationPackageTruncatedByTheServer",
     [](SignedReleaseTest&) {},
     {"truncate,key=8.5/config.zip,method=GET"},
     true,
     {2, 3},
     "下载配置文件失败",
     "Downfile Fail,code:",
     ""},
    {"SummaryChangedAfterSigning",
     [](SignedReleaseTest& t) {
         std::string text = t.Summary();
         const size_t at = text.find("000001=fix-8.5.0-sample");
         ASSERT_NE(at, std::string::npos);
         text.replace(at, 23, "000001=fix-8.5.0-other");
         t.WriteSummary(text);
     },
     {},
     false,
     {2},
     "下载服务依赖库失败",
     kSignatureOther,
     ""},
    {"MissingSignature",
     [](SignedReleaseTest& t) {
         ASSERT_TRUE(DeleteFileA(t.ObjectPath("8.5/summary.ini.sig").c_str()));
     },
     {},
     false,
     {2},
     "下载服务依赖库失败",
     "Signature Fail,object:8.5/summary.ini,reason:no signature object",
     ""},
    {"SignatureByAnotherKey",
     [](SignedReleaseTest& t) {
         integrity::KeyPairPem other;
         std::string error;
         ASSERT_TRUE(integrity::GenerateKeyPair(&other, &error)) << error;
         t.Sign(other.privateKey);
     },
     {},
     false,
     {2},
     "下载服务依赖库失败",
     kSignatureOther,
     ""},
    {"DigestSectionWithoutTheRuntimePackage",
     [](SignedReleaseTest& t) { t.DropLineAndSign(kFixKey); },
     {},
     true,
     {2, 3, 4},
     "下载运行库失败",
     std::string("Digest Fail,object:") + kFixKey + ",reason:not in the signed summary",
     "fix-8.5.0-sample.zip"},
};

class TamperedReleaseCase : public TamperedRelease,
                            public ::testing::WithParamInterface<TamperCase> {};

TEST_P(TamperedReleaseCase, StopsAtTheStepThatMeetsItWithNothingUnpacked) {
    Check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signed, TamperedReleaseCase, ::testing::ValuesIn(kTamperCases),
                         [](const ::testing::TestParamInfo<TamperCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(TamperedRelease, AnUnreadSummaryLeavesEveryValueEmpty) {
    Check({"changed summary",
           [](SignedReleaseTest& t) { t.WriteSummary(t.Summary() + "\r\n[fixstamp]\r\n"); },
           {},
           false,
           {2},
           "下载服务依赖库失败",
           kSignatureOther,
           ""});
    EXPECT_STREQ(state.fixName, "");
    EXPECT_STREQ(state.quantName, "");
    EXPECT_EQ(state.cfgStamp, 0);
    EXPECT_FALSE(state.releaseCheck.summaryVerified);
    EXPECT_TRUE(state.releaseCheck.digests.empty());
}

TEST_F(TamperedRelease, WithTheFrontEndPackageWantedItsStepIsTheOneThatFails) {
    state.downloadDepend = true;
    Check({"missing signature, front-end package wanted",
           [](SignedReleaseTest& t) {
               ASSERT_TRUE(DeleteFileA(t.ObjectPath("8.5/summary.ini.sig").c_str()));
           },
           {},
           false,
           {1},
           "下载前端依赖库失败",
           "8.5/summary.ini.sig,文件不存在",
           ""});
}

}  // namespace
}  // namespace workflowtest

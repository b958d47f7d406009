// Signed releases: objstore-release-keygen makes the key pair, the builder's --signing-key adds
// the digest section and the signature. The openssl command and sha256sum check the result as
// readers none of us wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "release_sources.h"
#include "win_test_support.h"
#include "workflow/integrity/digest_section.h"

namespace release_test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The key pair of a firm, made by the key tool in the test folder (outside every package).
struct KeyPair {
    std::string privateKey, publicKey;
};
KeyPair MakeKeys(const ReleaseSources& sources, const std::string& name) {
    KeyPair keys{sources.PathOf(name + ".pem"), sources.PathOf(name + ".pub")};
    const ProgramResult made = RunProgram(
        RELEASE_KEYGEN_PATH, {"--private-key", keys.privateKey, "--public-key", keys.publicKey});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return keys;
}

ProgramResult OpensslVerify(const std::string& publicKey, const std::string& summary,
                            const std::string& signature) {
    return RunProgram(OPENSSL_PATH, {"pkeyutl", "-verify", "-pubin", "-inkey", publicKey, "-rawin",
                                     "-in", summary, "-sigfile", signature});
}

TEST(ReleaseSigning, TheKeyToolWritesAPairOnceWithThePrivateHalfForItsOwnerOnly) {
    ReleaseSources sources;
    const KeyPair keys = MakeKeys(sources, "firm");
    struct stat info {};
    ASSERT_EQ(stat(keys.privateKey.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadFile(keys.publicKey).rfind("-----BEGIN PUBLIC KEY-----\n", 0), 0u);
    // The openssl command reads both halves as one Ed25519 pair.
    const ProgramResult derived =
        RunProgram(OPENSSL_PATH, {"pkey", "-in", keys.privateKey, "-pubout"});
    EXPECT_EQ(derived.out, ReadFile(keys.publicKey));

    const std::string before = ReadFile(keys.privateKey);
    const ProgramResult again = RunProgram(
        RELEASE_KEYGEN_PATH, {"--private-key", keys.privateKey, "--public-key", keys.publicKey});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("cannot create"), std::string::npos) << again.err;
    EXPECT_EQ(ReadFile(keys.privateKey), before) << "an existing key is never overwritten";
    EXPECT_EQ(RunProgram(RELEASE_KEYGEN_PATH, {"--private-key", "x"}).exitCode, 2);
}

TEST(ReleaseSigning, ASignedReleaseVerifiesWithTheOpensslCommandAndListsEveryPackage) {
    ReleaseSources sources;
    const KeyPair keys = MakeKeys(sources, "firm");
    ReleaseArgs unsigned_ = sources.FullArgs();
    unsigned_.output = sources.PathOf("plain");
    ASSERT_EQ(RunBuilder(unsigned_).exitCode, 0);
    ReleaseArgs args = sources.FullArgs();
    args.extra = {"--signing-key", keys.privateKey};
    const ProgramResult built = RunBuilder(args);
    ASSERT_EQ(built.exitCode, 0) << built.err;
    EXPECT_NE(built.out.find("8.5/summary.ini.sig"), std::string::npos) << built.out;

    const std::string bucket = sources.PathOf("bucket");
    const std::string summary = bucket + "/8.5/summary.ini";
    EXPECT_EQ(OpensslVerify(keys.publicKey, summary, summary + ".sig").exitCode, 0);
    // Another firm's key does not verify it.
    const KeyPair other = MakeKeys(sources, "other");
    EXPECT_NE(OpensslVerify(other.publicKey, summary, summary + ".sig").exitCode, 0);

    // The summary is the unsigned one with the digest section after it.
    const std::string text = ReadFile(summary);
    const std::string plain = ReadFile(sources.PathOf("plain/8.5/summary.ini"));
    EXPECT_EQ(text.compare(0, plain.size(), plain), 0) << text;
    const std::string header = "\r\n[digests]\r\n";
    EXPECT_EQ(text.compare(plain.size(), header.size(), header), 0) << text;

    // Every package is listed with the size and the SHA-256 that sha256sum computes, read back
    // by the profile functions too.
    const std::vector<std::string> keysInBucket = {"8.5/depend.zip", "8.5/base.zip",
                                                   "8.5/config.zip", "8.5/fix/fix-8.5.0-test.zip",
                                                   "8.5/quant/quant-8.5.0-t.zip"};
    const integrity::DigestMap digests = integrity::ReadDigestSection(text);
    EXPECT_EQ(digests.size(), keysInBucket.size());
    for (const std::string& key : keysInBucket) {
        SCOPED_TRACE(key);
        const std::string path = bucket + "/" + key;
        const ProgramResult sum = RunProgram(SHA256SUM_PATH, {path});
        ASSERT_EQ(sum.exitCode, 0);
        const std::string expected =
            std::to_string(std::filesystem::file_size(path)) + "," + sum.out.substr(0, 64);
        ASSERT_EQ(digests.count(key), 1u);
        EXPECT_EQ(integrity::DigestValue(digests.at(key)), expected);
        char value[101] = {};
        GetPrivateProfileStringA("digests", key.c_str(), "", value, sizeof value,
                                 wintest::WindowsPathOfHost(summary).c_str());
        EXPECT_EQ(value, expected);
    }
}

TEST(ReleaseSigning, WithoutAKeyTheReleaseHasNeitherDigestsNorSignature) {
    ReleaseSources sources;
    ASSERT_EQ(RunBuilder(sources.FullArgs()).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(sources.PathOf("bucket/8.5/summary.ini.sig")));
    EXPECT_EQ(ReadFile(sources.PathOf("bucket/8.5/summary.ini")).find("[digests]"),
              std::string::npos);
}

struct BadKey {
    const char* what;
    std::function<std::string(const ReleaseSources&)> keyFile;
    const char* message;
};

TEST(ReleaseSigning, AKeyThatCannotSignOrWouldBePublishedIsRefusedWithNothingWritten) {
    const auto opensslKey = [](const ReleaseSources& s, const std::string& name,
                               std::vector<std::string> args) {
        const std::string path = s.PathOf(name);
        args.insert(args.end(), {"-out", path});
        EXPECT_EQ(RunProgram(OPENSSL_PATH, args).exitCode, 0);
        return path;
    };
    const BadKey cases[] = {
        {"missing key file", [](const ReleaseSources& s) { return s.PathOf("none.pem"); },
         "cannot read the signing key"},
        {"the public half", [](const ReleaseSources& s) { return MakeKeys(s, "firm").publicKey; },
         "is not an unencrypted Ed25519 private key in PEM form"},
        {"an encrypted key",
         [&](const ReleaseSources& s) {
             return opensslKey(s, "locked.pem",
                               {"genpkey", "-algorithm", "ed25519", "-aes256", "-pass", "pass:x"});
         },
         "is not an unencrypted Ed25519 private key in PEM form"},
        {"an RSA key",
         [&](const ReleaseSources& s) {
             return opensslKey(
                 s, "rsa.pem",
                 {"genpkey", "-algorithm", "rsa", "-pkeyopt", "rsa_keygen_bits:1024"});
         },
         "is not an unencrypted Ed25519 private key in PEM form"},
        {"a key inside the product folder",
         [&](const ReleaseSources& s) {
             return opensslKey(s, "product/firm.pem", {"genpkey", "-algorithm", "ed25519"});
         },
         "lies inside the --product folder and would be published"},
    };
    for (const BadKey& bad : cases) {
        SCOPED_TRACE(bad.what);
        ReleaseSources sources;
        ReleaseArgs args = sources.MinimalArgs();
        args.extra = {"--signing-key", bad.keyFile(sources)};
        const std::vector<std::string> before = TreeBelow(sources.Dir().Path());
        const ProgramResult result = RunBuilder(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
        EXPECT_EQ(TreeBelow(sources.Dir().Path()), before);
    }
}

}  // namespace
}  // namespace release_test

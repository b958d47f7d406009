#include "workflow/release_check.h"

#include <cstdio>
#include <fstream>
#include <optional>

#include "platform/host_path.h"
#include "system/file_helpers.h"
#include "system/install_log.h"
#include "workflow/install_state.h"
#include "workflow/integrity/release_signature.h"

const char kUncheckedReleaseLine[] =
    "Release check off: this build has no release key, packages are not verified";

namespace {

// A summary is a few hundred bytes; anything far larger is not one.
constexpr size_t kMaxSummaryBytes = 1 << 20;

// The whole file, or nothing when it cannot be read or exceeds `limit` bytes.
std::optional<std::string> ReadSmallFile(const std::string& windowsPath, size_t limit) {
    std::ifstream in(HostFilePath(windowsPath), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        bytes.append(block, static_cast<size_t>(in.gcount()));
        if (bytes.size() > limit) return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::string DigestText(const integrity::ObjectDigest& digest) {
    return std::to_string(digest.size) + " bytes sha256:" + digest.sha256;
}

bool SignatureFailure(const std::string& summaryKey, const char* reason) {
    std::string line = "Signature Fail,object:" + summaryKey + ",reason:" + reason;
    WriteLogLine(line.c_str());
    return false;
}

}  // namespace

bool VerifySummary(IClient& state, const std::string& summaryPath, const std::string& signaturePath,
                   bool signatureFetched) {
    ReleaseCheck& check = state.releaseCheck;
    check.summaryVerified = false;
    check.digests.clear();
    const std::string summaryKey = state.keyPrefix + "/summary.ini";
    if (!signatureFetched) return SignatureFailure(summaryKey, "no signature object");
    std::optional<std::string> summary = ReadSmallFile(summaryPath, kMaxSummaryBytes);
    std::optional<std::string> signature = ReadSmallFile(signaturePath, integrity::kSignatureSize);
    if (!summary || !signature) return SignatureFailure(summaryKey, "cannot read the files");
    if (!integrity::VerifyMessage(check.publicKey, *summary, *signature)) {
        return SignatureFailure(summaryKey, "the signature does not verify with this build's key");
    }
    check.digests = integrity::ReadDigestSection(*summary);
    check.summaryVerified = true;
    return true;
}

bool PackageIsListed(const IClient& state, const std::string& key) {
    if (state.releaseCheck.digests.count(key) != 0) return true;
    std::string line = "Digest Fail,object:" + key + ",reason:not in the signed summary";
    WriteLogLine(line.c_str());
    return false;
}

bool PackageMatchesSummary(const IClient& state, const std::string& key,
                           const std::string& localPath) {
    const integrity::ObjectDigest& expected = state.releaseCheck.digests.at(key);
    std::optional<integrity::ObjectDigest> received =
        integrity::DigestOfFile(HostFilePath(localPath));
    if (received && *received == expected) return true;
    std::string line = "Digest Fail,object:" + key + ",expected:" + DigestText(expected) +
                       ",received:" + (received ? DigestText(*received) : "unreadable file");
    WriteLogLine(line.c_str());
    DeletePath(localPath.c_str());
    return false;
}

// The installer's checks of a signed release. A brand with a release key (BrandReleaseKey)
// installs only a release whose summary carries a valid Ed25519 signature of that key in
// "summary.ini.sig", and unpacks a package only when its size and SHA-256 are those the signed
// summary's digest section gives for its object key. A brand without a key installs releases
// unchecked, as the summary names them.
#pragma once

#include <string>

#include "workflow/integrity/digest_section.h"

struct IClient;

// What the checks know of the release being installed; part of IClient.
struct ReleaseCheck {
    std::string publicKey;         // PEM; "" for a brand without a release key
    bool summaryVerified = false;  // the downloaded summary's signature verified
    integrity::DigestMap digests;  // the digest section of the verified summary

    bool Active() const { return !publicKey.empty(); }
};

// The line at the start of the install log of a build without a release key.
extern const char kUncheckedReleaseLine[];

// Reads the summary and signature files (Windows paths) and verifies the signature with the
// brand's key. On success fills state.releaseCheck.digests, sets summaryVerified and returns
// true; otherwise logs "Signature Fail,..." with the reason and returns false. signatureFetched
// false means the signature object could not be downloaded.
bool VerifySummary(IClient& state, const std::string& summaryPath, const std::string& signaturePath,
                   bool signatureFetched);

// Before a package is fetched: true when the verified summary has a digest for the key;
// otherwise logs "Digest Fail,object:KEY,..." and returns false.
bool PackageIsListed(const IClient& state, const std::string& key);

// After a package was fetched: true when the file has the size and SHA-256 the summary gives;
// otherwise logs the object, the expected and the received digest, deletes the file and returns
// false.
bool PackageMatchesSummary(const IClient& state, const std::string& key,
                           const std::string& localPath);

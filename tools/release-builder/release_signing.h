// Signing a release: the digest section of its summary and the detached Ed25519 signature of
// the summary's exact bytes, written as the object "8.5/summary.ini.sig".
#pragma once

#include <string>
#include <vector>

#include "workflow/integrity/digest_section.h"

namespace release_builder {

// Reads the firm's private key from `path` into *key. Returns "" or the problem, worded for the
// publisher (missing file, not an unencrypted Ed25519 private key in PEM form).
std::string ReadSigningKey(const std::string& path, std::string* key);

// The summary with the digest section of the written packages appended: the bytes that are
// signed and published.
std::string SummaryWithDigests(const std::string& summaryText,
                               const integrity::DigestList& digests);

// The size and SHA-256 of each written package file (object key -> file below `folder`).
// False, with *error, when a file cannot be read.
bool DigestPackages(const std::string& folder, const std::vector<std::string>& objectKeys,
                    integrity::DigestList* digests, std::string* error);

}  // namespace release_builder

// The digest section of a signed version summary: one line per object of the release, keyed by
// the object key, so that one summary serves every package code:
//
//   [digests]
//   8.5/base.zip=1048576,<64 lowercase hex digits of its SHA-256>
//
// The section is part of the signed bytes; the installer reads it only from a summary whose
// signature verified.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workflow/integrity/object_digest.h"

namespace integrity {

constexpr char kDigestSection[] = "digests";

using DigestList = std::vector<std::pair<std::string, ObjectDigest>>;  // object key, digest
using DigestMap = std::map<std::string, ObjectDigest>;

// "size,sha256" for a line's value.
std::string DigestValue(const ObjectDigest& digest);
// The digest of a value: a decimal size without sign or leading zeros (0 alone is allowed),
// ",", 64 hexadecimal digits (either case; kept in lowercase). Nothing for any other text.
std::optional<ObjectDigest> ParseDigestValue(const std::string& value);

// The section's text with CRLF line ends, the objects in the given order.
std::string DigestSectionText(const DigestList& digests);

// The digests of every section named "digests" (any case) of a profile-format text. Keys keep
// their case (object keys are case-sensitive); white space around keys and values is dropped;
// for a key given twice the first line counts, as the profile functions read it. A line whose
// value is no digest is left out, so that its object reads as missing.
DigestMap ReadDigestSection(const std::string& summaryText);

}  // namespace integrity

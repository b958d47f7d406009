#include "workflow/integrity/digest_section.h"

#include <cctype>
#include <sstream>

namespace integrity {
namespace {

constexpr size_t kSha256HexDigits = 64;
constexpr size_t kMaxSizeDigits = 20;  // 2^64 - 1 has 20

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::optional<uint64_t> ParseSize(const std::string& text) {
    if (text.empty() || text.size() > kMaxSizeDigits) return std::nullopt;
    if (text.size() > 1 && text[0] == '0') return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::string DigestValue(const ObjectDigest& digest) {
    return std::to_string(digest.size) + "," + digest.sha256;
}

std::optional<ObjectDigest> ParseDigestValue(const std::string& value) {
    const size_t comma = value.find(',');
    if (comma == std::string::npos) return std::nullopt;
    std::optional<uint64_t> size = ParseSize(value.substr(0, comma));
    std::string sha256 = value.substr(comma + 1);
    if (!size || sha256.size() != kSha256HexDigits) return std::nullopt;
    for (char& c : sha256) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ObjectDigest{*size, sha256};
}

std::string DigestSectionText(const DigestList& digests) {
    std::string text = std::string("[") + kDigestSection + "]\r\n";
    for (const auto& [key, digest] : digests) text += key + "=" + DigestValue(digest) + "\r\n";
    return text;
}

DigestMap ReadDigestSection(const std::string& summaryText) {
    DigestMap digests;
    std::istringstream lines(summaryText);
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            inSection = close != std::string::npos &&
                        EqualsIgnoringCase(Trim(line.substr(1, close - 1)), kDigestSection);
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, equals));
        std::optional<ObjectDigest> digest = ParseDigestValue(Trim(line.substr(equals + 1)));
        if (key.empty() || digests.count(key) != 0) continue;
        if (digest) {
            digests.emplace(key, *digest);
        } else {
            digests.emplace(key, ObjectDigest{});  // a bad line still hides any later one
        }
    }
    for (auto it = digests.begin(); it != digests.end();) {
        it = it->second.sha256.empty() ? digests.erase(it) : std::next(it);
    }
    return digests;
}

}  // namespace integrity

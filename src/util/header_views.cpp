#include "util/header_views.h"

#include <Poco/String.h>

#include <limits>

namespace objstore {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Reads decimal digits at text[pos...]; nullopt when there are none or the
// number does not fit 64 bits. pos is left after the digits.
std::optional<uint64_t> ReadNumber(const std::string& text, size_t& pos) {
    const size_t start = pos;
    uint64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        const uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
        ++pos;
    }
    if (pos == start) return std::nullopt;
    return value;
}

}  // namespace

const std::string* FindHeader(const HeaderMap& headers, const std::string& name) {
    for (const auto& [key, value] : headers) {
        if (Poco::icompare(key, name) == 0) return &value;
    }
    return nullptr;
}

std::string HeaderValue(const HeaderMap& headers, const std::string& name) {
    const std::string* value = FindHeader(headers, name);
    return value ? *value : std::string();
}

std::optional<uint64_t> ParseContentLength(const std::string& value) {
    const std::string text = Trimmed(value);
    size_t pos = 0;
    std::optional<uint64_t> number = ReadNumber(text, pos);
    if (!number || pos != text.size()) return std::nullopt;
    return number;
}

std::optional<ContentRange> ParseContentRange(const std::string& value) {
    const std::string text = Trimmed(value);
    if (Poco::icompare(text, 0, 6, "bytes ") != 0) return std::nullopt;
    size_t pos = 6;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;

    ContentRange range;
    if (pos < text.size() && text[pos] == '*') {
        ++pos;
    } else {
        std::optional<uint64_t> first = ReadNumber(text, pos);
        if (!first || pos >= text.size() || text[pos] != '-') return std::nullopt;
        ++pos;
        std::optional<uint64_t> last = ReadNumber(text, pos);
        if (!last || *last < *first) return std::nullopt;
        range.satisfied = true;
        range.first = *first;
        range.last = *last;
    }
    if (pos >= text.size() || text[pos] != '/') return std::nullopt;
    ++pos;
    if (pos < text.size() && text[pos] == '*' && pos + 1 == text.size()) {
        // An unsatisfied range must name the length.
        if (!range.satisfied) return std::nullopt;
        return range;
    }
    range.total = ReadNumber(text, pos);
    if (!range.total || pos != text.size()) return std::nullopt;
    if (range.satisfied && range.last >= *range.total) return std::nullopt;
    return range;
}

std::string UnquoteEtag(const std::string& value) {
    std::string tag = value;
    if (!tag.empty() && tag.front() == '"') tag.erase(0, 1);
    if (!tag.empty() && tag.back() == '"') tag.pop_back();
    return tag;
}

}  // namespace objstore

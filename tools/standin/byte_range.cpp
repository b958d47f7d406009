#include "byte_range.h"

#include <limits>

namespace standin {
namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Decimal digits only; values past 64 bits saturate (they lie past any object).
bool ParsePosition(const std::string& text, uint64_t* value) {
    if (text.empty()) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            result = std::numeric_limits<uint64_t>::max();
        } else {
            result = result * 10 + digit;
        }
    }
    *value = result;
    return true;
}

}  // namespace

RangeRequest ResolveRange(const std::string& header, uint64_t size) {
    RangeRequest whole;
    const std::string text = Trim(header);
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return whole;
    std::string unit = Trim(text.substr(0, eq));
    for (char& c : unit) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (unit != "bytes") return whole;
    const std::string spec = Trim(text.substr(eq + 1));
    if (spec.find(',') != std::string::npos) return whole;
    const size_t dash = spec.find('-');
    if (dash == std::string::npos) return whole;
    const std::string firstText = Trim(spec.substr(0, dash));
    const std::string lastText = Trim(spec.substr(dash + 1));

    RangeRequest out;
    uint64_t first = 0;
    uint64_t last = 0;
    if (firstText.empty()) {
        // Suffix range: the last n bytes.
        uint64_t count = 0;
        if (!ParsePosition(lastText, &count)) return whole;
        if (count == 0 || size == 0) {
            out.kind = RangeRequest::Kind::Unsatisfiable;
            return out;
        }
        first = count >= size ? 0 : size - count;
        last = size - 1;
    } else {
        if (!ParsePosition(firstText, &first)) return whole;
        if (lastText.empty()) {
            last = std::numeric_limits<uint64_t>::max();
        } else if (!ParsePosition(lastText, &last) || last < first) {
            return whole;
        }
        if (first >= size) {
            out.kind = RangeRequest::Kind::Unsatisfiable;
            return out;
        }
        if (last >= size) last = size - 1;
    }
    out.kind = RangeRequest::Kind::Partial;
    out.first = first;
    out.last = last;
    return out;
}

}  // namespace standin

#include "op/base_resp.h"

#include <limits>

#include "util/header_views.h"

namespace objstore {

std::string BaseResp::ToText() const {
    std::string text;
    for (const auto& [name, value] : m_headers) text += name + " = " + value + "\n";
    return text + m_body;
}

void BaseResp::ParseHeaders(const std::map<std::string, std::string>& headers) {
    m_headers = headers;
}

bool BaseResp::ParseBody(const std::string& body) {
    m_body = body;
    return true;
}

std::string BaseResp::GetHeader(const std::string& name) const {
    return HeaderValue(m_headers, name);
}

uint64_t BaseResp::GetContentLength() const {
    const std::string* found = FindHeader(m_headers, "Content-Length");
    if (found == nullptr) return 0;
    uint64_t value = 0;
    for (char c : *found) {
        if (c < '0' || c > '9') break;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        // A value beyond 64 bits saturates instead of wrapping to a small length.
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            return std::numeric_limits<uint64_t>::max();
        }
        value = value * 10 + digit;
    }
    return value;
}

std::string BaseResp::GetEtag() const {
    // Map order puts "ETag" before "Etag" and "etag": the first spelling wins.
    const std::string* found = FindHeader(m_headers, "ETag");
    return found ? UnquoteEtag(*found) : std::string();
}

}  // namespace objstore

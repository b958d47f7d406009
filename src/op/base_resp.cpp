#include "op/base_resp.h"

#include <limits>

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
    auto found = m_headers.find(name);
    return found == m_headers.end() ? std::string() : found->second;
}

uint64_t BaseResp::GetContentLength() const {
    auto found = m_headers.find("Content-Length");
    if (found == m_headers.end()) return 0;
    uint64_t value = 0;
    for (char c : found->second) {
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
    auto found = m_headers.find("ETag");
    if (found == m_headers.end()) found = m_headers.find("Etag");
    if (found == m_headers.end()) return "";
    std::string tag = found->second;
    if (!tag.empty() && tag.front() == '"') tag.erase(0, 1);
    if (!tag.empty() && tag.back() == '"') tag.pop_back();
    return tag;
}

}  // namespace objstore

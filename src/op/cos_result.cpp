#include "op/cos_result.h"

#include <rapidxml.hpp>

#include <cstring>
#include <vector>

#include "op/xml_nesting.h"
#include "util/client_log.h"
#include "util/cos_global_settings.h"
#include "util/header_views.h"

namespace objstore {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Error documents are two levels deep; far deeper text would exhaust the stack
// of rapidxml's recursive descent and is refused like text that does not parse.
constexpr size_t kMaxElementDepth = 64;

std::string NodeText(const rapidxml::xml_node<>* node) {
    return std::string(node->value(), node->value_size());
}

}  // namespace

bool CosResult::ParseFromHttpResponse(const std::map<std::string, std::string>& headers,
                                      const std::string& body) {
    if (const std::string* requestId = FindHeader(headers, "x-cos-request-id")) {
        m_requestId = *requestId;
    }
    if (const std::string* traceId = FindHeader(headers, "x-cos-trace-id")) m_traceId = *traceId;

    // rapidxml parses in place and needs a zero-terminated, writable copy.
    size_t skip = body.compare(0, 3, kUtf8Bom) == 0 ? 3 : 0;
    std::vector<char> text(body.begin() + static_cast<std::ptrdiff_t>(skip), body.end());
    text.push_back('\0');

    rapidxml::xml_document<> doc;
    try {
        if (DeepestXmlNesting(text.data()) > kMaxElementDepth) {
            throw rapidxml::parse_error("nesting too deep", text.data());
        }
        doc.parse<0>(text.data());
    } catch (const rapidxml::parse_error&) {
        OBJSTORE_LOG_ERR("%s:%s(%d) Parse string to xml doc error, xml_body=%s\n", body.c_str());
        return false;
    }

    const rapidxml::xml_node<>* error = doc.first_node("Error");
    if (error == nullptr) return false;

    for (const rapidxml::xml_node<>* child = error->first_node(); child != nullptr;
         child = child->next_sibling()) {
        if (child->type() != rapidxml::node_element) continue;
        const std::string name(child->name(), child->name_size());
        if (name == "Code") {
            m_errorCode = NodeText(child);
        } else if (name == "Message") {
            m_errorMsg = NodeText(child);
        } else if (name == "Resource") {
            m_resource = NodeText(child);
        } else if (name == "RequestId") {
            m_requestId = NodeText(child);
        } else if (name == "TraceId") {
            m_traceId = NodeText(child);
        } else if (name == "ServerTime") {
            m_serverTime = NodeText(child);
        } else {
            OBJSTORE_LOG_WARN("%s:%s(%d) Unknown field, field_name=%s, xml_body=%s\n", name.c_str(),
                              body.c_str());
        }
    }
    return true;
}

bool CosResult::ShouldRetryOnAlternateDomain() const {
    const bool failedStatus = m_httpStatus < 200 || m_httpStatus > 299;
    return failedStatus && m_requestId.empty() &&
           CosGlobalSettings::Instance().GetRetryOnAlternateDomain();
}

}  // namespace objstore

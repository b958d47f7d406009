#include "op/object_resp.h"

#include <Poco/String.h>

namespace objstore {
namespace {
constexpr char kMetaPrefix[] = "x-cos-meta-";
constexpr size_t kMetaPrefixLength = sizeof(kMetaPrefix) - 1;
}  // namespace

void ObjectResp::ParseHeaders(const std::map<std::string, std::string>& headers) {
    BaseResp::ParseHeaders(headers);
    for (const auto& [name, value] : headers) {
        // Names are case-insensitive on the wire; the metadata name keeps the
        // spelling the server sent.
        if (Poco::icompare(name, "x-cos-object-type") == 0) {
            m_objectType = value;
        } else if (Poco::icompare(name, 0, kMetaPrefixLength, kMetaPrefix) == 0) {
            m_metas[name.substr(kMetaPrefixLength)] = value;
        }
    }
}

std::string ObjectResp::GetXCosMeta(const std::string& name) const {
    auto found = m_metas.find(name);
    return found == m_metas.end() ? std::string() : found->second;
}

}  // namespace objstore

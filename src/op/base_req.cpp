#include "op/base_req.h"

#include "util/cos_global_settings.h"

namespace objstore {

BaseReq::BaseReq()
    : m_headers{{"User-Agent", kDefaultUserAgent}},
      m_connectTimeoutMs(CosGlobalSettings::Instance().GetConnectTimeoutMs()),
      m_receiveTimeoutMs(CosGlobalSettings::Instance().GetReceiveTimeoutMs()) {}

std::string BaseReq::GetHeader(const std::string& name) const {
    auto found = m_headers.find(name);
    return found == m_headers.end() ? std::string() : found->second;
}

}  // namespace objstore

#include "util/cos_config.h"

namespace objstore {

CosConfig::CosConfig(uint64_t appId, const std::string& secretId, const std::string& secretKey,
                     const std::string& region)
    : m_appId(appId), m_secretId(secretId), m_secretKey(secretKey), m_region(region) {}

CosConfig::CosConfig(const CosConfig& other) {
    *this = other;
}

CosConfig& CosConfig::operator=(const CosConfig& other) {
    if (this == &other) return *this;
    std::string secretId, secretKey, token;
    {
        std::lock_guard<std::mutex> guard(other.m_lock);
        secretId = other.m_secretId;
        secretKey = other.m_secretKey;
        token = other.m_securityToken;
    }
    SetCredentials(secretId, secretKey, token);
    m_appId = other.m_appId;
    m_region = other.m_region;
    m_endpointOverrideOn = other.m_endpointOverrideOn;
    m_endpointOverrideAllowed = other.m_endpointOverrideAllowed;
    m_endpointOverride = other.m_endpointOverride;
    m_customDomain = other.m_customDomain;
    m_customDomainAsHost = other.m_customDomainAsHost;
    m_customDomainAsHostSet = other.m_customDomainAsHostSet;
    return *this;
}

std::string CosConfig::GetSecretId() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_secretId;
}

std::string CosConfig::GetSecretKey() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_secretKey;
}

std::string CosConfig::GetSecurityToken() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_securityToken;
}

void CosConfig::SetCredentials(const std::string& secretId, const std::string& secretKey,
                               const std::string& securityToken) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_secretId = secretId;
    m_secretKey = secretKey;
    m_securityToken = securityToken;
}

void CosConfig::SetSecurityToken(const std::string& token) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_securityToken = token;
}

void CosConfig::SetEndpointOverride(bool on, bool allowed, const std::string& endpoint) {
    m_endpointOverrideOn = on;
    m_endpointOverrideAllowed = allowed;
    m_endpointOverride = endpoint;
}

void CosConfig::SetCustomDomainAsHost(bool asHost) {
    m_customDomainAsHost = asHost;
    m_customDomainAsHostSet = true;
}

bool CosConfig::IsValid() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return !m_secretId.empty() && !m_secretKey.empty() && !m_region.empty();
}

}  // namespace objstore

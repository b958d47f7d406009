// Per-client configuration: account, credentials, region and endpoint overrides.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace objstore {

class CosConfig {
  public:
    CosConfig() = default;
    CosConfig(uint64_t appId, const std::string& secretId, const std::string& secretKey,
              const std::string& region);

    // Full copy of every field; the copy gets its own, unlocked lock.
    CosConfig(const CosConfig& other);
    CosConfig& operator=(const CosConfig& other);

    uint64_t GetAppId() const { return m_appId; }
    std::string GetSecretId() const;
    std::string GetSecretKey() const;
    std::string GetSecurityToken() const;
    const std::string& GetRegion() const { return m_region; }

    bool IsEndpointOverrideOn() const { return m_endpointOverrideOn; }
    bool IsEndpointOverrideAllowed() const { return m_endpointOverrideAllowed; }
    const std::string& GetEndpointOverride() const { return m_endpointOverride; }
    const std::string& GetCustomDomain() const { return m_customDomain; }
    bool IsCustomDomainAsHost() const { return m_customDomainAsHost; }
    bool IsCustomDomainAsHostSet() const { return m_customDomainAsHostSet; }

    void SetAppId(uint64_t appId) { m_appId = appId; }
    void SetRegion(const std::string& region) { m_region = region; }
    void SetCredentials(const std::string& secretId, const std::string& secretKey,
                        const std::string& securityToken = "");
    void SetSecurityToken(const std::string& token);
    void SetEndpointOverride(bool on, bool allowed, const std::string& endpoint);
    void SetCustomDomain(const std::string& domain) { m_customDomain = domain; }
    // Makes this configuration, not the process-wide setting, decide the Host header.
    void SetCustomDomainAsHost(bool asHost);

    // True when secret id, secret key and region are all non-empty.
    bool IsValid() const;

  private:
    mutable std::mutex m_lock;  // guards the three credential strings
    uint64_t m_appId = 0;
    std::string m_secretId;
    std::string m_secretKey;
    std::string m_region;
    std::string m_securityToken;
    bool m_endpointOverrideOn = false;
    bool m_endpointOverrideAllowed = false;
    std::string m_endpointOverride;
    std::string m_customDomain;
    bool m_customDomainAsHost = false;
    bool m_customDomainAsHostSet = false;
};

}  // namespace objstore

#include "util/cos_global_settings.h"

#include <algorithm>

namespace objstore {

// Never destroyed: download threads still finishing at process exit read it.
CosGlobalSettings& CosGlobalSettings::Instance() {
    static CosGlobalSettings* settings = new CosGlobalSettings;
    return *settings;
}

void CosGlobalSettings::SetAsyncPoolThreads(uint32_t threads) {
    m_asyncPoolThreads = threads == 0 ? 1 : threads;
}

void CosGlobalSettings::SetDownloadThreads(uint32_t threads) {
    m_downloadThreads = std::clamp<uint32_t>(threads, 1, kMaxDownloadThreads);
}

void CosGlobalSettings::SetDownloadSliceSize(uint32_t bytes) {
    m_downloadSliceSize = std::clamp(bytes, kMinSliceSize, kMaxSliceSize);
}

std::string CosGlobalSettings::GetCustomDomain() const {
    std::lock_guard<std::mutex> guard(m_customDomainLock);
    return m_customDomain;
}

void CosGlobalSettings::SetCustomDomain(const std::string& domain) {
    std::lock_guard<std::mutex> guard(m_customDomainLock);
    m_customDomain = domain;
}

std::string CosGlobalSettings::GetForcedHost() const {
    std::lock_guard<std::mutex> guard(m_forcedHostLock);
    return m_forcedHost;
}

void CosGlobalSettings::SetForcedHost(const std::string& host) {
    std::lock_guard<std::mutex> guard(m_forcedHostLock);
    m_forcedHost = host;
}

LogCallback CosGlobalSettings::GetLogCallback() const {
    std::lock_guard<std::mutex> guard(m_logCallbackLock);
    return m_logCallback;
}

void CosGlobalSettings::SetLogCallback(LogCallback callback) {
    std::lock_guard<std::mutex> guard(m_logCallbackLock);
    m_hasLogCallback = static_cast<bool>(callback);
    m_logCallback = std::move(callback);
}

void CosGlobalSettings::ResetToDefaults() {
    m_retryPauseMs = 250;
    m_signExpirySeconds = 3600;
    m_timeOffsetSeconds = 0;
    m_connectTimeoutMs = 5000;
    m_receiveTimeoutMs = 5000;
    m_asyncPoolThreads = 2;
    m_downloadThreads = 10;
    m_downloadSliceSize = 4194304;
    m_dnsCacheSize = 1000;
    m_dnsCacheExpirySeconds = 600;
    m_useDnsCache = false;
    m_transferProfile = TransferProfile::Standard;
    m_objectKeyCheck = true;
    SetCustomDomain("");
    m_customDomainAsHost = false;
    SetForcedHost("");
    m_useForcedHost = false;
    m_retryOnAlternateDomain = false;
    m_logLevel = 4;
    m_logOutput = 1;
    SetLogCallback(nullptr);
}

}  // namespace objstore

// Process-wide settings shared by every client and request.
//
// Numeric values and switches are atomics so that a reader on a download thread
// never sees a torn value; the installer only changes them between downloads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace objstore {

using LogCallback = std::function<void(const std::string& line)>;

// How a multi-threaded download uses its connections.
//   Standard  slices in batches of DownloadThreads, a new connection for every
//             request; the batch is written once all of its slices are in
//   Fast      each slice thread keeps its connection alive from slice to slice
//             and takes the next slice as soon as it is free; every slice is
//             written as soon as it is in
enum class TransferProfile { Standard, Fast };

class CosGlobalSettings {
  public:
    static CosGlobalSettings& Instance();

    // Setter bounds.
    static constexpr uint32_t kMinSliceSize = 4096;
    static constexpr uint32_t kMaxSliceSize = 20971520;
    static constexpr uint32_t kMaxDownloadThreads = 10;

    // Pause before the second attempt of a failed request; it doubles before each
    // further attempt (250, 500, 1000 ms by default), so a short network blip
    // does not use up every attempt.
    static constexpr uint32_t kMaxRetryPauseMs = 60000;
    uint32_t GetRetryPauseMs() const { return m_retryPauseMs; }

    uint64_t GetSignExpirySeconds() const { return m_signExpirySeconds; }
    int64_t GetTimeOffsetSeconds() const { return m_timeOffsetSeconds; }
    uint64_t GetConnectTimeoutMs() const { return m_connectTimeoutMs; }
    uint64_t GetReceiveTimeoutMs() const { return m_receiveTimeoutMs; }
    uint32_t GetAsyncPoolThreads() const { return m_asyncPoolThreads; }
    uint32_t GetDownloadThreads() const { return m_downloadThreads; }
    uint32_t GetDownloadSliceSize() const { return m_downloadSliceSize; }
    uint32_t GetDnsCacheSize() const { return m_dnsCacheSize; }
    uint32_t GetDnsCacheExpirySeconds() const { return m_dnsCacheExpirySeconds; }
    bool GetUseDnsCache() const { return m_useDnsCache; }
    TransferProfile GetTransferProfile() const { return m_transferProfile; }
    bool GetObjectKeyCheck() const { return m_objectKeyCheck; }
    std::string GetCustomDomain() const;
    bool GetCustomDomainAsHost() const { return m_customDomainAsHost; }
    std::string GetForcedHost() const;
    bool GetUseForcedHost() const { return m_useForcedHost; }
    bool GetRetryOnAlternateDomain() const { return m_retryOnAlternateDomain; }
    int32_t GetLogLevel() const { return m_logLevel; }
    int32_t GetLogOutput() const { return m_logOutput; }
    // Copy of the callback; empty when none is set.
    LogCallback GetLogCallback() const;
    bool HasLogCallback() const { return m_hasLogCallback; }

    // The four values the installer changes, with their bounds.
    void SetConnectTimeoutMs(uint64_t ms) { m_connectTimeoutMs = ms; }
    void SetAsyncPoolThreads(uint32_t threads);  // 0 becomes 1
    void SetDownloadThreads(uint32_t threads);   // clamped to 1..10
    void SetDownloadSliceSize(uint32_t bytes);   // clamped to 4096..20971520

    // Values the installer keeps at their defaults; settable for tools and tests.
    void SetRetryPauseMs(uint32_t ms) {
        m_retryPauseMs = ms > kMaxRetryPauseMs ? kMaxRetryPauseMs : ms;
    }
    void SetSignExpirySeconds(uint64_t seconds) { m_signExpirySeconds = seconds; }
    void SetTimeOffsetSeconds(int64_t seconds) { m_timeOffsetSeconds = seconds; }
    void SetReceiveTimeoutMs(uint64_t ms) { m_receiveTimeoutMs = ms; }
    void SetDnsCacheSize(uint32_t size) { m_dnsCacheSize = size; }
    void SetDnsCacheExpirySeconds(uint32_t seconds) { m_dnsCacheExpirySeconds = seconds; }
    void SetUseDnsCache(bool on) { m_useDnsCache = on; }
    void SetTransferProfile(TransferProfile profile) { m_transferProfile = profile; }
    void SetObjectKeyCheck(bool on) { m_objectKeyCheck = on; }
    void SetCustomDomain(const std::string& domain);
    void SetCustomDomainAsHost(bool on) { m_customDomainAsHost = on; }
    void SetForcedHost(const std::string& host);
    void SetUseForcedHost(bool on) { m_useForcedHost = on; }
    void SetRetryOnAlternateDomain(bool on) { m_retryOnAlternateDomain = on; }
    void SetLogLevel(int32_t level) { m_logLevel = level; }
    void SetLogOutput(int32_t output) { m_logOutput = output; }
    void SetLogCallback(LogCallback callback);

    // Every value back to its default (for tests and tools that reuse a process).
    void ResetToDefaults();

  private:
    CosGlobalSettings() = default;

    std::atomic<uint32_t> m_retryPauseMs{250};
    std::atomic<uint64_t> m_signExpirySeconds{3600};
    std::atomic<int64_t> m_timeOffsetSeconds{0};
    std::atomic<uint64_t> m_connectTimeoutMs{5000};
    std::atomic<uint64_t> m_receiveTimeoutMs{5000};
    std::atomic<uint32_t> m_asyncPoolThreads{2};
    std::atomic<uint32_t> m_downloadThreads{10};
    std::atomic<uint32_t> m_downloadSliceSize{4194304};
    std::atomic<uint32_t> m_dnsCacheSize{1000};
    std::atomic<uint32_t> m_dnsCacheExpirySeconds{600};
    std::atomic<bool> m_useDnsCache{false};
    std::atomic<TransferProfile> m_transferProfile{TransferProfile::Standard};
    std::atomic<bool> m_objectKeyCheck{true};
    mutable std::mutex m_customDomainLock;
    std::string m_customDomain;
    std::atomic<bool> m_customDomainAsHost{false};
    mutable std::mutex m_forcedHostLock;
    std::string m_forcedHost;
    std::atomic<bool> m_useForcedHost{false};
    std::atomic<bool> m_retryOnAlternateDomain{false};
    std::atomic<int32_t> m_logLevel{4};
    std::atomic<int32_t> m_logOutput{1};
    mutable std::mutex m_logCallbackLock;
    LogCallback m_logCallback;
    std::atomic<bool> m_hasLogCallback{false};
};

}  // namespace objstore

#include "op/request_signing.h"

#include <ctime>

#include "util/cos_global_settings.h"
#include "util/request_signer.h"

namespace objstore {

RepeatedRequestSigner::RepeatedRequestSigner(Request request, Clock clock)
    : m_request(std::move(request)),
      m_clock(clock ? std::move(clock) : [] { return static_cast<uint64_t>(std::time(nullptr)); }) {
}

bool RepeatedRequestSigner::SignNow() {
    std::lock_guard<std::mutex> guard(m_lock);
    return SignLocked(m_clock());
}

RepeatedRequestSigner::StringMap RepeatedRequestSigner::Headers() {
    std::lock_guard<std::mutex> guard(m_lock);
    const uint64_t now = m_clock();
    const uint64_t halfWindow = CosGlobalSettings::Instance().GetSignExpirySeconds() / 2;
    if (now < m_signedAt || now - m_signedAt >= halfWindow) SignLocked(now);
    return m_signed;
}

uint64_t RepeatedRequestSigner::SignedAt() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_signedAt;
}

bool RepeatedRequestSigner::SignLocked(uint64_t now) {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const uint64_t start =
        static_cast<uint64_t>(static_cast<int64_t>(now) + settings.GetTimeOffsetSeconds());
    const std::string auth = RequestSigner::SignForWindow(
        m_request.secretId, m_request.secretKey, m_request.method, m_request.path,
        m_request.headers, m_request.params, m_request.unsignedHeaders, start,
        start + settings.GetSignExpirySeconds());
    if (auth.empty()) return false;
    m_signed = m_request.headers;
    m_signed["Authorization"] = auth;
    m_signedAt = now;
    return true;
}

}  // namespace objstore

#include "util/http_connection.h"

#include <Poco/Crypto/X509Certificate.h>
#include <Poco/Exception.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/String.h>

#include <functional>
#include <sstream>

namespace objstore {
namespace {

// Adds every certificate of a PEM text to the context's trusted set.
void TrustCertificates(Poco::Net::Context& context, const std::string& pem) {
    static const std::string kEnd = "-----END CERTIFICATE-----";
    for (size_t begin = pem.find("-----BEGIN CERTIFICATE-----"); begin != std::string::npos;) {
        const size_t end = pem.find(kEnd, begin);
        if (end == std::string::npos) break;
        std::istringstream one(pem.substr(begin, end + kEnd.size() - begin));
        context.addCertificateAuthority(Poco::Crypto::X509Certificate(one));
        begin = pem.find("-----BEGIN CERTIFICATE-----", end);
    }
}

}  // namespace

std::unique_ptr<Poco::Net::HTTPClientSession> HttpConnection::OpenSession(
    const Poco::URI& uri, bool verifyCert, const std::string& caLocation,
    const std::string& caPem) {
    if (Poco::icompare(uri.getScheme(), 0, 5, "https") == 0) {
        const std::string location = caPem.empty() ? caLocation : std::string();
        Poco::Net::Context::Ptr context = new Poco::Net::Context(
            Poco::Net::Context::CLIENT_USE, "", "", location,
            verifyCert ? Poco::Net::Context::VERIFY_RELAXED : Poco::Net::Context::VERIFY_NONE, 9,
            location.empty() && caPem.empty(), "ALL:!ADH:!LOW:!EXP:!MD5:@STRENGTH");
        if (!caPem.empty()) TrustCertificates(*context, caPem);
        return std::make_unique<Poco::Net::HTTPSClientSession>(uri.getHost(), uri.getPort(),
                                                               context);
    }
    return std::make_unique<Poco::Net::HTTPClientSession>(uri.getHost(), uri.getPort());
}

Poco::Net::HTTPClientSession& HttpConnection::Acquire(const Poco::URI& uri, bool verifyCert,
                                                      const std::string& caLocation,
                                                      const std::string& caPem, bool* reused) {
    const std::string key = Poco::toLower(uri.getScheme()) + "://" + uri.getHost() + ":" +
                            std::to_string(uri.getPort()) + (verifyCert ? " verify " : " ") +
                            caLocation + " " + std::to_string(std::hash<std::string>()(caPem));
    const bool fresh =
        std::chrono::steady_clock::now() - m_keptSince < std::chrono::seconds(kIdleSeconds);
    *reused = m_session && m_kept && fresh && m_key == key && m_session->connected();
    m_kept = false;
    if (*reused) return *m_session;
    Drop();
    m_session = OpenSession(uri, verifyCert, caLocation, caPem);
    m_session->setKeepAlive(true);
    // The idle limit is kept here; Poco would otherwise reconnect on its own.
    m_session->setKeepAliveTimeout(Poco::Timespan(2 * kIdleSeconds, 0));
    m_key = key;
    ++m_opened;
    return *m_session;
}

void HttpConnection::Keep() {
    m_kept = m_session != nullptr;
    m_keptSince = std::chrono::steady_clock::now();
}

void HttpConnection::Drop() {
    if (!m_session) return;
    try {
        m_session->reset();
    } catch (const Poco::Exception&) {
        // Already closed.
    }
    m_session.reset();
    m_key.clear();
    m_kept = false;
}

}  // namespace objstore

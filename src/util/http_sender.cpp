#include "util/http_sender.h"

#include <Poco/DigestEngine.h>
#include <Poco/DigestStream.h>
#include <Poco/Exception.h>
#include <Poco/MD5Engine.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/String.h>
#include <Poco/URI.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <streambuf>

#include "trsf/transfer_handler.h"
#include "util/client_log.h"
#include "util/codec.h"
#include "util/cos_global_settings.h"

namespace objstore {
namespace {

using StringMap = std::map<std::string, std::string>;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kRateLogMinBytes = 102400;

// Appends everything written to a string the caller owns.
class StringAppendBuf : public std::streambuf {
  public:
    explicit StringAppendBuf(std::string& target) : m_target(target) {}

  protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        m_target.append(data, static_cast<size_t>(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            m_target.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }

  private:
    std::string& m_target;
};

Poco::Timespan ClampedTimeout(uint64_t ms) {
    const uint64_t clamped = ms > HttpSender::kMaxTimeoutMs ? HttpSender::kMaxTimeoutMs : ms;
    return Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(clamped) * 1000);
}

bool DebugEnabled() {
    return CosGlobalSettings::Instance().GetLogLevel() >= kLogDebug;
}

uint64_t ElapsedMs(Clock::time_point start) {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The rate statements belong to SendRequest, whatever helper writes them.
void LogRate(int line, uint64_t bytes, uint64_t ms) {
    if (ms > 1 && bytes > kRateLogMinBytes) {
        ClientLog(kLogDebug, __FILE__, "SendRequest", line,
                  "%s:%s(%d) send_size: %llu, time_consumed: %llu ms, rate: %.2f MB/s\n",
                  static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(ms),
                  static_cast<double>(bytes) / 1024 / 1024 / (static_cast<double>(ms) / 1000));
    }
}

std::unique_ptr<Poco::Net::HTTPClientSession> OpenSession(const Poco::URI& uri, bool verifyCert,
                                                          const std::string& caLocation) {
    if (Poco::icompare(uri.getScheme(), 0, 5, "https") == 0) {
        Poco::Net::Context::Ptr context = new Poco::Net::Context(
            Poco::Net::Context::CLIENT_USE, "", "", caLocation,
            verifyCert ? Poco::Net::Context::VERIFY_RELAXED : Poco::Net::Context::VERIFY_NONE, 9,
            caLocation.empty(), "ALL:!ADH:!LOW:!EXP:!MD5:@STRENGTH");
        return std::make_unique<Poco::Net::HTTPSClientSession>(uri.getHost(), uri.getPort(),
                                                               context);
    }
    return std::make_unique<Poco::Net::HTTPClientSession>(uri.getHost(), uri.getPort());
}

std::streamoff StreamSize(std::istream& body) {
    const std::istream::pos_type start = body.tellg();
    if (start == std::istream::pos_type(-1)) return 0;
    body.seekg(0, std::ios::end);
    const std::istream::pos_type end = body.tellg();
    body.seekg(start);
    return end == std::istream::pos_type(-1) ? 0 : static_cast<std::streamoff>(end - start);
}

std::string HeaderText(const StringMap& headers) {
    std::string text = "response header :\n";
    for (const auto& [name, value] : headers) text += name + ": " + value + "\n";
    return text;
}

}  // namespace

std::string HttpSender::BuildTarget(const std::string& decodedPath, const StringMap& params) {
    std::string target = EncodePath(decodedPath.empty() ? "/" : decodedPath);
    std::string query;
    for (const auto& [name, value] : params) {
        query += UrlEncode(name);
        if (!value.empty()) query += "=" + UrlEncode(value);
        query += "&";
    }
    if (!query.empty()) {
        query.pop_back();
        target += "?" + query;
    }
    return target;
}

int HttpSender::SendRequest(const std::shared_ptr<TransferHandler>& handler,
                            const std::string& method, const std::string& url,
                            const StringMap& params, const StringMap& headers,
                            std::istream& requestBody, uint64_t connectTimeoutMs,
                            uint64_t receiveTimeoutMs, StringMap* responseHeaders,
                            std::ostream& responseBody, std::string* errorText, bool checkBodyMd5,
                            bool verifyCert, const std::string& caLocation) {
    OBJSTORE_LOG_INFO("%s:%s(%d) send request to [%s]\n", url.c_str());
    std::string ignoredError;
    std::string& error = errorText ? *errorText : ignoredError;
    StringMap ignoredHeaders;
    StringMap& received = responseHeaders ? *responseHeaders : ignoredHeaders;

    // Only the URL's own syntax errors are URL errors; a malformed answer later
    // raises the same exception type and counts as any other failure.
    Poco::URI uri;
    try {
        uri = Poco::URI(url);
    } catch (const Poco::SyntaxException& e) {
        error = "url:" + url + "    URISyntaxException:" + e.displayText();
        OBJSTORE_LOG_ERR("%s:%s(%d) url:%s    URISyntaxException:%s\n", url.c_str(),
                         e.displayText().c_str());
        return -1;
    }

    int result = -1;
    std::unique_ptr<Poco::Net::HTTPClientSession> session;
    try {
        session = OpenSession(uri, verifyCert, caLocation);
        const Poco::Timespan connectTimeout = ClampedTimeout(connectTimeoutMs);
        const Poco::Timespan receiveTimeout = ClampedTimeout(receiveTimeoutMs);
        session->setTimeout(connectTimeout, connectTimeout, connectTimeout);

        Poco::Net::HTTPRequest request(method, BuildTarget(uri.getPath(), params),
                                       Poco::Net::HTTPMessage::HTTP_1_1);
        for (const auto& [name, value] : headers) request.add(name, value);
        request.setContentLength(StreamSize(requestBody));

        if (DebugEnabled()) {
            std::ostringstream head;
            request.write(head);
            OBJSTORE_LOG_DBG("%s:%s(%d) request=[%s]\n", head.str().c_str());
        }

        Clock::time_point start = Clock::now();
        std::ostream& requestStream = session->sendRequest(request);
        const uint64_t sent =
            TransferHandler::CopyWithProgress(handler, requestBody, requestStream, kCopyChunkSize);
        LogRate(__LINE__, sent, ElapsedMs(start));

        session->setTimeout(connectTimeout, connectTimeout, receiveTimeout);
        session->socket().setReceiveTimeout(receiveTimeout);
        Poco::Net::HTTPResponse response;
        std::istream& responseStream = session->receiveResponse(response);
        // A time-out or reset inside the body must surface as itself, not as a
        // quietly shorter body.
        responseStream.exceptions(std::ios::badbit);
        result = static_cast<int>(response.getStatus());

        for (const auto& [name, value] : response) received.emplace(name, value);
        auto lowerEtag = received.find("Etag");
        if (lowerEtag != received.end()) {
            received["ETag"] = lowerEtag->second;
            received.erase(lowerEtag);
        }
        std::string etag;
        auto etagHeader = received.find("ETag");
        if (etagHeader != received.end()) {
            etag = etagHeader->second;
            if (!etag.empty() && etag.front() == '"') etag.erase(0, 1);
            if (!etag.empty() && etag.back() == '"') etag.pop_back();
        }

        start = Clock::now();
        uint64_t receivedBytes = 0;
        if (checkBodyMd5 && etag.size() == 32 && etag.find('-') == std::string::npos) {
            OBJSTORE_LOG_DBG("%s:%s(%d) Check Response Md5\n");
            Poco::MD5Engine md5;
            Poco::DigestOutputStream digestStream(md5);
            std::string body;
            {
                StringAppendBuf sink(body);
                std::ostream bodyStream(&sink);
                receivedBytes = TransferHandler::CopyWithProgress(nullptr, responseStream,
                                                                  bodyStream, kCopyChunkSize);
            }
            digestStream << body;
            digestStream.flush();
            const std::string bodyMd5 = Poco::DigestEngine::digestToHex(md5.digest());
            if (bodyMd5 != etag) {
                error = "Md5 of response body is not equal to the etag in the header. Body Md5= " +
                        bodyMd5 + ", etag=" + etag;
                OBJSTORE_LOG_ERR("%s:%s(%d) Check Md5 fail, %s\n", error.c_str());
                result = -1;
            }
            std::istringstream bodyIn(std::move(body));
            TransferHandler::CopyWithProgress(handler, bodyIn, responseBody, kCopyChunkSize);
        } else {
            receivedBytes = TransferHandler::CopyWithProgress(handler, responseStream, responseBody,
                                                              kCopyChunkSize);
        }
        LogRate(__LINE__, receivedBytes, ElapsedMs(start));
        // A connection that closes before the announced length ends the body
        // stream silently; the answer is then incomplete, not a success.
        const bool bodyExpected =
            method != "HEAD" && result >= 200 && result != 204 && result != 304;
        if (result != -1 && bodyExpected && response.hasContentLength() &&
            receivedBytes < static_cast<uint64_t>(response.getContentLength64())) {
            error = "Incomplete response body: received " + std::to_string(receivedBytes) + " of " +
                    std::to_string(response.getContentLength64()) + " bytes";
            OBJSTORE_LOG_ERR("%s:%s(%d) %s\n", error.c_str());
            result = -1;
        }

        if (DebugEnabled()) OBJSTORE_LOG_DBG("%s:%s(%d) %s\n", HeaderText(received).c_str());
        OBJSTORE_LOG_INFO("%s:%s(%d) Send request over, status=%d, reason=%s\n", result,
                          response.getReason().c_str());
    } catch (const Poco::Net::NetException& e) {
        error = "Net Exception:" + e.displayText();
        OBJSTORE_LOG_ERR("%s:%s(%d) Net Exception:%s\n", e.displayText().c_str());
        result = -1;
    } catch (const Poco::TimeoutException& e) {
        error = "TimeoutException:" + e.displayText();
        OBJSTORE_LOG_ERR("%s:%s(%d) TimeoutException:%s\n", e.displayText().c_str());
        result = -1;
    } catch (const UserCancelException&) {
        error = "Request canceled by user";
        OBJSTORE_LOG_INFO("%s:%s(%d) Request canceled by user\n");
        result = -1;
    } catch (const std::exception& e) {
        error = std::string("Exception:") + e.what();
        OBJSTORE_LOG_ERR("%s:%s(%d) Exception:%s, errno=%d\n", e.what(), errno);
        result = -1;
    }
    return result;
}

int HttpSender::SendRequest(const std::shared_ptr<TransferHandler>& handler,
                            const std::string& method, const std::string& url,
                            const StringMap& params, const StringMap& headers,
                            const std::string& requestBody, uint64_t connectTimeoutMs,
                            uint64_t receiveTimeoutMs, StringMap* responseHeaders,
                            std::string* responseBody, std::string* errorText, bool checkBodyMd5,
                            bool verifyCert, const std::string& caLocation) {
    std::istringstream requestStream(requestBody);
    std::string ignoredBody;
    std::string& body = responseBody ? *responseBody : ignoredBody;
    body.clear();
    StringAppendBuf sink(body);
    std::ostream responseStream(&sink);
    return SendRequest(handler, method, url, params, headers, requestStream, connectTimeoutMs,
                       receiveTimeoutMs, responseHeaders, responseStream, errorText, checkBodyMd5,
                       verifyCert, caLocation);
}

}  // namespace objstore

#include "util/http_sender.h"

#include <Poco/DigestEngine.h>
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
#include "util/header_views.h"
#include "util/http_connection.h"

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

// Every statement of the transport belongs to SendRequest, whatever helper
// writes it.
constexpr char kOperation[] = "SendRequest";

void LogRate(uint64_t bytes, uint64_t ms) {
    if (ms > 1 && bytes > kRateLogMinBytes) {
        OBJSTORE_LOG_AS(
            kLogDebug, kOperation,
            "%s:%s(%d) send_size: %llu, time_consumed: %llu ms, rate: %.2f MB/s\n",
            static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(ms),
            static_cast<double>(bytes) / 1024 / 1024 / (static_cast<double>(ms) / 1000));
    }
}

std::streamoff StreamSize(std::istream& body) {
    const std::istream::pos_type start = body.tellg();
    if (start == std::istream::pos_type(-1)) return 0;
    body.seekg(0, std::ios::end);
    const std::istream::pos_type end = body.tellg();
    body.seekg(start);
    return end == std::istream::pos_type(-1) ? 0 : static_cast<std::streamoff>(end - start);
}

// Hands the body to a caller's stream.
class StreamSink : public ResponseSink {
  public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    std::ostream* Open(int, const StringMap&) override { return &m_out; }

  private:
    std::ostream& m_out;
};

// "Etag" is stored as "ETag"; the ETag text loses one pair of quotes.
std::string NormaliseEtag(StringMap& headers) {
    auto lowerEtag = headers.find("Etag");
    if (lowerEtag != headers.end()) {
        headers["ETag"] = lowerEtag->second;
        headers.erase(lowerEtag);
    }
    const std::string* etag = FindHeader(headers, "ETag");
    return etag ? UnquoteEtag(*etag) : std::string();
}

bool BodyExpected(const std::string& method, int status) {
    return method != "HEAD" && status >= 200 && status != 204 && status != 304;
}

// One request and its answer, over a connection of its own that closes with
// it, or over the caller's kept connection, which it keeps for the next request
// only when the answer was read to its end and the server did not ask to close.
class Exchange {
  public:
    Exchange(const HttpSendOptions& options, HttpAnswer& answer)
        : m_options(options), m_answer(answer) {}
    ~Exchange();

    void Send(const Poco::URI& uri, std::istream& requestBody);
    void ReceiveHead();
    void ReceiveBody(ResponseSink& sink);
    // The answer is complete: the connection may serve the next request.
    void Complete();
    // The request failed on a kept connection before any answer came, and it
    // has no body to send again: the server closed the connection meanwhile.
    bool MaySendAgain() const { return m_reused && !m_headReceived && m_requestLength == 0; }

  private:
    // A cancel shuts the connection down, so a request waiting on the network
    // ends at once instead of at its time-out.
    void AttachCancel();
    void DetachCancel();
    uint64_t CopyBody(std::istream& in, std::ostream& out, bool counted);
    void CheckMd5(std::istream& in, std::ostream& out, const std::string& etag, bool counted);

    const HttpSendOptions& m_options;
    HttpAnswer& m_answer;
    std::unique_ptr<Poco::Net::HTTPClientSession> m_ownSession;
    Poco::Net::HTTPClientSession* m_session = nullptr;
    bool m_reused = false;
    bool m_headReceived = false;
    bool m_bodyRead = false;  // to its end, nothing left on the connection
    bool m_keep = false;
    std::streamoff m_requestLength = 0;
    Poco::Net::HTTPResponse m_response;
    std::istream* m_responseStream = nullptr;
    uint64_t m_cancelHook = 0;
};

Exchange::~Exchange() {
    DetachCancel();
    if (m_options.connection == nullptr) return;
    if (m_keep) {
        m_options.connection->Keep();
    } else {
        m_options.connection->Drop();
    }
}

void Exchange::Complete() {
    if (m_options.connection == nullptr || m_answer.status == -1 || !m_bodyRead) return;
    // A body that only the connection's end delimits leaves nothing to reuse.
    const bool delimited = !BodyExpected(m_options.method, m_answer.status) ||
                           m_response.hasContentLength() || m_response.getChunkedTransferEncoding();
    m_keep = delimited && m_response.getKeepAlive();
}

void Exchange::Send(const Poco::URI& uri, std::istream& requestBody) {
    const std::shared_ptr<TransferHandler>& handler = m_options.handler;
    if (handler && handler->IsCancelRequested()) throw UserCancelException();
    if (m_options.connection) {
        m_session = &m_options.connection->Acquire(uri, m_options.verifyCert, m_options.caLocation,
                                                   m_options.caPem, &m_reused);
    } else {
        m_ownSession = HttpConnection::OpenSession(uri, m_options.verifyCert, m_options.caLocation,
                                                   m_options.caPem);
        m_session = m_ownSession.get();
    }
    const Poco::Timespan connectTimeout = ClampedTimeout(m_options.connectTimeoutMs);
    m_session->setTimeout(connectTimeout, connectTimeout, connectTimeout);
    if (m_reused) {
        // The socket still has the last answer's receive time-out.
        m_session->socket().setSendTimeout(connectTimeout);
        m_session->socket().setReceiveTimeout(connectTimeout);
    }

    Poco::Net::HTTPRequest request(m_options.method,
                                   HttpSender::BuildTarget(uri.getPath(), m_options.params),
                                   Poco::Net::HTTPMessage::HTTP_1_1);
    for (const auto& [name, value] : m_options.headers) request.add(name, value);
    m_requestLength = StreamSize(requestBody);
    request.setContentLength(m_requestLength);

    if (DebugEnabled()) {
        std::ostringstream head;
        request.write(head);
        OBJSTORE_LOG_AS(kLogDebug, kOperation, "%s:%s(%d) request=[%s]\n", head.str().c_str());
    }

    const Clock::time_point start = Clock::now();
    std::ostream& requestStream = m_session->sendRequest(request);
    AttachCancel();
    const uint64_t sent = TransferHandler::CopyWithProgress(handler, requestBody, requestStream,
                                                            HttpSender::kCopyChunkSize);
    LogRate(sent, ElapsedMs(start));
}

void Exchange::ReceiveHead() {
    const Poco::Timespan connectTimeout = ClampedTimeout(m_options.connectTimeoutMs);
    const Poco::Timespan receiveTimeout = ClampedTimeout(m_options.receiveTimeoutMs);
    m_session->setTimeout(connectTimeout, connectTimeout, receiveTimeout);
    m_session->socket().setReceiveTimeout(receiveTimeout);
    m_responseStream = &m_session->receiveResponse(m_response);
    m_headReceived = true;
    // A time-out or reset inside the body must surface as itself, not as a
    // quietly shorter body.
    m_responseStream->exceptions(std::ios::badbit);
    m_answer.status = static_cast<int>(m_response.getStatus());
    m_answer.reason = m_response.getReason();
    // A name received twice keeps its first value.
    for (const auto& [name, value] : m_response) m_answer.headers.emplace(name, value);
}

void Exchange::ReceiveBody(ResponseSink& sink) {
    const std::string etag = NormaliseEtag(m_answer.headers);
    std::ostream* out = sink.Open(m_answer.status, m_answer.headers);
    if (!BodyExpected(m_options.method, m_answer.status)) m_bodyRead = true;
    if (out == nullptr) {
        // The sink refused the answer: its body stays unread.
        if (m_response.hasContentLength() && m_response.getContentLength64() == 0) {
            m_bodyRead = true;
        }
        return;
    }
    const bool counted = !sink.CountsOwnProgress();

    const Clock::time_point start = Clock::now();
    uint64_t receivedBytes = 0;
    if (m_options.checkBodyMd5 && etag.size() == 32 && etag.find('-') == std::string::npos) {
        OBJSTORE_LOG_AS(kLogDebug, kOperation, "%s:%s(%d) Check Response Md5\n");
        CheckMd5(*m_responseStream, *out, etag, counted);
    } else {
        receivedBytes = CopyBody(*m_responseStream, *out, counted);
    }
    LogRate(receivedBytes, ElapsedMs(start));
    if (m_responseStream->eof()) m_bodyRead = true;

    // A connection that closes before the announced length ends the body stream
    // silently; the answer is then incomplete, not a success.
    if (m_answer.status != -1 && !sink.Satisfied() &&
        BodyExpected(m_options.method, m_answer.status) && m_response.hasContentLength() &&
        receivedBytes < static_cast<uint64_t>(m_response.getContentLength64())) {
        if (m_options.handler && m_options.handler->IsCancelRequested()) {
            throw UserCancelException();  // the cancel shut the connection down
        }
        m_answer.errorText = "Incomplete response body: received " + std::to_string(receivedBytes) +
                             " of " + std::to_string(m_response.getContentLength64()) + " bytes";
        OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) %s\n", m_answer.errorText.c_str());
        m_answer.status = -1;
    }
}

uint64_t Exchange::CopyBody(std::istream& in, std::ostream& out, bool counted) {
    return counted ? TransferHandler::CopyWithProgress(m_options.handler, in, out,
                                                       HttpSender::kCopyChunkSize)
                   : TransferHandler::CopyWithCancelChecks(m_options.handler, in, out,
                                                           HttpSender::kCopyChunkSize);
}

void Exchange::CheckMd5(std::istream& in, std::ostream& out, const std::string& etag,
                        bool counted) {
    std::string body;
    {
        StringAppendBuf sink(body);
        std::ostream bodyStream(&sink);
        TransferHandler::CopyWithProgress(nullptr, in, bodyStream, HttpSender::kCopyChunkSize);
    }
    Poco::MD5Engine md5;
    md5.update(body);
    const std::string bodyMd5 = Poco::DigestEngine::digestToHex(md5.digest());
    if (bodyMd5 != etag) {
        m_answer.errorText =
            "Md5 of response body is not equal to the etag in the header. Body Md5= " + bodyMd5 +
            ", etag=" + etag;
        OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) Check Md5 fail, %s\n",
                        m_answer.errorText.c_str());
        m_answer.status = -1;
    }
    std::istringstream bodyIn(std::move(body));
    CopyBody(bodyIn, out, counted);
}

void Exchange::AttachCancel() {
    // Shutting down a TLS connection from another thread is not safe; there the
    // cancel flag ends the transfer at its next chunk.
    if (!m_options.handler || m_session->secure()) return;
    Poco::Net::StreamSocket socket = m_session->socket();
    m_cancelHook = m_options.handler->AddCancelHook([socket]() mutable {
        try {
            socket.shutdown();
        } catch (const Poco::Exception&) {
            // Already closed: nothing left to wake.
        }
    });
}

void Exchange::DetachCancel() {
    if (m_cancelHook != 0) m_options.handler->RemoveCancelHook(m_cancelHook);
    m_cancelHook = 0;
}

std::string HeaderText(const StringMap& headers) {
    std::string text = "response header :\n";
    for (const auto& [name, value] : headers) text += name + ": " + value + "\n";
    return text;
}

// A canceled transfer's request may fail in any way (the cancel shuts its
// connection down); the cancel is then the reason. True when it was canceled.
bool FailAsCanceled(HttpAnswer& answer, const HttpSendOptions& options) {
    answer.status = -1;
    if (!options.handler || !options.handler->IsCancelRequested()) return false;
    answer.errorText = "Request canceled by user";
    OBJSTORE_LOG_AS(kLogInfo, kOperation, "%s:%s(%d) Request canceled by user\n");
    return true;
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

int HttpSender::SendRequest(const HttpSendOptions& options, std::istream& requestBody,
                            ResponseSink& responseBody, HttpAnswer* answerOut) {
    HttpAnswer ignored;
    HttpAnswer& answer = answerOut ? *answerOut : ignored;
    answer = HttpAnswer();
    const std::string& url = options.url;
    OBJSTORE_LOG_AS(kLogInfo, kOperation, "%s:%s(%d) send request to [%s]\n", url.c_str());

    // Only the URL's own syntax errors are URL errors; a malformed answer later
    // raises the same exception type and counts as any other failure.
    Poco::URI uri;
    try {
        uri = Poco::URI(url);
    } catch (const Poco::SyntaxException& e) {
        answer.errorText = "url:" + url + "    URISyntaxException:" + e.displayText();
        OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) url:%s    URISyntaxException:%s\n",
                        url.c_str(), e.displayText().c_str());
        return -1;
    }

    for (int round = 1;; ++round) {
        Exchange exchange(options, answer);
        try {
            exchange.Send(uri, requestBody);
            exchange.ReceiveHead();
            exchange.ReceiveBody(responseBody);
            exchange.Complete();
            if (DebugEnabled()) {
                OBJSTORE_LOG_AS(kLogDebug, kOperation, "%s:%s(%d) %s\n",
                                HeaderText(answer.headers).c_str());
            }
            OBJSTORE_LOG_AS(kLogInfo, kOperation,
                            "%s:%s(%d) Send request over, status=%d, reason=%s\n", answer.status,
                            answer.reason.c_str());
        } catch (const Poco::Net::NetException& e) {
            const bool canceled = FailAsCanceled(answer, options);
            if (!canceled && round == 1 && exchange.MaySendAgain()) {
                OBJSTORE_LOG_AS(kLogInfo, kOperation,
                                "%s:%s(%d) kept connection closed by the server (%s), sending "
                                "again on a new one\n",
                                e.displayText().c_str());
                answer = HttpAnswer();
                continue;
            }
            if (!canceled) {
                answer.errorText = "Net Exception:" + e.displayText();
                OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) Net Exception:%s\n",
                                e.displayText().c_str());
            }
        } catch (const Poco::TimeoutException& e) {
            if (!FailAsCanceled(answer, options)) {
                answer.errorText = "TimeoutException:" + e.displayText();
                OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) TimeoutException:%s\n",
                                e.displayText().c_str());
            }
        } catch (const UserCancelException&) {
            FailAsCanceled(answer, options);
        } catch (const std::exception& e) {
            const int error = errno;
            if (!FailAsCanceled(answer, options)) {
                answer.errorText = std::string("Exception:") + e.what();
                OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) Exception:%s, errno=%d\n",
                                e.what(), error);
            }
        }
        break;
    }
    return answer.status;
}

int HttpSender::SendRequest(const HttpSendOptions& options, std::istream& requestBody,
                            std::ostream& responseBody, HttpAnswer* answer) {
    StreamSink sink(responseBody);
    return SendRequest(options, requestBody, sink, answer);
}

int HttpSender::SendRequest(const HttpSendOptions& options, const std::string& requestBody,
                            std::string* responseBody, HttpAnswer* answer) {
    std::istringstream requestStream(requestBody);
    std::string ignoredBody;
    std::string& body = responseBody ? *responseBody : ignoredBody;
    body.clear();
    StringAppendBuf sink(body);
    std::ostream responseStream(&sink);
    return SendRequest(options, requestStream, responseStream, answer);
}

}  // namespace objstore

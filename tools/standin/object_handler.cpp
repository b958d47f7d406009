#include "object_handler.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <Poco/DateTimeFormat.h>
#include <Poco/DateTimeFormatter.h>
#include <Poco/Exception.h>
#include <Poco/Net/HTTPServerRequest.h>
#include <Poco/Net/HTTPServerRequestImpl.h>
#include <Poco/Net/HTTPServerResponse.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>
#include <Poco/Timestamp.h>

#include "byte_range.h"
#include "error_answer.h"
#include "object_target.h"
#include "util/bucket_host.h"
#include "util/build_config.h"
#include "util/codec.h"

namespace standin {
namespace {

using Poco::Net::HTTPResponse;
using Poco::Net::HTTPServerRequest;
using Poco::Net::HTTPServerResponse;

constexpr size_t kChunkBytes = 256 * 1024;
constexpr uint64_t kMaxDrainedBytes = 16 * 1024 * 1024;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::string StripPort(const std::string& host) {
    const size_t colon = host.rfind(':');
    if (colon == std::string::npos || colon + 1 == host.size()) return host;
    if (host.find_first_not_of("0123456789", colon + 1) != std::string::npos) return host;
    return host.substr(0, colon);
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// Sleeps, waking early when the service is asked to stop.
void SleepUnlessStopping(const ServiceState& state, uint64_t ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!state.stopping.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - now, std::chrono::milliseconds(50)));
    }
}

// One request and its answer; writes the request log line when done.
class Exchange {
  public:
    Exchange(ServiceState& state, HTTPServerRequest& request, HTTPServerResponse& response)
        : m_state(state), m_request(request), m_response(response) {}
    ~Exchange() { WriteLog(); }

    void Run();
    // For the last-resort handler: answers 500 unless an answer went out.
    void FailInternally();

  private:
    bool IsHead() const { return m_request.getMethod() == "HEAD"; }
    bool HostAccepted() const;
    void DrainRequestBody();
    void SendError(const ServiceError& error);
    void ServeObject(const ObjectTarget& target);
    void SendBody(int fd, uint64_t first, uint64_t length, uint64_t size);
    void ResetConnection();
    Poco::Net::StreamSocket& Socket();
    // Writes the request's log line once. Called just before the last bytes of
    // the answer go out, so a client holding the whole answer finds its line.
    void WriteLog();

    ServiceState& m_state;
    HTTPServerRequest& m_request;
    HTTPServerResponse& m_response;
    RequestRecord m_record;
    FaultPlan m_plan;
    std::string m_resource;
    std::string m_traceId;
    bool m_answered = false;
    bool m_logged = false;
};

void Exchange::WriteLog() {
    if (m_logged) return;
    m_logged = true;
    m_state.log.Write(m_record);
}

void Exchange::Run() {
    const uint64_t sequence = m_state.sequence.fetch_add(1) + 1;
    char id[64];
    std::snprintf(id, sizeof id, "%s-%08llx", m_state.idPrefix.c_str(),
                  static_cast<unsigned long long>(sequence));
    m_record.requestId = id;
    std::snprintf(id, sizeof id, "%016llx%08llx",
                  static_cast<unsigned long long>(std::hash<std::string>()(m_record.requestId)),
                  static_cast<unsigned long long>(sequence));
    m_traceId = id;
    m_response.set("x-cos-request-id", m_record.requestId);
    m_response.set("x-cos-trace-id", m_traceId);

    const std::string& method = m_request.getMethod();
    const std::string& rawTarget = m_request.getURI();
    const ObjectTarget target = ParseObjectTarget(rawTarget);
    m_record.method = method;
    m_record.range = m_request.get("Range", "");
    m_record.path =
        target.valid ? objstore::EncodePath(target.path) : rawTarget.substr(0, rawTarget.find('?'));
    m_resource = (m_state.bucketHosts.empty() ? StripPort(m_request.get("Host", ""))
                                              : m_state.bucketHosts.front()) +
                 m_record.path;

    m_plan = m_state.faults.PlanFor(method, target.valid ? target.key : std::string());
    m_record.faults = m_plan.names;
    DrainRequestBody();

    if (m_plan.delayMs != 0) SleepUnlessStopping(m_state, m_plan.delayMs);
    if (m_plan.closeBefore) {
        ResetConnection();
        return;
    }
    if (m_plan.status != 0) {
        SendError(ServerFault(m_plan.status));
        return;
    }
    if (method != "GET" && method != "HEAD") {
        m_response.set("Allow", "GET, HEAD");
        SendError({405, "MethodNotAllowed",
                   "The specified method is not allowed against this resource."});
        return;
    }
    if (!target.valid) {
        SendError({400, "InvalidURI", "Couldn't parse the specified URI: " + target.problem + "."});
        return;
    }
    if (m_state.options.checkHost && !HostAccepted()) {
        SendError({404, "NoSuchBucket", "The specified bucket does not exist."});
        return;
    }
    if (m_state.options.checkAuth) {
        const AuthVerdict verdict = VerifyAuthorization(m_state.credentials, method, target.path,
                                                        m_request, target.params, PreciseNowMs());
        if (!verdict.ok) {
            SendError({403, verdict.code, verdict.message});
            return;
        }
    }
    if (target.key.empty()) {
        SendError({501, "NotImplemented", "Bucket operations are not supported by this service."});
        return;
    }
    ServeObject(target);
}

void Exchange::FailInternally() {
    if (m_answered || m_response.sent()) {
        m_response.setKeepAlive(false);
        return;
    }
    SendError({500, "InternalError", "We encountered an internal error. Please try again."});
}

bool Exchange::HostAccepted() const {
    const std::string host = Lower(StripPort(m_request.get("Host", "")));
    return std::find(m_state.bucketHosts.begin(), m_state.bucketHosts.end(), host) !=
           m_state.bucketHosts.end();
}

// Reads any request body so the next request on the connection starts in step;
// a body past the limit ends the connection instead.
void Exchange::DrainRequestBody() {
    if (!m_request.getChunkedTransferEncoding() && m_request.getContentLength64() <= 0) return;
    try {
        std::istream& in = m_request.stream();
        std::vector<char> buffer(64 * 1024);
        uint64_t total = 0;
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            total += static_cast<uint64_t>(in.gcount());
            if (total > kMaxDrainedBytes) {
                m_response.setKeepAlive(false);
                return;
            }
        }
    } catch (const Poco::Exception&) {
        m_response.setKeepAlive(false);
    }
}

void Exchange::SendError(const ServiceError& error) {
    m_response.setStatusAndReason(static_cast<HTTPResponse::HTTPStatus>(error.status));
    m_response.setContentType("application/xml");
    m_record.status = error.status;
    m_answered = true;
    if (IsHead()) {
        m_response.setContentLength(0);
        WriteLog();
        m_response.send().flush();
        return;
    }
    const std::string body = ErrorBody(error, m_resource, m_record.requestId, m_traceId);
    m_response.setContentLength(static_cast<std::streamsize>(body.size()));
    m_record.bodyBytes = body.size();
    WriteLog();
    m_response.sendBuffer(body.data(), body.size());
}

void Exchange::ServeObject(const ObjectTarget& target) {
    const ServiceError noSuchKey{404, "NoSuchKey", "The specified key does not exist."};
    FileDescriptor file(m_state.folder.OpenObject(target.key));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0) {
        SendError(noSuchKey);
        return;
    }
    const std::string md5 = m_state.etags.Get(file.get(), st);
    if (md5.empty()) {
        SendError({500, "InternalError", "The object could not be read."});
        return;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    m_response.set("ETag", "\"" + md5 + "\"");
    m_response.set("Last-Modified",
                   Poco::DateTimeFormatter::format(Poco::Timestamp::fromEpochTime(st.st_mtime),
                                                   Poco::DateTimeFormat::HTTP_FORMAT));
    m_response.set("Accept-Ranges", "bytes");
    m_response.set("x-cos-object-type", "normal");

    const RangeRequest range =
        m_request.has("Range") ? ResolveRange(m_request.get("Range"), size) : RangeRequest{};
    if (range.kind == RangeRequest::Kind::Unsatisfiable) {
        m_response.set("Content-Range", "bytes */" + std::to_string(size));
        SendError({416, "InvalidRange", "The requested range is not satisfiable."});
        return;
    }

    uint64_t first = 0;
    uint64_t length = size;
    int status = 200;
    if (range.kind == RangeRequest::Kind::Partial && !m_plan.fullBody) {
        status = 206;
        first = range.first;
        length = range.last - range.first + 1;
        m_response.set("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                            std::to_string(range.last) + "/" +
                                            std::to_string(size));
    }
    m_response.setStatusAndReason(static_cast<HTTPResponse::HTTPStatus>(status));
    m_response.setContentType("application/octet-stream");
    m_response.setContentLength64(static_cast<Poco::Int64>(length));
    m_record.status = status;
    m_answered = true;
    if (IsHead() || length == 0) WriteLog();
    m_response.send().flush();
    if (!IsHead()) SendBody(file.get(), first, length, size);
}

// Copies n bytes of the file at offset to the socket, in the kernel.
enum class CopyOutcome { Sent, FileEnded, ClientGone };
CopyOutcome CopyToSocket(int socketFd, int fd, uint64_t offset, size_t n) {
    off_t position = static_cast<off_t>(offset);
    while (n > 0) {
        const ssize_t sent = ::sendfile(socketFd, fd, &position, n);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0) return CopyOutcome::ClientGone;  // reset, closed, or the send time-out
        if (sent == 0) return CopyOutcome::FileEnded;
        n -= static_cast<size_t>(sent);
    }
    return CopyOutcome::Sent;
}

// As CopyToSocket, with the object's byte at `inverted` (when it lies in the span) sent inverted.
CopyOutcome CopyReplacing(int socketFd, int fd, uint64_t offset, size_t n,
                          std::optional<uint64_t> inverted) {
    if (!inverted || *inverted < offset || *inverted >= offset + n) {
        return CopyToSocket(socketFd, fd, offset, n);
    }
    const size_t before = static_cast<size_t>(*inverted - offset);
    CopyOutcome outcome = CopyToSocket(socketFd, fd, offset, before);
    if (outcome != CopyOutcome::Sent) return outcome;
    unsigned char byte = 0;
    if (::pread(fd, &byte, 1, static_cast<off_t>(*inverted)) != 1) return CopyOutcome::FileEnded;
    byte = static_cast<unsigned char>(~byte);
    ssize_t sent = 0;
    do {
        sent = ::send(socketFd, &byte, 1, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent != 1) return CopyOutcome::ClientGone;
    return CopyToSocket(socketFd, fd, *inverted + 1, n - before - 1);
}

// Writes the body in chunks straight from the file to the socket; the response
// stream would copy it and split it into small writes. `size` is the whole object's.
void Exchange::SendBody(int fd, uint64_t first, uint64_t length, uint64_t size) {
    std::optional<uint64_t> inverted;
    if (m_plan.replace && size > 0) {
        inverted = m_plan.replaceAtGiven ? std::min(m_plan.replaceAt, size - 1) : size / 2;
    }
    uint64_t limit = length;
    if (m_plan.cut != FaultPlan::Cut::None) {
        limit = m_plan.cutAtGiven ? std::min(m_plan.cutAt, length) : length / 2;
    }
    const uint64_t drip = m_plan.dripBytesPerSecond;
    const uint64_t chunk =
        drip == 0 ? kChunkBytes : std::clamp<uint64_t>(drip / 10, 1, kChunkBytes);
    Poco::Net::StreamSocket& socket = Socket();
    if (limit == 0) WriteLog();
    const auto started = std::chrono::steady_clock::now();
    uint64_t sent = 0;
    CopyOutcome outcome = CopyOutcome::Sent;
    while (sent < limit && !m_state.stopping.load()) {
        const uint64_t want = std::min(chunk, limit - sent);
        if (sent + want == limit) {
            m_record.bodyBytes = limit;
            WriteLog();
        }
        outcome = CopyReplacing(socket.impl()->sockfd(), fd, first + sent,
                                static_cast<size_t>(want), inverted);
        if (outcome != CopyOutcome::Sent) break;
        sent += want;
        m_record.bodyBytes = sent;
        if (drip != 0) {
            const auto due = started + std::chrono::milliseconds(sent * 1000 / drip);
            const auto now = std::chrono::steady_clock::now();
            if (due > now) {
                SleepUnlessStopping(
                    m_state,
                    static_cast<uint64_t>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()));
            }
        }
    }
    if (outcome == CopyOutcome::ClientGone) {
        // Nothing more can be sent on this connection.
        m_response.setKeepAlive(false);
        return;
    }
    if (sent == length) return;
    if (m_plan.cut == FaultPlan::Cut::Short && outcome == CopyOutcome::Sent) {
        m_response.setKeepAlive(false);
        try {
            socket.shutdownSend();
        } catch (const Poco::Exception&) {
        }
        return;
    }
    // Cut by a fault, the file shrank under us, or the service is stopping.
    ResetConnection();
}

Poco::Net::StreamSocket& Exchange::Socket() {
    return dynamic_cast<Poco::Net::HTTPServerRequestImpl&>(m_request).socket();
}

// Ends the connection at once with a reset, as a crashed peer would.
void Exchange::ResetConnection() {
    WriteLog();
    m_response.setKeepAlive(false);
    try {
        Poco::Net::StreamSocket socket =
            dynamic_cast<Poco::Net::HTTPServerRequestImpl&>(m_request).detachSocket();
        socket.setLinger(true, 0);
        socket.close();
    } catch (const Poco::Exception&) {
    }
}

class ObjectHandler : public Poco::Net::HTTPRequestHandler {
  public:
    explicit ObjectHandler(ServiceState& state) : m_state(state) {}

    void handleRequest(HTTPServerRequest& request, HTTPServerResponse& response) override {
        Exchange exchange(m_state, request, response);
        try {
            exchange.Run();
        } catch (const std::exception&) {
            try {
                exchange.FailInternally();
            } catch (const std::exception&) {
                response.setKeepAlive(false);
            }
        }
    }

  private:
    ServiceState& m_state;
};

std::vector<std::string> AcceptedHosts(const StandinOptions& options) {
    std::vector<std::string> hosts;
    if (!options.checkHost) return hosts;
    const std::string defaultDomain = objstore::build::kDefaultDomain;
    std::string stem = objstore::BucketHost(options.appId, options.region, options.bucket, false);
    stem.resize(stem.size() - defaultDomain.size());
    for (const std::string& domain : options.domains) hosts.push_back(Lower(stem + domain));
    return hosts;
}

std::string IdPrefix() {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%08llx%05x",
                  static_cast<unsigned long long>(std::time(nullptr)),
                  static_cast<unsigned>(::getpid()) & 0xFFFFFu);
    return prefix;
}

}  // namespace

ServiceState::ServiceState(const StandinOptions& opts)
    : options(opts),
      credentials{opts.secretId, opts.secretKey},
      bucketHosts(AcceptedHosts(opts)),
      folder(opts.root),
      faults(opts.faults, opts.seed),
      idPrefix(IdPrefix()) {
    if (!log.Open(opts.requestLog)) {
        throw std::runtime_error("cannot open request log '" + opts.requestLog + "'");
    }
}

Poco::Net::HTTPRequestHandler* ObjectHandlerFactory::createRequestHandler(
    const Poco::Net::HTTPServerRequest&) {
    return new ObjectHandler(m_state);
}

}  // namespace standin

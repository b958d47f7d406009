#include "op/multi_download.h"

#include <Poco/Exception.h>

#include <algorithm>
#include <sstream>

#include "op/object_op.h"
#include "op/retry_pause.h"
#include "trsf/transfer_handler.h"
#include "util/bucket_host.h"
#include "util/client_log.h"
#include "util/cos_global_settings.h"
#include "util/header_views.h"
#include "util/http_sender.h"

namespace objstore {
namespace {

constexpr char kOperation[] = "MultiThreadDownload";
constexpr int kSlicePoolMaxThreads = 16;
constexpr int kSlicePoolIdleSeconds = 60;
constexpr int kMaxAttempts = FileDownTask::kMaxAttempts;

// Failures a later attempt may not see: no answer, throttling, server errors.
bool IsTransient(int status) {
    return status == -1 || status == 429 || status >= 500;
}

// A weak tag (W/"...") never matches If-Match; only strong tags are sent.
bool IsStrongEtag(const std::string& etag) {
    return !etag.empty() && etag.rfind("W/", 0) != 0;
}

// Leaves the body of an answer unread.
class NoBody : public ResponseSink {
  public:
    std::ostream* Open(int, const HeaderMap&) override { return nullptr; }
};

// The object's length as a ranged answer for its first byte states it.
std::optional<uint64_t> LengthFromProbe(int status, const HeaderMap& headers) {
    if (status == 200) {
        const std::string* length = FindHeader(headers, "Content-Length");
        return length ? ParseContentLength(*length) : std::nullopt;
    }
    if (status != 206 && status != 416) return std::nullopt;
    const std::string* text = FindHeader(headers, "Content-Range");
    const std::optional<ContentRange> range = text ? ParseContentRange(*text) : std::nullopt;
    if (!range || !range->total) return std::nullopt;
    if (status == 206 && !(range->satisfied && range->first == 0)) return std::nullopt;
    // Only an empty object refuses the first byte.
    if (status == 416 && (range->satisfied || *range->total != 0)) return std::nullopt;
    return range->total;
}

}  // namespace

MultiDownload::MultiDownload(const ObjectOp& op, const GetObjectByFileReq& req,
                             GetObjectByFileResp* resp, std::shared_ptr<TransferHandler> handler,
                             bool useAlternateDomain)
    : m_op(op),
      m_req(req),
      m_resp(resp),
      m_handler(std::move(handler)),
      m_useAlternateDomain(useAlternateDomain),
      m_host(BucketHost(op.GetAppId(), op.GetRegion(), req.GetBucketName(), useAlternateDomain)) {}

// Every slice has been joined after its batch (or, in the fast profile, after
// the queue ran dry); the pool only stops its threads.
MultiDownload::~MultiDownload() = default;

CosResult MultiDownload::Run() {
    if (!CheckInputs() || !QueryLength() || !Prepare()) return m_result;
    if (m_handler) {
        m_handler->SetTotalSize(m_object.length);
        m_handler->UpdateStatus(TransferState::InProgress);
    }
    CreateTasks();
    return Finish(DownloadSlices());
}

bool MultiDownload::CheckInputs() {
    if (!ObjectOp::IsObjectKeyLegal(m_req.GetPath())) {
        m_result.SetErrorCode("GetObjectKeyIllegal");
        m_result.SetErrorMsg("The Getobject Key is illegal");
        if (m_handler) m_handler->UpdateStatus(TransferState::Failed, m_result);
        return false;
    }
    // The response receives the first slice's headers and feeds the handler's
    // final headers, so a call without one is refused.
    if (m_resp == nullptr) {
        ObjectOp::SetResultAndLogError(m_result, "invalid input parameter");
        if (m_handler) m_handler->UpdateStatus(TransferState::Failed, m_result);
        return false;
    }
    return true;
}

bool MultiDownload::QueryLength() {
    HeadObjectResp headResp;
    CosResult head = HeadWithRetries(&headResp);
    if (!head.IsSucc()) {
        ObjectOp::SetResultAndLogError(head,
                                       "failed to get object length before downloading object.");
        if (m_handler) {
            const bool retry = !m_useAlternateDomain && m_op.UsesDefaultDomain() &&
                               head.ShouldRetryOnAlternateDomain();
            m_handler->UpdateStatus(
                retry ? TransferState::RetryAlternateDomain : TransferState::Failed, head);
        }
        m_result = head;
        return false;
    }

    // An absent or unreadable length is not a length of 0: a gateway may drop it
    // from a head answer, so the first byte's Content-Range is asked instead.
    const std::string* lengthText = FindHeader(headResp.GetHeaders(), "Content-Length");
    const std::optional<uint64_t> length =
        lengthText ? ParseContentLength(*lengthText) : std::nullopt;
    if (length) {
        m_object.length = *length;
        m_object.etag = headResp.GetEtag();
        return true;
    }
    OBJSTORE_LOG_AS(kLogInfo, kOperation,
                    "%s:%s(%d) head answer has no readable Content-Length (%s), asking for the "
                    "first byte\n",
                    lengthText ? lengthText->c_str() : "none");
    if (std::optional<ObjectIdentity> probed = ProbeLength()) {
        m_object = *probed;
        return true;
    }
    m_result.SetHttpStatus(head.GetHttpStatus());
    m_result.SetXCosRequestId(head.GetXCosRequestId());
    return Fail(
        "failed to get object length before downloading object: the service states no "
        "length for it");
}

CosResult MultiDownload::HeadWithRetries(HeadObjectResp* headResp) {
    HeadObjectReq headReq(m_req.GetBucketName(), m_req.GetObjectName());
    // The length query goes the way the download goes (HTTPS and what it trusts).
    headReq.SetHttps(m_req.IsHttps());
    headReq.SetVerifyCert(m_req.GetVerifyCert());
    headReq.SetCaLocation(m_req.GetCaLocation());
    headReq.SetCaPem(m_req.GetCaPem());
    // An unusable configuration fails before anything is sent, every time.
    const int attempts = m_op.GetConfig()->IsValid() ? kMaxAttempts : 1;
    CosResult head;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (attempt > 1 && !PauseBeforeAttempt(attempt, m_handler)) break;
        *headResp = HeadObjectResp();
        head = m_op.HeadObject(headReq, headResp, m_useAlternateDomain);
        if (head.IsSucc() || !IsTransient(head.GetHttpStatus())) break;
        OBJSTORE_LOG_AS(kLogWarn, kOperation,
                        "%s:%s(%d) length query failed, status=%d, msg=%s, try_times:%d\n",
                        head.GetHttpStatus(), head.GetErrorMsg().c_str(), attempt);
    }
    return head;
}

std::optional<ObjectIdentity> MultiDownload::ProbeLength() {
    RepeatedRequestSigner signer(m_op.SigningInput(m_host, m_req.GetPath(), m_req));
    if (!signer.SignNow()) return std::nullopt;
    HttpSendOptions options;
    options.method = m_req.GetMethod();
    options.url = m_op.GetRealUrl(m_host, m_req.GetPath(), m_req.IsHttps());
    options.params = m_req.GetParams();
    options.connectTimeoutMs = m_req.GetConnTimeoutInms();
    options.receiveTimeoutMs = m_req.GetRecvTimeoutInms();
    options.verifyCert = m_req.GetVerifyCert();
    options.caLocation = m_req.GetCaLocation();
    options.caPem = m_req.GetCaPem();
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        if (attempt > 1 && !PauseBeforeAttempt(attempt, m_handler)) break;
        options.headers = signer.Headers();
        options.headers["Range"] = "bytes=0-0";
        NoBody sink;
        std::istringstream noBody;
        HttpAnswer answer;
        const int status = HttpSender::SendRequest(options, noBody, sink, &answer);
        if (std::optional<uint64_t> length = LengthFromProbe(status, answer.headers)) {
            return ObjectIdentity{*length, UnquoteEtag(HeaderValue(answer.headers, "ETag"))};
        }
        if (!IsTransient(status)) break;
    }
    return std::nullopt;
}

bool MultiDownload::Prepare() {
    RepeatedRequestSigner::Request input = m_op.SigningInput(m_host, m_req.GetPath(), m_req);
    // The service refuses a slice of another version of the object; the ETag
    // of every answer is compared as well, for servers that ignore If-Match.
    if (IsStrongEtag(m_object.etag)) input.headers["If-Match"] = "\"" + m_object.etag + "\"";
    m_signer = std::make_unique<RepeatedRequestSigner>(std::move(input));
    if (!m_signer->SignNow()) {
        return Fail("generate auth str failed, check your access_key/secret_key.");
    }

    const std::string localPath = m_req.LocalFilePath();
    if (const int openError = m_file.Open(localPath)) {
        return Fail("open file(" + localPath + ") fail, errno=" + std::to_string(openError));
    }
    return true;
}

void MultiDownload::CreateTasks() {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const uint64_t threads = settings.GetDownloadThreads();
    m_sliceSize = settings.GetDownloadSliceSize();
    m_fromQueue = settings.GetTransferProfile() == TransferProfile::Fast;
    const unsigned taskCount =
        static_cast<unsigned>(std::min(m_object.length / m_sliceSize + 1, threads));

    m_sliceRequest.url = m_op.GetRealUrl(m_host, m_req.GetPath(), m_req.IsHttps());
    m_sliceRequest.signer = m_signer.get();
    m_sliceRequest.params = m_req.GetParams();
    m_sliceRequest.connectTimeoutMs = m_req.GetConnTimeoutInms();
    m_sliceRequest.receiveTimeoutMs = m_req.GetRecvTimeoutInms();
    m_sliceRequest.verifyCert = m_req.GetVerifyCert();
    m_sliceRequest.caLocation = m_req.GetCaLocation();
    m_sliceRequest.caPem = m_req.GetCaPem();
    m_sliceRequest.handler = m_handler;
    m_sliceRequest.object = m_object;
    for (unsigned i = 0; i < taskCount; ++i) {
        m_buffers.emplace_back(new char[m_sliceSize]);
        m_tasks.emplace_back(std::make_unique<FileDownTask>(m_sliceRequest));
    }
    OBJSTORE_LOG_AS(kLogInfo, kOperation,
                    "%s:%s(%d) download data,url=%s, poolsize=%u, slice_size=%u, file_size=%llu\n",
                    m_sliceRequest.url.c_str(), taskCount, static_cast<unsigned>(m_sliceSize),
                    static_cast<unsigned long long>(m_object.length));
    m_pool = std::make_unique<Poco::ThreadPool>(static_cast<int>(taskCount), kSlicePoolMaxThreads,
                                                kSlicePoolIdleSeconds);
}

bool MultiDownload::DownloadSlices() {
    if (m_fromQueue) return DownloadFromQueue();
    while (m_nextOffset < m_object.length) {
        if (m_handler && m_handler->IsCancelRequested()) return Fail("Request canceled by user");
        OBJSTORE_LOG_AS(kLogDebug, kOperation, "%s:%s(%d) down data, offset=%llu, file_size=%llu\n",
                        static_cast<unsigned long long>(m_nextOffset),
                        static_cast<unsigned long long>(m_object.length));
        unsigned started = 0;
        if (!RunBatch(&started)) return false;
        switch (WriteBatch(started)) {
            case BatchOutcome::Written:
                break;
            case BatchOutcome::Failed:
                return false;
            case BatchOutcome::RangesIgnored:
                return FetchWhole();
        }
    }
    return true;
}

bool MultiDownload::RunBatch(unsigned* started) {
    const unsigned taskCount = static_cast<unsigned>(m_tasks.size());
    for (unsigned i = 0; i < taskCount && m_nextOffset < m_object.length; ++i) {
        OBJSTORE_LOG_AS(kLogDebug, kOperation,
                        "%s:%s(%d) down data, task_index=%d, file_size=%llu, offset=%llu\n",
                        static_cast<int>(i), static_cast<unsigned long long>(m_object.length),
                        static_cast<unsigned long long>(m_nextOffset));
        const uint64_t sliceLength = std::min(m_sliceSize, m_object.length - m_nextOffset);
        m_tasks[i]->SetDownParams(m_buffers[i].get(), sliceLength, m_nextOffset);
        try {
            m_pool->start(*m_tasks[i]);
        } catch (const Poco::Exception& e) {
            // The slices already running use the buffers and tasks: wait for
            // them before this call's working set goes away.
            m_pool->joinAll();
            return Fail("down data, start task failed: " + e.displayText());
        }
        ++m_slicesStarted;
        ++*started;
        m_nextOffset += sliceLength;
    }
    m_pool->joinAll();
    return true;
}

MultiDownload::BatchOutcome MultiDownload::WriteBatch(unsigned started) {
    for (unsigned j = 0; j < started; ++j) {
        const FileDownTask& task = *m_tasks[j];
        if (task.GetVerdict() == AnswerVerdict::RangesIgnored) return BatchOutcome::RangesIgnored;
        if (!task.IsTaskSuccess()) {
            const bool errorPage = task.GetVerdict() == AnswerVerdict::ErrorPage;
            OBJSTORE_LOG_AS(kLogError, kOperation, "%s:%s(%d) down data, down task fail, rsp:%s\n",
                            (errorPage ? task.GetTaskResp() : task.GetErrMsg()).c_str());
            TakeSliceFailure(task);
            return BatchOutcome::Failed;
        }
        if (!WriteSlice(j, task, m_buffers[j].get())) return BatchOutcome::Failed;
    }
    return BatchOutcome::Written;
}

bool MultiDownload::WriteSlice(unsigned index, const FileDownTask& task, const char* buffer) {
    const uint64_t offset = task.GetOffset();
    if (const int seekError = m_file.Seek(offset)) {
        return Fail("down data, lseek failed, ret=" + std::to_string(seekError) +
                    ", offset=" + std::to_string(offset));
    }
    if (const int writeError = m_file.Write(buffer, task.GetDownLoadLen())) {
        return Fail("down data, write failed, ret=" + std::to_string(writeError) +
                    ", len=" + std::to_string(task.GetDownLoadLen()));
    }
    if (m_firstWrite) {
        m_firstWrite = false;
        m_resp->ParseHeaders(task.GetRespHeaders());
        m_result.SetXCosRequestId(m_resp->GetRequestId());
        m_result.SetHttpStatus(task.GetHttpStatus());
    }
    OBJSTORE_LOG_AS(kLogDebug, kOperation,
                    "%s:%s(%d) down data, down_times=%u, task_index=%d, file_size=%lu, "
                    "offset=%lu, downlen:%lu \n",
                    m_slicesStarted, static_cast<int>(index),
                    static_cast<unsigned long>(m_object.length), static_cast<unsigned long>(offset),
                    static_cast<unsigned long>(task.GetDownLoadLen()));
    return true;
}

// The service's own message when its answer was an error page; otherwise the
// reason the last attempt failed (transport error, an answer that was not the
// slice, another version of the object).
void MultiDownload::TakeSliceFailure(const FileDownTask& task) {
    const int status = task.GetHttpStatus();
    m_result.SetHttpStatus(status);
    if (task.GetVerdict() == AnswerVerdict::ErrorPage) {
        if (!m_result.ParseFromHttpResponse(task.GetRespHeaders(), task.GetTaskResp())) {
            m_result.SetErrorMsg(task.GetTaskResp());
        }
    } else {
        m_result.SetErrorMsg(task.GetErrMsg());
        if (status != -1) {
            m_result.SetXCosRequestId(HeaderValue(task.GetRespHeaders(), "x-cos-request-id"));
        }
    }
    m_result.SetErrorContext("slice at offset " + std::to_string(task.GetOffset()) + " (" +
                             std::to_string(task.GetLength()) + " bytes), " +
                             std::to_string(task.GetAttempts()) + " attempts");
}

bool MultiDownload::FetchWhole() {
    OBJSTORE_LOG_AS(kLogInfo, kOperation,
                    "%s:%s(%d) the server ignores ranges, fetching the whole object in one "
                    "answer, file_size=%llu\n",
                    static_cast<unsigned long long>(m_object.length));
    // The slices counted so far are fetched again.
    if (m_handler) m_handler->RetractTransferred(m_handler->GetTransferredSize());

    HttpSendOptions options;
    options.handler = m_handler;
    options.method = "GET";
    options.url = m_sliceRequest.url;
    options.params = m_sliceRequest.params;
    options.connectTimeoutMs = m_sliceRequest.connectTimeoutMs;
    options.receiveTimeoutMs = m_sliceRequest.receiveTimeoutMs;
    options.verifyCert = m_sliceRequest.verifyCert;
    options.caLocation = m_sliceRequest.caLocation;
    options.caPem = m_sliceRequest.caPem;
    OutputFile& file = m_file;
    const SliceSink::Writer intoFile = [&file](uint64_t, const char* data, size_t count) {
        return file.Write(data, count);
    };

    HttpAnswer answer;
    std::string reason;
    int attempt = 1;
    for (; attempt <= kMaxAttempts; ++attempt) {
        if (attempt > 1 && !PauseBeforeAttempt(attempt, m_handler)) {
            return Fail("Request canceled by user");
        }
        if (const int seekError = m_file.Seek(0)) {
            return Fail("down data, lseek failed, ret=" + std::to_string(seekError) + ", offset=0");
        }
        options.headers = m_signer->Headers();
        SliceSink sink(m_object, 0, m_object.length, false, intoFile, m_handler);
        std::istringstream noBody;
        const int status = HttpSender::SendRequest(options, noBody, sink, &answer);
        const AnswerVerdict verdict = status == -1 ? AnswerVerdict::None : sink.Verdict();
        if (verdict == AnswerVerdict::Data) {
            m_resp->ParseHeaders(answer.headers);
            m_result.SetXCosRequestId(m_resp->GetRequestId());
            m_result.SetHttpStatus(status);
            return true;
        }
        sink.Discard();
        if (sink.WriteError() != 0) {
            return Fail("down data, write failed, ret=" + std::to_string(sink.WriteError()) +
                        ", len=" + std::to_string(m_object.length));
        }
        reason = verdict == AnswerVerdict::ErrorPage ? sink.ErrorBody()
                 : status == -1                      ? answer.errorText
                                                     : sink.Reason();
        if (verdict == AnswerVerdict::ErrorPage) {
            CosResult page;
            if (page.ParseFromHttpResponse(answer.headers, reason)) reason = page.GetErrorMsg();
        }
        OBJSTORE_LOG_AS(kLogError, "DownTask",
                        "%s:%s(%d) FileDownload: url(%s) fail, httpcode:%d, resp: %s, "
                        "try_times:%d\n",
                        options.url.c_str(), status, reason.c_str(), attempt);
        if (verdict == AnswerVerdict::ObjectChanged ||
            (m_handler && m_handler->IsCancelRequested())) {
            break;
        }
    }
    m_result.SetHttpStatus(answer.status);
    m_result.SetXCosRequestId(HeaderValue(answer.headers, "x-cos-request-id"));
    m_result.SetErrorMsg(reason);
    m_result.SetErrorContext("whole object (the server ignores ranges), " +
                             std::to_string(std::min(attempt, kMaxAttempts)) + " attempts");
    return false;
}

// Before the file is open the call ends here, so the handler learns of the
// failure now; afterwards Finish closes the file first and then tells it.
bool MultiDownload::Fail(const std::string& message) {
    ObjectOp::SetResultAndLogError(m_result, message);
    if (m_handler && !m_file.IsOpen()) m_handler->UpdateStatus(TransferState::Failed, m_result);
    return false;
}

CosResult MultiDownload::Finish(bool ok) {
    // Closed before the final status: a waiter may move or open the file at once.
    // A write error the system reports only at the close still fails the download.
    const int closeError = m_file.Close();
    if (closeError != 0 && ok) {
        ObjectOp::SetResultAndLogError(
            m_result, "down data, close failed, ret=" + std::to_string(closeError));
        ok = false;
    }
    if (!ok) {
        ObjectOp::SetResultAndLogError(m_result, "download data failed");
        if (m_handler) m_handler->UpdateStatus(TransferState::Failed, m_result);
        return m_result;
    }
    OBJSTORE_LOG_AS(kLogInfo, kOperation, "%s:%s(%d) down data succeed\n");
    m_result.SetSucc();
    if (m_handler) {
        m_handler->UpdateStatus(TransferState::Completed, m_result, m_resp->GetHeaders(), "");
    }
    return m_result;
}

}  // namespace objstore

#include "op/file_download_task.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "op/retry_pause.h"
#include "trsf/transfer_handler.h"
#include "util/client_log.h"
#include "util/http_sender.h"

namespace objstore {

FileDownTask::FileDownTask(const SliceRequest& request) : m_request(request) {}

void FileDownTask::SetDownParams(char* buffer, uint64_t length, uint64_t offset) {
    m_buffer = buffer;
    m_length = length;
    m_offset = offset;
}

void FileDownTask::run() {
    m_responseBody.clear();
    m_success = false;
    DownTask();
}

void FileDownTask::DownTask() {
    m_receivedLength = 0;
    m_verdict = AnswerVerdict::None;
    m_attempts = 0;
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        if (attempt > 1 && !PauseBeforeAttempt(attempt, m_request.handler)) {
            m_errorText = "Request canceled by user";
            return;
        }
        if (Attempt(attempt)) return;
    }
}

bool FileDownTask::Attempt(int attempt) {
    m_attempts = attempt;
    char range[128];
    std::snprintf(range, sizeof(range), "bytes=%" PRIu64 "-%" PRIu64, m_offset,
                  m_offset + m_length - 1);
    HttpSendOptions options;
    options.handler = m_request.handler;
    options.method = "GET";
    options.url = m_request.url;
    options.params = m_request.params;
    options.headers = m_request.signer->Headers();
    options.headers["Range"] = range;
    options.connectTimeoutMs = m_request.connectTimeoutMs;
    options.receiveTimeoutMs = m_request.receiveTimeoutMs;
    options.verifyCert = m_request.verifyCert;
    options.caLocation = m_request.caLocation;
    options.caPem = m_request.caPem;
    options.connection = m_connection;

    SliceSink sink(m_request.object, m_offset, m_length, true, SliceSink::IntoBuffer(m_buffer),
                   m_request.handler);
    std::istringstream noBody;
    HttpAnswer answer;
    m_httpStatus = HttpSender::SendRequest(options, noBody, sink, &answer);
    m_responseHeaders = std::move(answer.headers);
    m_errorText = std::move(answer.errorText);
    m_verdict = m_httpStatus == -1 ? AnswerVerdict::None : sink.Verdict();

    if (m_verdict == AnswerVerdict::Data) {
        m_success = true;
        m_receivedLength = sink.Kept();
        return true;
    }
    m_success = false;
    m_receivedLength = 0;
    m_responseBody = sink.ErrorBody();
    const bool canceled = m_request.handler && m_request.handler->IsCancelRequested();
    if (canceled) {
        // A canceled request may end in any error; the cancel is the reason.
        m_errorText = "Request canceled by user";
    } else if (m_verdict != AnswerVerdict::None && m_verdict != AnswerVerdict::ErrorPage) {
        m_errorText = sink.Reason();
    }
    sink.Discard();
    if (m_verdict == AnswerVerdict::RangesIgnored) return true;  // not a failure of the slice
    // An answer that is not an error page carries slice data or nothing useful:
    // the reason is shown instead of its body.
    const std::string& shown = m_verdict == AnswerVerdict::ErrorPage ? m_responseBody : m_errorText;
    OBJSTORE_LOG_AS(kLogError, "DownTask",
                    "%s:%s(%d) FileDownload: url(%s) fail, httpcode:%d, resp: %s, try_times:%d\n",
                    m_request.url.c_str(), m_httpStatus, shown.c_str(), attempt);
    return m_verdict == AnswerVerdict::ObjectChanged || canceled;
}

}  // namespace objstore

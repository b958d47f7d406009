#include "op/file_download_task.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "trsf/transfer_handler.h"
#include "util/client_log.h"
#include "util/http_sender.h"

namespace objstore {
namespace {

// First byte of a "bytes a-b/total" Content-Range, or -1 when it cannot be read.
int64_t ContentRangeStart(const std::map<std::string, std::string>& headers) {
    auto found = headers.find("Content-Range");
    if (found == headers.end()) return -1;
    unsigned long long start = 0;
    if (std::sscanf(found->second.c_str(), "bytes %llu-", &start) != 1) return -1;
    return static_cast<int64_t>(start);
}

}  // namespace

FileDownTask::FileDownTask(const std::string& url,
                           const std::map<std::string, std::string>& headers,
                           const std::map<std::string, std::string>& params,
                           uint64_t connectTimeoutMs, uint64_t receiveTimeoutMs,
                           std::shared_ptr<TransferHandler> handler)
    : m_url(url),
      m_headers(headers),
      m_params(params),
      m_connectTimeoutMs(connectTimeoutMs),
      m_receiveTimeoutMs(receiveTimeoutMs),
      m_handler(std::move(handler)) {}

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

bool FileDownTask::TakeSlice(int status) {
    uint64_t start = 0;
    if (status == 206) {
        const int64_t rangeStart = ContentRangeStart(m_responseHeaders);
        if (rangeStart >= 0 && static_cast<uint64_t>(rangeStart) != m_offset) {
            m_errorText = "slice answer starts at " + std::to_string(rangeStart) + ", expected " +
                          std::to_string(m_offset);
            return false;
        }
    } else {
        // A 200 carries the whole object: the slice lies at its offset in the body.
        start = m_offset;
    }
    if (m_responseBody.size() < start + m_length) {
        m_errorText = "slice answer too short: " + std::to_string(m_responseBody.size()) +
                      " bytes, expected " + std::to_string(start + m_length);
        return false;
    }
    std::memcpy(m_buffer, m_responseBody.data() + start, m_length);
    m_receivedLength = m_length;
    return true;
}

void FileDownTask::DownTask() {
    char range[128];
    std::snprintf(range, sizeof(range), "bytes=%" PRIu64 "-%" PRIu64, m_offset,
                  m_offset + m_length - 1);
    m_headers["Range"] = range;
    // The body is collected in place; one slice's worth avoids regrowing it.
    m_responseBody.reserve(m_length);

    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        m_responseHeaders.clear();
        m_errorText.clear();
        m_httpStatus = HttpSender::SendRequest(
            m_handler, "GET", m_url, m_params, m_headers, std::string(), m_connectTimeoutMs,
            m_receiveTimeoutMs, &m_responseHeaders, &m_responseBody, &m_errorText, false,
            m_verifyCert, m_caLocation);
        if ((m_httpStatus == 200 || m_httpStatus == 206) && TakeSlice(m_httpStatus)) {
            m_success = true;
            m_responseBody.clear();
            return;
        }
        // A 200/206 that failed here was too short or misplaced: its body is slice
        // data, so the reason is shown instead.
        const bool answered = m_httpStatus == 200 || m_httpStatus == 206;
        const std::string& shown = answered ? m_errorText : m_responseBody;
        OBJSTORE_LOG_ERR(
            "%s:%s(%d) FileDownload: url(%s) fail, httpcode:%d, resp: %s, try_times:%d\n",
            m_url.c_str(), m_httpStatus, shown.c_str(), attempt);
        m_success = false;
        m_receivedLength = 0;
    }
}

}  // namespace objstore

// One slice of a multi-threaded download: a ranged GET with up to four attempts.
//
// Every attempt is signed afresh (RepeatedRequestSigner), checked before its
// body is read (SliceSink) and, after a failure, follows a growing pause. An
// answer from another version of the object ends the slice at once; so does an
// answer with the whole object, which the download then fetches in one piece.
#pragma once

#include <Poco/Runnable.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "op/request_signing.h"
#include "op/slice_sink.h"

namespace objstore {

class HttpConnection;
class TransferHandler;

// What every slice of one download shares.
struct SliceRequest {
    std::string url;
    RepeatedRequestSigner* signer = nullptr;  // owned by the download
    std::map<std::string, std::string> params;
    uint64_t connectTimeoutMs = 0;
    uint64_t receiveTimeoutMs = 0;
    bool verifyCert = true;
    std::string caLocation;
    std::string caPem;
    std::shared_ptr<TransferHandler> handler;  // may be empty
    ObjectIdentity object;
};

class FileDownTask : public Poco::Runnable {
  public:
    static constexpr int kMaxAttempts = 4;

    explicit FileDownTask(const SliceRequest& request);

    void SetDownParams(char* buffer, uint64_t length, uint64_t offset);
    // The kept-alive connection of the slice thread running this task; nullptr
    // (the default) opens a new connection for every request.
    void SetConnection(HttpConnection* connection) { m_connection = connection; }

    void run() override;
    void DownTask();

    bool IsTaskSuccess() const { return m_success; }
    uint64_t GetDownLoadLen() const { return m_receivedLength; }
    int GetHttpStatus() const { return m_httpStatus; }
    // The body of the last error answer (up to kMaxErrorBodyBytes).
    const std::string& GetTaskResp() const { return m_responseBody; }
    const std::map<std::string, std::string>& GetRespHeaders() const { return m_responseHeaders; }
    // Why the last attempt failed when the answer's body does not say it.
    const std::string& GetErrMsg() const { return m_errorText; }
    AnswerVerdict GetVerdict() const { return m_verdict; }
    int GetAttempts() const { return m_attempts; }
    uint64_t GetOffset() const { return m_offset; }
    uint64_t GetLength() const { return m_length; }

  private:
    // One attempt; true when it ends the slice (success or a final verdict).
    bool Attempt(int attempt);

    const SliceRequest& m_request;
    HttpConnection* m_connection = nullptr;
    uint64_t m_offset = 0;
    char* m_buffer = nullptr;
    uint64_t m_length = 0;
    std::string m_responseBody;
    bool m_success = false;
    uint64_t m_receivedLength = 0;
    int m_httpStatus = -1;
    std::map<std::string, std::string> m_responseHeaders;
    std::string m_errorText;
    AnswerVerdict m_verdict = AnswerVerdict::None;
    int m_attempts = 0;
};

}  // namespace objstore

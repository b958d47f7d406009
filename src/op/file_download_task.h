// One slice of a multi-threaded download: a ranged GET with up to four attempts.
#pragma once

#include <Poco/Runnable.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace objstore {

class TransferHandler;

class FileDownTask : public Poco::Runnable {
  public:
    static constexpr int kMaxAttempts = 4;

    FileDownTask(const std::string& url, const std::map<std::string, std::string>& headers,
                 const std::map<std::string, std::string>& params, uint64_t connectTimeoutMs,
                 uint64_t receiveTimeoutMs, std::shared_ptr<TransferHandler> handler);

    void SetDownParams(char* buffer, uint64_t length, uint64_t offset);
    void SetVerifyCert(bool verify) { m_verifyCert = verify; }
    void SetCaLocation(const std::string& location) { m_caLocation = location; }

    void run() override;
    void DownTask();

    bool IsTaskSuccess() const { return m_success; }
    uint64_t GetDownLoadLen() const { return m_receivedLength; }
    int GetHttpStatus() const { return m_httpStatus; }
    const std::string& GetTaskResp() const { return m_responseBody; }
    const std::map<std::string, std::string>& GetRespHeaders() const { return m_responseHeaders; }
    const std::string& GetErrMsg() const { return m_errorText; }

  private:
    // Copies the slice's bytes out of a 200 or 206 answer; false (with the error
    // text set) when the answer does not hold the whole slice.
    bool TakeSlice(int status);

    std::string m_url;
    std::map<std::string, std::string> m_headers;
    std::map<std::string, std::string> m_params;
    uint64_t m_connectTimeoutMs;
    uint64_t m_receiveTimeoutMs;
    std::shared_ptr<TransferHandler> m_handler;
    uint64_t m_offset = 0;
    char* m_buffer = nullptr;
    uint64_t m_length = 0;
    std::string m_responseBody;
    bool m_success = false;
    uint64_t m_receivedLength = 0;
    int m_httpStatus = -1;
    std::map<std::string, std::string> m_responseHeaders;
    std::string m_errorText;
    bool m_verifyCert = true;
    std::string m_caLocation;
};

}  // namespace objstore

// Outcome of one storage operation.
#pragma once

#include <map>
#include <string>

namespace objstore {

class CosResult {
  public:
    bool IsSucc() const { return m_success; }
    int GetHttpStatus() const { return m_httpStatus; }
    const std::string& GetErrorCode() const { return m_errorCode; }
    const std::string& GetErrorMsg() const { return m_errorMsg; }
    const std::string& GetResourceAddr() const { return m_resource; }
    const std::string& GetXCosRequestId() const { return m_requestId; }
    const std::string& GetXCosTraceId() const { return m_traceId; }
    const std::string& GetXCosServerTime() const { return m_serverTime; }
    // Where an operation of many requests failed (for a download: which slice,
    // after how many attempts); "" when it does not apply.
    const std::string& GetErrorContext() const { return m_errorContext; }

    void SetSucc() { m_success = true; }
    void SetFail() { m_success = false; }
    void SetHttpStatus(int status) { m_httpStatus = status; }
    void SetErrorCode(const std::string& code) { m_errorCode = code; }
    void SetErrorMsg(const std::string& message) { m_errorMsg = message; }
    void SetResourceAddr(const std::string& resource) { m_resource = resource; }
    void SetXCosRequestId(const std::string& id) { m_requestId = id; }
    void SetXCosTraceId(const std::string& id) { m_traceId = id; }
    void SetXCosServerTime(const std::string& time) { m_serverTime = time; }
    void SetErrorContext(const std::string& context) { m_errorContext = context; }

    // Fills the result from a service error answer: the request and trace ids of
    // the headers, then the fields of the body's Error element. False when the
    // body holds no readable Error element.
    bool ParseFromHttpResponse(const std::map<std::string, std::string>& headers,
                               const std::string& body);

    // True when a failed request may be repeated once on the alternative domain.
    bool ShouldRetryOnAlternateDomain() const;

  private:
    bool m_success = false;
    int m_httpStatus = -1;
    std::string m_errorCode;
    std::string m_errorMsg;
    std::string m_resource;
    std::string m_requestId;
    std::string m_traceId;
    std::string m_serverTime;
    std::string m_errorContext;
};

}  // namespace objstore

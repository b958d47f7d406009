// Common part of every storage response: headers as received and the body.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace objstore {

class BaseResp {
  public:
    BaseResp() = default;
    virtual ~BaseResp() = default;
    BaseResp(const BaseResp&) = default;
    BaseResp& operator=(const BaseResp&) = default;

    // One "name = value" line per header, then the body.
    virtual std::string ToText() const;
    // Replaces the stored headers with a copy of the given map.
    virtual void ParseHeaders(const std::map<std::string, std::string>& headers);
    // Stores the body; always succeeds.
    virtual bool ParseBody(const std::string& body);

    void SetBody(const std::string& body) { m_body = body; }
    const std::string& GetBody() const { return m_body; }
    const std::map<std::string, std::string>& GetHeaders() const { return m_headers; }

    // Header lookups ignore the case of the name (the map keeps it as received).
    // Value of the first header with this name, or "".
    std::string GetHeader(const std::string& name) const;
    std::string GetRequestId() const { return GetHeader("x-cos-request-id"); }
    // Leading decimal digits of Content-Length; 0 when absent.
    uint64_t GetContentLength() const;
    // ETag (or Etag) with one pair of surrounding quotes removed.
    std::string GetEtag() const;

  private:
    std::map<std::string, std::string> m_headers;
    std::string m_body;
};

}  // namespace objstore

// Common part of every storage request: wire fields and per-request transport options.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace objstore {

constexpr const char kDefaultUserAgent[] = "objstore-cpp-5.5.12";

class BaseReq {
  public:
    BaseReq();
    virtual ~BaseReq() = default;
    BaseReq(const BaseReq&) = default;
    BaseReq& operator=(const BaseReq&) = default;

    const std::map<std::string, std::string>& GetHeaders() const { return m_headers; }
    const std::map<std::string, std::string>& GetParams() const { return m_params; }
    std::string GetHeader(const std::string& name) const;
    void AddHeader(const std::string& name, const std::string& value) { m_headers[name] = value; }
    void AddParam(const std::string& name, const std::string& value) { m_params[name] = value; }

    const std::string& GetPath() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }
    const std::string& GetMethod() const { return m_method; }
    void SetMethod(const std::string& method) { m_method = method; }

    uint64_t GetConnTimeoutInms() const { return m_connectTimeoutMs; }
    uint64_t GetRecvTimeoutInms() const { return m_receiveTimeoutMs; }
    void SetConnTimeoutInms(uint64_t ms) { m_connectTimeoutMs = ms; }
    void SetRecvTimeoutInms(uint64_t ms) { m_receiveTimeoutMs = ms; }

    bool IsHttps() const { return m_useHttps; }
    void SetHttps(bool on) { m_useHttps = on; }
    bool GetVerifyCert() const { return m_verifyCert; }
    void SetVerifyCert(bool on) { m_verifyCert = on; }
    bool SignHeaderHost() const { return m_signHost; }
    void SetSignHeaderHost(bool on) { m_signHost = on; }
    const std::string& GetCaLocation() const { return m_caLocation; }
    void SetCaLocation(const std::string& location) { m_caLocation = location; }
    // PEM certificates that alone are trusted for HTTPS (see HttpSendOptions::caPem).
    const std::string& GetCaPem() const { return m_caPem; }
    void SetCaPem(const std::string& pem) { m_caPem = pem; }

  private:
    std::map<std::string, std::string> m_headers;
    std::map<std::string, std::string> m_params;
    std::string m_path;
    std::string m_method;
    uint64_t m_connectTimeoutMs;
    uint64_t m_receiveTimeoutMs;
    bool m_useHttps = false;
    bool m_verifyCert = true;
    bool m_signHost = true;
    std::string m_caLocation;
    std::string m_caPem;
};

}  // namespace objstore

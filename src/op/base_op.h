// Common base of the client's operation classes: configuration, URL building and
// one signed request from request object to result.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "op/base_req.h"
#include "op/base_resp.h"
#include "op/cos_result.h"
#include "op/request_signing.h"
#include "util/cos_config.h"

namespace objstore {

class BaseOp {
  public:
    explicit BaseOp(std::shared_ptr<CosConfig> config) : m_config(std::move(config)) {}
    virtual ~BaseOp() = default;

    uint64_t GetAppId() const { return m_config->GetAppId(); }
    std::string GetSecretId() const { return m_config->GetSecretId(); }
    std::string GetSecretKey() const { return m_config->GetSecretKey(); }
    std::string GetRegion() const { return m_config->GetRegion(); }
    std::string GetSecurityToken() const { return m_config->GetSecurityToken(); }
    const std::shared_ptr<CosConfig>& GetConfig() const { return m_config; }

    // Scheme, endpoint host (override, forced host, custom domain, DNS cache or
    // the given host, first that applies) and the encoded path.
    std::string GetRealUrl(const std::string& host, const std::string& path, bool isHttps) const;

    // False when an override, forced host or custom domain replaces the bucket
    // host, or the region is "accelerate": no alternative domain applies then.
    bool UsesDefaultDomain() const;

    // Checks the configuration, completes and signs the headers, sends the request
    // and turns the answer into a result; the response is filled on success.
    CosResult NormalAction(const std::string& host, const std::string& path, const BaseReq& req,
                           const std::string& reqBody, BaseResp* resp) const;

    // Everything a signature of the request covers: the credentials, the
    // request's headers with Host and the security token set, its parameters and
    // the header names left unsigned.
    RepeatedRequestSigner::Request SigningInput(const std::string& host, const std::string& path,
                                                const BaseReq& req) const;

  protected:
    // Sets Host and the security token in headers, and returns the Authorization
    // value for them ("" when the credentials are missing).
    std::string SignHeaders(const std::string& host, const std::string& path, const BaseReq& req,
                            std::map<std::string, std::string>* headers) const;

  private:
    std::shared_ptr<CosConfig> m_config;
};

}  // namespace objstore

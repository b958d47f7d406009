#include "op/base_op.h"

#include <set>

#include "util/client_log.h"
#include "util/codec.h"
#include "util/cos_global_settings.h"
#include "util/header_views.h"
#include "util/http_sender.h"
#include "util/request_signer.h"
#include "util/simple_dns_cache.h"

namespace objstore {
namespace {

const char kInvalidConfig[] =
    "Invalid access_key secret_key or region, please check your configuration";
const char kSignFailed[] = "Generate auth str fail, check your access_key/secret_key.";

}  // namespace

std::string BaseOp::GetRealUrl(const std::string& host, const std::string& path,
                               bool isHttps) const {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const std::string fullPath = !path.empty() && path[0] == '/' ? path : "/" + path;

    std::string endpoint;
    const std::string forcedHost = settings.GetForcedHost();
    const std::string globalDomain = settings.GetCustomDomain();
    if (m_config->IsEndpointOverrideOn() && m_config->IsEndpointOverrideAllowed() &&
        !m_config->GetEndpointOverride().empty()) {
        endpoint = m_config->GetEndpointOverride();
    } else if (settings.GetUseForcedHost() && !forcedHost.empty()) {
        endpoint = forcedHost;
    } else if (!m_config->GetCustomDomain().empty()) {
        endpoint = m_config->GetCustomDomain();
    } else if (!globalDomain.empty()) {
        endpoint = globalDomain;
    } else if (settings.GetUseDnsCache()) {
        endpoint = GetDnsCache().Resolve(host);
        // A host without addresses keeps its name, so the transport's lookup
        // error names the host instead of complaining about an empty URL.
        if (endpoint.empty()) endpoint = host;
        // An IPv6 address stands in brackets in a URL.
        if (endpoint.find(':') != std::string::npos) endpoint = "[" + endpoint + "]";
    } else {
        endpoint = host;
    }

    const std::string url = (isHttps ? "https://" : "http://") + endpoint + EncodePath(fullPath);
    OBJSTORE_LOG_DBG("%s:%s(%d) dest_uri: %s\n", url.c_str());
    return url;
}

bool BaseOp::UsesDefaultDomain() const {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    if (m_config->IsEndpointOverrideOn() && m_config->IsEndpointOverrideAllowed() &&
        !m_config->GetEndpointOverride().empty()) {
        return false;
    }
    if (settings.GetUseForcedHost() && !settings.GetForcedHost().empty()) return false;
    if (!m_config->GetCustomDomain().empty()) return false;
    if (!settings.GetCustomDomain().empty()) return false;
    return m_config->GetRegion() != "accelerate";
}

RepeatedRequestSigner::Request BaseOp::SigningInput(const std::string& host,
                                                    const std::string& path,
                                                    const BaseReq& req) const {
    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    RepeatedRequestSigner::Request input;
    input.secretId = m_config->GetSecretId();
    input.secretKey = m_config->GetSecretKey();
    input.method = req.GetMethod();
    input.path = path;
    input.headers = req.GetHeaders();
    input.params = req.GetParams();

    const std::string token = m_config->GetSecurityToken();
    if (!token.empty()) input.headers["x-cos-security-token"] = token;
    const bool customAsHost = m_config->IsCustomDomainAsHostSet()
                                  ? m_config->IsCustomDomainAsHost()
                                  : settings.GetCustomDomainAsHost();
    if (customAsHost) {
        const std::string& own = m_config->GetCustomDomain();
        input.headers["Host"] = own.empty() ? settings.GetCustomDomain() : own;
    } else {
        input.headers["Host"] = host;
    }
    if (!req.SignHeaderHost()) input.unsignedHeaders.insert("Host");
    return input;
}

std::string BaseOp::SignHeaders(const std::string& host, const std::string& path,
                                const BaseReq& req,
                                std::map<std::string, std::string>* headers) const {
    RepeatedRequestSigner::Request input = SigningInput(host, path, req);
    for (const auto& [name, value] : *headers) input.headers.emplace(name, value);
    *headers = input.headers;
    return RequestSigner::Sign(input.secretId, input.secretKey, input.method, input.path,
                               input.headers, input.params, input.unsignedHeaders);
}

CosResult BaseOp::NormalAction(const std::string& host, const std::string& path, const BaseReq& req,
                               const std::string& reqBody, BaseResp* resp) const {
    CosResult result;
    if (!m_config->IsValid()) {
        result.SetErrorMsg(kInvalidConfig);
        OBJSTORE_LOG_ERR("%s:%s(%d) %s\n", kInvalidConfig);
        return result;
    }

    std::map<std::string, std::string> headers = req.GetHeaders();
    const std::map<std::string, std::string>& params = req.GetParams();
    const std::string auth = SignHeaders(host, path, req, &headers);
    if (auth.empty()) {
        result.SetErrorMsg(kSignFailed);
        return result;
    }
    headers["Authorization"] = auth;

    HttpSendOptions options;
    options.method = req.GetMethod();
    options.url = GetRealUrl(host, path, req.IsHttps());
    options.params = params;
    options.headers = std::move(headers);
    options.connectTimeoutMs = req.GetConnTimeoutInms();
    options.receiveTimeoutMs = req.GetRecvTimeoutInms();
    options.verifyCert = req.GetVerifyCert();
    options.caLocation = req.GetCaLocation();
    options.caPem = req.GetCaPem();
    HttpAnswer answer;
    std::string responseBody;
    const int status = HttpSender::SendRequest(options, reqBody, &responseBody, &answer);
    if (status == -1) {
        result.SetErrorMsg(answer.errorText);
        return result;
    }
    const std::map<std::string, std::string>& responseHeaders = answer.headers;

    result.SetHttpStatus(status);
    if (status >= 200 && status <= 299) {
        result.SetSucc();
        if (resp != nullptr) {
            resp->ParseBody(responseBody);
            resp->ParseHeaders(responseHeaders);
            resp->SetBody(responseBody);
        }
        result.SetXCosRequestId(HeaderValue(responseHeaders, "x-cos-request-id"));
    } else if (!result.ParseFromHttpResponse(responseHeaders, responseBody)) {
        result.SetErrorMsg(responseBody);
    }
    return result;
}

}  // namespace objstore

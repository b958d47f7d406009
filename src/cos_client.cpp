#include "cos_client.h"

#include <Poco/Net/HTTPSStreamFactory.h>
#include <Poco/Net/HTTPStreamFactory.h>
#include <Poco/Net/Net.h>
#include <Poco/Net/SSLManager.h>

#include <mutex>

#include "trsf/async_task.h"
#include "trsf/transfer_handler.h"

namespace objstore {
namespace {

std::mutex g_networkLock;
int g_networkInitCount = 0;

}  // namespace

CosClient::CosClient(const CosConfig& config)
    : m_config(std::make_shared<CosConfig>(config)),
      m_objectOp(m_config),
      m_bucketOp(m_config),
      m_serviceOp(m_config) {
    InitNetworkOnce();
}

void CosClient::InitNetworkOnce() {
    std::lock_guard<std::mutex> guard(g_networkLock);
    if (g_networkInitCount > 0) return;
#ifdef _WIN32
    // A static Poco on Windows does not start WinSock by itself.
    Poco::Net::initializeNetwork();
#endif
    Poco::Net::HTTPStreamFactory::registerFactory();
    Poco::Net::HTTPSStreamFactory::registerFactory();
    Poco::Net::initializeSSL();
    ++g_networkInitCount;
}

int CosClient::NetworkInitCount() {
    std::lock_guard<std::mutex> guard(g_networkLock);
    return g_networkInitCount;
}

bool CosClient::ObjectExists(const std::string& bucket, const std::string& key) const {
    return m_objectOp.ObjectExists(bucket, key);
}

bool CosClient::ObjectExists(const HeadObjectReq& req) const {
    return m_objectOp.ObjectExists(req);
}

std::shared_ptr<AsyncContext> CosClient::AsyncMultiGetObject(const AsyncMultiGetObjectReq& req) {
    auto handler = std::make_shared<TransferHandler>();
    handler->InitFromRequest(req);

    const ObjectOp* objectOp = &m_objectOp;
    auto body = [req, handler, objectOp]() {
        GetObjectByFileResp resp;
        objectOp->MultiThreadDownload(req, &resp, handler, false);
        if (handler->GetStatus() == TransferState::RetryAlternateDomain) {
            objectOp->MultiThreadDownload(req, &resp, handler, true);
        }
    };
    GetAsyncTaskPool().Start(new AsyncTask(FailHandlerOnException(handler, body)), handler);
    return std::make_shared<AsyncContext>(handler);
}

}  // namespace objstore

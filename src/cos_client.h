// The storage client: existence test and asynchronous multi-threaded download.
#pragma once

#include <memory>
#include <string>

#include "op/bucket_op.h"
#include "op/object_op.h"
#include "op/service_op.h"
#include "trsf/async_context.h"
#include "util/cos_config.h"

namespace objstore {

class CosClient {
  public:
    // Keeps its own copy of the configuration; the first client of the process
    // initialises the network layer.
    explicit CosClient(const CosConfig& config);
    CosClient(const CosClient&) = delete;
    CosClient& operator=(const CosClient&) = delete;

    bool ObjectExists(const std::string& bucket, const std::string& key) const;
    // The same with the request's transport options (HTTPS, trusted certificates).
    bool ObjectExists(const HeadObjectReq& req) const;

    // Starts the download on the asynchronous pool and returns at once. The client
    // must outlive the download.
    std::shared_ptr<AsyncContext> AsyncMultiGetObject(const AsyncMultiGetObjectReq& req);

    const ObjectOp& GetObjectOp() const { return m_objectOp; }

    // How many times this process initialised the network layer (0 or 1).
    static int NetworkInitCount();

  private:
    static void InitNetworkOnce();

    std::shared_ptr<CosConfig> m_config;
    ObjectOp m_objectOp;
    BucketOp m_bucketOp;
    ServiceOp m_serviceOp;
};

}  // namespace objstore

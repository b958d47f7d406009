// Object-level operations: head, existence test and the multi-threaded download.
#pragma once

#include <memory>
#include <string>

#include "op/base_op.h"
#include "op/object_req.h"
#include "op/object_resp.h"

namespace objstore {

class TransferHandler;

class ObjectOp : public BaseOp {
  public:
    using BaseOp::BaseOp;
    ~ObjectOp() override = default;

    CosResult HeadObject(const HeadObjectReq& req, HeadObjectResp* resp,
                         bool useAlternateDomain = false) const;

    // True when a head request for the object succeeds (with one repeat on the
    // alternative domain where that applies).
    bool ObjectExists(const std::string& bucket, const std::string& key) const;
    // The same with the request's transport options (HTTPS, trusted certificates).
    bool ObjectExists(const HeadObjectReq& req) const;

    // Fetches the object into the request's local file in parallel ranged slices.
    // The response is required; the handler may be empty.
    CosResult MultiThreadDownload(const GetObjectByFileReq& req, GetObjectByFileResp* resp,
                                  const std::shared_ptr<TransferHandler>& handler = nullptr,
                                  bool useAlternateDomain = false) const;

    // Logs the message; stores it as the error message unless one is set; fails.
    static void SetResultAndLogError(CosResult& result, const std::string& message);

    // False when ObjectKeyCheck is on and the path reduces to the root.
    static bool IsObjectKeyLegal(const std::string& path);
};

}  // namespace objstore

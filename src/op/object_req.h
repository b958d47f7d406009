// Object-level requests: head, get and the multi-threaded download to a file.
#pragma once

#include <string>

#include "op/base_req.h"
#include "trsf/transfer_callbacks.h"

namespace objstore {

class ObjectReq : public BaseReq {
  public:
    ObjectReq(const std::string& bucket, const std::string& objectKey);
    ~ObjectReq() override = default;

    virtual std::string LocalFilePath() const { return ""; }

    const std::string& GetBucketName() const { return m_bucket; }
    const std::string& GetObjectName() const { return m_objectKey; }
    // Stores the key without one leading "/" and sets the path to "/" + key.
    void SetObjectKey(const std::string& key);

    const TransferProgressCallback& GetTransferProgressCallback() const { return m_progress; }
    const TransferDoneCallback& GetDoneCallback() const { return m_done; }
    void* GetUserData() const { return m_userData; }
    void SetTransferProgressCallback(TransferProgressCallback callback) {
        m_progress = std::move(callback);
    }
    void SetDoneCallback(TransferDoneCallback callback) { m_done = std::move(callback); }
    void SetUserData(void* userData) { m_userData = userData; }

  private:
    std::string m_bucket;
    std::string m_objectKey;
    TransferProgressCallback m_progress;
    TransferDoneCallback m_done;
    void* m_userData = nullptr;
};

class GetObjectReq : public ObjectReq {
  public:
    GetObjectReq(const std::string& bucket, const std::string& objectKey);
};

class GetObjectByFileReq : public GetObjectReq {
  public:
    // An empty local path becomes "./" followed by the key exactly as passed.
    GetObjectByFileReq(const std::string& bucket, const std::string& objectKey,
                       const std::string& localFilePath);
    ~GetObjectByFileReq() override = default;

    std::string LocalFilePath() const override { return m_localFilePath; }
    void SetLocalFilePath(const std::string& path) { m_localFilePath = path; }

  private:
    std::string m_localFilePath;
};

class AsyncMultiGetObjectReq : public GetObjectByFileReq {
  public:
    using GetObjectByFileReq::GetObjectByFileReq;
};

class HeadObjectReq : public ObjectReq {
  public:
    HeadObjectReq(const std::string& bucket, const std::string& objectKey);
};

}  // namespace objstore

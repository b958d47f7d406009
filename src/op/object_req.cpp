#include "op/object_req.h"

namespace objstore {

ObjectReq::ObjectReq(const std::string& bucket, const std::string& objectKey) : m_bucket(bucket) {
    SetObjectKey(objectKey);
}

void ObjectReq::SetObjectKey(const std::string& key) {
    m_objectKey = !key.empty() && key[0] == '/' ? key.substr(1) : key;
    SetPath("/" + m_objectKey);
}

GetObjectReq::GetObjectReq(const std::string& bucket, const std::string& objectKey)
    : ObjectReq(bucket, objectKey) {
    SetMethod("GET");
}

GetObjectByFileReq::GetObjectByFileReq(const std::string& bucket, const std::string& objectKey,
                                       const std::string& localFilePath)
    : GetObjectReq(bucket, objectKey),
      m_localFilePath(localFilePath.empty() ? "./" + objectKey : localFilePath) {}

HeadObjectReq::HeadObjectReq(const std::string& bucket, const std::string& objectKey)
    : ObjectReq(bucket, objectKey) {
    SetMethod("HEAD");
}

}  // namespace objstore

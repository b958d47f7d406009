#include "op/object_op.h"

#include "op/multi_download.h"
#include "util/bucket_host.h"
#include "util/client_log.h"
#include "util/cos_global_settings.h"

namespace objstore {

void ObjectOp::SetResultAndLogError(CosResult& result, const std::string& message) {
    OBJSTORE_LOG_ERR("%s:%s(%d) %s\n", message.c_str());
    if (result.GetErrorMsg().empty()) result.SetErrorMsg(message);
    result.SetFail();
}

bool ObjectOp::IsObjectKeyLegal(const std::string& path) {
    if (!CosGlobalSettings::Instance().GetObjectKeyCheck()) return true;
    size_t depth = 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const size_t length = end - start;
        if (length == 2 && path.compare(start, 2, "..") == 0) {
            if (depth > 0) --depth;
        } else if (length > 0 && !(length == 1 && path[start] == '.')) {
            ++depth;
        }
        start = end + 1;
    }
    return depth > 0;
}

CosResult ObjectOp::HeadObject(const HeadObjectReq& req, HeadObjectResp* resp,
                               bool useAlternateDomain) const {
    const std::string host =
        BucketHost(GetAppId(), GetRegion(), req.GetBucketName(), useAlternateDomain);
    CosResult result = NormalAction(host, req.GetPath(), req, "", resp);
    if (result.GetHttpStatus() == 404) result.SetErrorCode("NoSuchKey");
    return result;
}

bool ObjectOp::ObjectExists(const std::string& bucket, const std::string& key) const {
    return ObjectExists(HeadObjectReq(bucket, key));
}

bool ObjectOp::ObjectExists(const HeadObjectReq& req) const {
    HeadObjectResp resp;
    CosResult result = HeadObject(req, &resp, false);
    if (!result.IsSucc() && UsesDefaultDomain() && result.ShouldRetryOnAlternateDomain()) {
        result = HeadObject(req, &resp, true);
    }
    return result.IsSucc();
}

CosResult ObjectOp::MultiThreadDownload(const GetObjectByFileReq& req, GetObjectByFileResp* resp,
                                        const std::shared_ptr<TransferHandler>& handler,
                                        bool useAlternateDomain) const {
    return MultiDownload(*this, req, resp, handler, useAlternateDomain).Run();
}

}  // namespace objstore

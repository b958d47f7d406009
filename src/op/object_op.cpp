#include "op/object_op.h"

#include <Poco/Exception.h>
#include <Poco/ThreadPool.h>

#include <algorithm>
#include <vector>

#include "op/file_download_task.h"
#include "trsf/transfer_handler.h"
#include "util/bucket_host.h"
#include "util/client_log.h"
#include "util/cos_global_settings.h"
#include "util/output_file.h"

namespace objstore {
namespace {

constexpr int kSlicePoolMaxThreads = 16;
constexpr int kSlicePoolIdleSeconds = 60;

void FailHandler(const std::shared_ptr<TransferHandler>& handler, const CosResult& result) {
    if (handler) handler->UpdateStatus(TransferState::Failed, result);
}

// Reads a failed slice's outcome into the result.
void TakeSliceFailure(const FileDownTask& task, CosResult& result) {
    const int status = task.GetHttpStatus();
    result.SetHttpStatus(status);
    if (status == -1 || status == 200 || status == 206) {
        // No answer, or an answer that did not hold the slice: the task says why.
        result.SetErrorMsg(task.GetErrMsg());
    } else if (!result.ParseFromHttpResponse(task.GetRespHeaders(), task.GetTaskResp())) {
        result.SetErrorMsg(task.GetTaskResp());
    }
}

}  // namespace

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
    HeadObjectReq req(bucket, key);
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
    CosResult result;
    if (!IsObjectKeyLegal(req.GetPath())) {
        result.SetErrorCode("GetObjectKeyIllegal");
        result.SetErrorMsg("The Getobject Key is illegal");
        FailHandler(handler, result);
        return result;
    }
    // The response receives the first slice's headers and feeds the handler's
    // final headers, so a call without one is refused.
    if (resp == nullptr) {
        SetResultAndLogError(result, "invalid input parameter");
        FailHandler(handler, result);
        return result;
    }

    // Length query.
    HeadObjectReq headReq(req.GetBucketName(), req.GetObjectName());
    HeadObjectResp headResp;
    CosResult headResult = HeadObject(headReq, &headResp, useAlternateDomain);
    if (!headResult.IsSucc()) {
        SetResultAndLogError(headResult, "failed to get object length before downloading object.");
        if (handler) {
            const bool retry = !useAlternateDomain && UsesDefaultDomain() &&
                               headResult.ShouldRetryOnAlternateDomain();
            handler->UpdateStatus(
                retry ? TransferState::RetryAlternateDomain : TransferState::Failed, headResult);
        }
        return headResult;
    }

    // One signed request serves every slice and attempt.
    std::map<std::string, std::string> headers = req.GetHeaders();
    const std::map<std::string, std::string>& params = req.GetParams();
    const std::string host =
        BucketHost(GetAppId(), GetRegion(), req.GetBucketName(), useAlternateDomain);
    const std::string& path = req.GetPath();
    const std::string auth = SignHeaders(host, path, req, &headers);
    if (auth.empty()) {
        SetResultAndLogError(result, "generate auth str failed, check your access_key/secret_key.");
        FailHandler(handler, result);
        return result;
    }
    headers["Authorization"] = auth;

    const std::string localPath = req.LocalFilePath();
    OutputFile file;
    if (const int openError = file.Open(localPath)) {
        SetResultAndLogError(
            result, "open file(" + localPath + ") fail, errno=" + std::to_string(openError));
        FailHandler(handler, result);
        return result;
    }

    const uint64_t length = headResp.GetContentLength();
    if (handler) {
        handler->SetTotalSize(length);
        handler->UpdateStatus(TransferState::InProgress);
    }

    const CosGlobalSettings& settings = CosGlobalSettings::Instance();
    const uint64_t threads = settings.GetDownloadThreads();
    const uint64_t sliceSize = settings.GetDownloadSliceSize();
    const unsigned taskCount = static_cast<unsigned>(std::min(length / sliceSize + 1, threads));

    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<std::unique_ptr<FileDownTask>> tasks;
    const std::string url = GetRealUrl(host, path, req.IsHttps());
    for (unsigned i = 0; i < taskCount; ++i) {
        buffers.emplace_back(new char[sliceSize]);
        tasks.emplace_back(std::make_unique<FileDownTask>(
            url, headers, params, req.GetConnTimeoutInms(), req.GetRecvTimeoutInms(), handler));
    }
    OBJSTORE_LOG_INFO(
        "%s:%s(%d) download data,url=%s, poolsize=%u, slice_size=%u, file_size=%llu\n", url.c_str(),
        taskCount, static_cast<unsigned>(sliceSize), static_cast<unsigned long long>(length));

    Poco::ThreadPool pool(static_cast<int>(taskCount), kSlicePoolMaxThreads, kSlicePoolIdleSeconds);
    std::vector<uint64_t> batchOffsets(taskCount, 0);
    uint64_t nextOffset = 0;
    unsigned slicesStarted = 0;
    bool firstWrite = true;
    bool failed = false;

    while (nextOffset < length && !failed) {
        if (handler && handler->IsCancelRequested()) {
            SetResultAndLogError(result, "Request canceled by user");
            failed = true;
            break;
        }
        OBJSTORE_LOG_DBG("%s:%s(%d) down data, offset=%llu, file_size=%llu\n",
                         static_cast<unsigned long long>(nextOffset),
                         static_cast<unsigned long long>(length));
        unsigned started = 0;
        for (unsigned i = 0; i < taskCount && nextOffset < length; ++i) {
            OBJSTORE_LOG_DBG("%s:%s(%d) down data, task_index=%d, file_size=%llu, offset=%llu\n",
                             static_cast<int>(i), static_cast<unsigned long long>(length),
                             static_cast<unsigned long long>(nextOffset));
            const uint64_t sliceLength = std::min(sliceSize, length - nextOffset);
            tasks[i]->SetDownParams(buffers[i].get(), sliceLength, nextOffset);
            tasks[i]->SetVerifyCert(req.GetVerifyCert());
            tasks[i]->SetCaLocation(req.GetCaLocation());
            try {
                pool.start(*tasks[i]);
            } catch (const Poco::Exception& e) {
                // The slices already running use the buffers and tasks: wait for
                // them before this call's working set goes away.
                pool.joinAll();
                SetResultAndLogError(result, "down data, start task failed: " + e.displayText());
                failed = true;
                break;
            }
            batchOffsets[i] = nextOffset;
            ++slicesStarted;
            ++started;
            nextOffset += sliceLength;
        }
        pool.joinAll();
        if (failed) break;

        for (unsigned j = 0; j < started; ++j) {
            const FileDownTask& task = *tasks[j];
            if (!task.IsTaskSuccess()) {
                // A 200/206 that failed was unusable slice data: its reason is logged.
                const int status = task.GetHttpStatus();
                const bool answered = status == 200 || status == 206;
                OBJSTORE_LOG_ERR("%s:%s(%d) down data, down task fail, rsp:%s\n",
                                 (answered ? task.GetErrMsg() : task.GetTaskResp()).c_str());
                TakeSliceFailure(task, result);
                failed = true;
                break;
            }
            if (const int seekError = file.Seek(batchOffsets[j])) {
                SetResultAndLogError(result,
                                     "down data, lseek failed, ret=" + std::to_string(seekError) +
                                         ", offset=" + std::to_string(batchOffsets[j]));
                failed = true;
                break;
            }
            if (const int writeError = file.Write(buffers[j].get(), task.GetDownLoadLen())) {
                SetResultAndLogError(result,
                                     "down data, write failed, ret=" + std::to_string(writeError) +
                                         ", len=" + std::to_string(task.GetDownLoadLen()));
                failed = true;
                break;
            }
            if (firstWrite) {
                firstWrite = false;
                resp->ParseHeaders(task.GetRespHeaders());
                result.SetXCosRequestId(resp->GetRequestId());
                result.SetHttpStatus(task.GetHttpStatus());
            }
            OBJSTORE_LOG_DBG(
                "%s:%s(%d) down data, down_times=%u, task_index=%d, file_size=%lu, offset=%lu, "
                "downlen:%lu \n",
                slicesStarted, static_cast<int>(j), static_cast<unsigned long>(length),
                static_cast<unsigned long>(batchOffsets[j]),
                static_cast<unsigned long>(task.GetDownLoadLen()));
        }
    }

    // Closed before the final status: a waiter may move or open the file at once.
    // A write error the system reports only at the close still fails the download.
    const int closeError = file.Close();
    if (closeError != 0 && !failed) {
        SetResultAndLogError(result, "down data, close failed, ret=" + std::to_string(closeError));
        failed = true;
    }
    if (failed) {
        SetResultAndLogError(result, "download data failed");
        FailHandler(handler, result);
    } else {
        OBJSTORE_LOG_INFO("%s:%s(%d) down data succeed\n");
        result.SetSucc();
        if (handler)
            handler->UpdateStatus(TransferState::Completed, result, resp->GetHeaders(), "");
    }
    return result;
}

}  // namespace objstore

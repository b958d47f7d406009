// The steps of ObjectOp::MultiThreadDownload, one function each, over the
// working set of one call.
//
//   CheckInputs      the key check and the response object
//   QueryLength      the object's length and ETag: a head request with retries,
//                    a ranged GET of the first byte when the head names no length
//   Prepare          one signer for every slice request, the local file
//   RunBatch         up to DownloadThreads slices at once on a private pool
//   WriteBatch       the finished slices into the file, in order
//   DownloadFromQueue  the fast profile: slice threads with kept-alive
//                    connections take slices from a queue and write each at
//                    once (multi_download_queue.cpp)
//   FetchWhole       the object in one answer, when the server ignores ranges
//   Finish           the result and the handler's final status
#pragma once

#include <Poco/ThreadPool.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "op/cos_result.h"
#include "op/file_download_task.h"
#include "op/object_req.h"
#include "op/object_resp.h"
#include "op/request_signing.h"
#include "util/output_file.h"

namespace objstore {

class ObjectOp;
class TransferHandler;

class MultiDownload {
  public:
    MultiDownload(const ObjectOp& op, const GetObjectByFileReq& req, GetObjectByFileResp* resp,
                  std::shared_ptr<TransferHandler> handler, bool useAlternateDomain);
    ~MultiDownload();

    CosResult Run();

  private:
    enum class BatchOutcome { Written, Failed, RangesIgnored };

    bool CheckInputs();
    bool QueryLength();
    CosResult HeadWithRetries(HeadObjectResp* headResp);
    std::optional<ObjectIdentity> ProbeLength();
    bool Prepare();
    void CreateTasks();
    bool DownloadSlices();
    bool RunBatch(unsigned* started);
    BatchOutcome WriteBatch(unsigned started);
    bool WriteSlice(unsigned index, const FileDownTask& task, const char* buffer);
    bool DownloadFromQueue();
    void RunSliceThread(unsigned index);
    bool TakeSlice(unsigned index, uint64_t* offset, uint64_t* length);
    void KeepSlice(unsigned index, const FileDownTask& task);
    void TakeSliceFailure(const FileDownTask& task);
    bool FetchWhole();
    bool Fail(const std::string& message);
    CosResult Finish(bool ok);

    const ObjectOp& m_op;
    const GetObjectByFileReq& m_req;
    GetObjectByFileResp* m_resp;
    const std::shared_ptr<TransferHandler> m_handler;
    const bool m_useAlternateDomain;
    const std::string m_host;

    CosResult m_result;
    ObjectIdentity m_object;
    std::unique_ptr<RepeatedRequestSigner> m_signer;
    SliceRequest m_sliceRequest;
    OutputFile m_file;
    uint64_t m_sliceSize = 0;
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<std::unique_ptr<FileDownTask>> m_tasks;
    std::unique_ptr<Poco::ThreadPool> m_pool;
    bool m_fromQueue = false;  // the fast profile
    // The queue of the fast profile: the slice threads take the next offset and
    // write into the file, the result and the response under this lock.
    std::mutex m_queueLock;
    bool m_queueStopped = false;  // a failure or a server ignoring ranges: no further slice
    bool m_queueFailed = false;
    bool m_queueRangesIgnored = false;
    // The slice whose failure the result reports (the lowest offset of the
    // slices that failed), and the result as it was before that failure.
    std::optional<uint64_t> m_failedOffset;
    CosResult m_resultBeforeFailure;
    uint64_t m_nextOffset = 0;
    unsigned m_slicesStarted = 0;
    bool m_firstWrite = true;
    uint64_t m_counted = 0;  // progress counted for slices kept so far
};

}  // namespace objstore

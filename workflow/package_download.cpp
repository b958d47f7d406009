#include "workflow/package_download.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cos_client.h"
#include "system/file_helpers.h"
#include "system/install_log.h"
#include "system/product_settings.h"
#include "util/cos_global_settings.h"
#include "workflow/storage_brand.h"

namespace {

constexpr uint64_t kConnectTimeoutMs = 120000;
constexpr uint32_t kAsyncPoolThreads = 2;
constexpr double kDownloadShare = 0.8;  // of the bar, shared by the planned downloads
constexpr size_t kFailureLineSize = 2046;
constexpr int kFixDownloadStep = 4;
constexpr int kQuantDownloadStep = 5;

// The slice size is the brand's: 65536 in the standard profile, the brand's
// slice_size in the fast one.
void PrepareTransferSettings() {
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.SetDownloadSliceSize(BuildStorageTransfer().sliceSize);
    settings.SetConnectTimeoutMs(kConnectTimeoutMs);
    settings.SetAsyncPoolThreads(kAsyncPoolThreads);
}

// HTTPS with the brand's own CA bundle, when it has one.
void ApplyTransport(const IClient& state, objstore::BaseReq& request) {
    if (state.httpsCaBundle.empty()) return;
    request.SetHttps(true);
    request.SetCaPem(state.httpsCaBundle);
}

void LogTransferFailure(const objstore::CosResult& result) {
    char line[kFailureLineSize] = {};
    snprintf(line, sizeof line, "Downfile Fail,code:%s,message:%s,requestId:%s",
             result.GetErrorCode().c_str(), result.GetErrorMsg().c_str(),
             result.GetXCosRequestId().c_str());
    WriteLogLine(line);
}

bool DownloadNamedPackage(IClient& state, const char* folder, const char* fileName, int step) {
    std::string key = state.keyPrefix + folder + fileName;
    std::string localPath = ProductSettings::Instance().stagingDir + "/" + fileName;
    PostInstallStep(step);
    return DownloadObject(state, key.c_str(), localPath.c_str());
}

}  // namespace

bool DownloadObject(IClient& state, const char* key, const char* localPath) {
    return FetchObject(state, key, localPath, FetchOptions());
}

bool FetchObject(IClient& state, const char* key, const char* localPath,
                 const FetchOptions& options) {
    const bool checked = options.checkDigest && state.releaseCheck.Active();
    if (checked && !PackageIsListed(state, key)) return false;
    objstore::HeadObjectReq head(state.bucket, key);
    ApplyTransport(state, head);
    if (!state.client || !state.client->ObjectExists(head)) {
        WriteLogLine((std::string(key) + ",文件不存在").c_str());
        return false;
    }
    PrepareTransferSettings();
    objstore::AsyncMultiGetObjectReq request(state.bucket, key, HostFilePath(localPath));
    ApplyTransport(state, request);
    if (options.countsAsDownload) {
        request.SetTransferProgressCallback(OnDownloadProgress);
        request.SetUserData(&state);
    }
    MakeDirs(localPath);
    std::shared_ptr<objstore::AsyncContext> context = state.client->AsyncMultiGetObject(request);
    context->WaitUntilFinished();
    if (options.countsAsDownload) ++state.finishedDownloads;
    objstore::CosResult result = context->GetResult();
    if (!result.IsSucc()) {
        LogTransferFailure(result);
        return false;
    }
    return !checked || PackageMatchesSummary(state, key, localPath);
}

bool DownloadFixPackage(IClient& state, const char* fileName) {
    return DownloadNamedPackage(state, "/fix/", fileName, kFixDownloadStep);
}

bool DownloadQuantPackage(IClient& state, const char* fileName) {
    return DownloadNamedPackage(state, "/quant/", fileName, kQuantDownloadStep);
}

int32_t DownloadPosition(uint64_t transferred, uint64_t total, int32_t finished, int32_t planned) {
    if (planned <= 0) return 0;
    double share = total == 0 ? 1.0 : double(transferred) / double(total);
    double position = (share + finished) * (kDownloadShare / planned) * 100;
    if (!(position > 0)) return 0;  // also NaN
    return position >= 100 ? 100 : int32_t(position);
}

void OnDownloadProgress(uint64_t transferred, uint64_t total, void* userData) {
    IClient* state = static_cast<IClient*>(userData);
    int32_t position =
        DownloadPosition(transferred, total, state->finishedDownloads, state->plannedDownloads);
    state->progress.store(position, std::memory_order_relaxed);
    PostInstallProgress(position);
}

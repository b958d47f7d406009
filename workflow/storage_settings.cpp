#include "workflow/storage_settings.h"

#include "cos_client.h"
#include "util/cos_config.h"
#include "util/cos_global_settings.h"
#include "workflow/brand_trust.h"
#include "workflow/credentials.h"
#include "workflow/storage_brand.h"

namespace {
constexpr int32_t kPlannedDownloads = 5;
constexpr uint32_t kClientDownloadThreads = 10;
constexpr uint32_t kClientSliceSize = 4194304;
}  // namespace

void LoadStorageSettings(IClient& state) {
    const StorageBrand& brand = BuildStorageBrand();
    CredentialPair pair = UnscrambleCredentials(brand.storedCredentials, brand.credentialMask);
    state.secretId = pair.secretId;
    state.secretKey = pair.secretKey;
    state.region = brand.region;
    state.bucket = brand.bucket;
    state.downloadDepend = false;
    state.plannedDownloads = kPlannedDownloads;
    state.finishedDownloads = 0;
    state.releaseCheck.publicKey = BrandReleaseKey();
    state.httpsCaBundle = BrandHttpsCaBundle();
}

void CreateStorageClient(IClient& state) {
    objstore::CosConfig config(BuildStorageBrand().accountNumber, state.secretId, state.secretKey,
                               state.region);
    state.client = new objstore::CosClient(config);
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.SetDownloadThreads(kClientDownloadThreads);
    settings.SetDownloadSliceSize(kClientSliceSize);
    settings.SetTransferProfile(BuildStorageTransfer().fast ? objstore::TransferProfile::Fast
                                                            : objstore::TransferProfile::Standard);
}

void DestroyStorageClient(IClient& state) {
    delete state.client;
    state.client = nullptr;
}

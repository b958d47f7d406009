// The storage account of this build's brand, compiled in from the brand folder's storage.ini.
#pragma once

#include <cstdint>

// How the brand's installer downloads (transfer_profile and slice_size in storage.ini).
struct StorageTransfer {
    bool fast;           // the fast transfer profile instead of the standard one
    uint32_t sliceSize;  // bytes per slice, set before every download
};

const StorageTransfer& BuildStorageTransfer();

struct StorageBrand {
    const char* bucket;             // name + "-" + account number, 20 characters
    uint64_t accountNumber;         // the ten-digit account number that ends the bucket name
    const char* storedCredentials;  // the credential pair as stored (workflow/credentials.h)
    uint64_t credentialMask;        // its position mask
    const char* region;             // the service's region, part of the bucket host name
};

const StorageBrand& BuildStorageBrand();

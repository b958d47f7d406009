// The installer's storage account and its storage client.
#pragma once

#include "workflow/install_state.h"

// Fills the storage fields of `state` from the brand compiled into this build: the unscrambled
// credential pair, the region (the brand's, "accelerate" unless its storage.ini names another,
// which makes the client address the acceleration endpoint), the bucket; downloadDepend false,
// plannedDownloads 5 and finishedDownloads 0; the brand's release key and HTTPS CA bundle (both
// "" when it has none).
void LoadStorageSettings(IClient& state);

// Creates the storage client for the account of `state` (the account number that ends the
// bucket name, the credential pair, the region) and stores it in state.client, where it stays
// for the rest of the process; then sets the process-wide download threads (10) and slice size
// (4 MiB, never used for a transfer: every download sets its own), and the brand's transfer
// profile (standard unless its storage.ini says transfer_profile=fast).
void CreateStorageClient(IClient& state);

// Deletes the storage client of `state` (at shutdown, when no download runs any more).
void DestroyStorageClient(IClient& state);

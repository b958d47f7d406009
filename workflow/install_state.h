// Install state and notifications: IClient, the one record the installation workflow
// works on, and the four window messages by which the workflow reports to the installer dialog.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/win32.h"
#include "workflow/release_check.h"

namespace objstore {
class CosClient;  // the storage client facade (src/cos_client.h)
}

// The product version every object key starts with.
constexpr char kKeyPrefix[] = "8.5";

// Bytes of the package name fields, the terminating NUL included (at most 20 characters).
constexpr size_t kPackageNameSize = 21;

// The workflow's state: a data-only base of the installer dialog, which the install
// worker gets a pointer to. Construction gives every field empty or zero except keyPrefix.
struct IClient {
    std::string secretId;                // first storage credential (storage settings load)
    std::string secretKey;               // second storage credential
    std::string region;                  // storage region name
    std::string bucket;                  // bucket name
    std::string keyPrefix = kKeyPrefix;  // prefix of every object key: "8.5"
    // The storage client, created at dialog initialisation and kept until the process ends;
    // the record does not own it.
    objstore::CosClient* client = nullptr;
    int64_t cfgStamp = 0;                   // configuration time stamp of the summary
    char fixName[kPackageNameSize] = {};    // runtime package name without ".zip"
    char quantName[kPackageNameSize] = {};  // quant package name without ".zip"
    bool downloadDepend = false;            // download the front-end dependency package
    int32_t plannedDownloads = 0;           // downloads the progress scale is divided into (5)
    int32_t finishedDownloads = 0;          // downloads finished so far, successful or not
    // Last progress position sent to the dialog, 0 to 100; stored as one indivisible value
    // because the download's slice threads write it at the same time.
    std::atomic<int32_t> progress{0};
    bool downloadQuant = false;  // download the quant package; set by nothing
    // The brand's release key and what the verified summary says of each object.
    ReleaseCheck releaseCheck;
    // The brand's CA bundle (PEM): when set, every request goes over HTTPS and trusts only it.
    std::string httpsCaBundle;

    IClient() = default;
    IClient(const IClient&) = delete;
    IClient& operator=(const IClient&) = delete;
};

// The dialog's window handle, written once by the dialog's set-up before any workflow operation
// runs; every message below is posted to it. Null until then.
extern HWND DialogWindowHandle;

// Window messages from the workflow to the dialog, in the application range above WM_USER.
// wParam is always 0.
constexpr UINT WM_INSTALL_PROGRESS = WM_USER + 107;  // 1131, lParam: position 0 to 100
constexpr UINT WM_INSTALL_DONE = WM_USER + 108;      // 1132, lParam: 0
constexpr UINT WM_INSTALL_FAILED = WM_USER + 111;    // 1135, lParam: step code (StepCaption)
constexpr UINT WM_INSTALL_STEP = WM_USER + 114;      // 1138, lParam: step code (StepCaption)

// Post the messages to DialogWindowHandle with PostMessageW and wParam 0, never waiting for the
// dialog. They return what PostMessageW returns; with no dialog window yet they post nothing and
// return FALSE.
BOOL PostInstallProgress(int32_t position);
BOOL PostInstallDone();
BOOL PostInstallFailed(int stepCode);
BOOL PostInstallStep(int stepCode);

// The package download adapter: fetches one object of the bucket into a local file through the
// storage client, while the dialog's progress bar follows the transfer.
//
// The downloads share the bar's positions 0 to 80 in plannedDownloads equal spans; a download
// started when finishedDownloads is n moves the bar from 80n / plannedDownloads to
// 80(n + 1) / plannedDownloads as its bytes arrive.
#pragma once

#include <cstdint>

#include "workflow/install_state.h"

// Fetches the object `key` of state.bucket into localPath (a Windows path in the ANSI code
// page), blocking until the transfer has ended. A missing object (or a failed existence test)
// writes key + ",文件不存在" to the install log and returns false without touching anything
// else. Otherwise every transfer, successful or not, adds 1 to finishedDownloads; a failed one
// logs "Downfile Fail,code:...,message:...,requestId:..." and returns false.
bool DownloadObject(IClient& state, const char* key, const char* localPath);

// The runtime and the quant package named by the summary (fileName includes ".zip"): posts
// WM_INSTALL_STEP with 4 (5 for quant), then fetches keyPrefix + "/fix/" (or "/quant/") +
// fileName into the staging folder + "/" + fileName.
bool DownloadFixPackage(IClient& state, const char* fileName);
bool DownloadQuantPackage(IClient& state, const char* fileName);

// The storage client's progress function; userData is the IClient. Stores the bar position of
// the transfer in progress and posts WM_INSTALL_PROGRESS with it, on every call.
void OnDownloadProgress(uint64_t transferred, uint64_t total, void* userData);

// (transferred / total + finished) * (0.8 / planned) * 100, truncated toward zero. A total of 0
// gives the end of the download's span; no planned downloads give 0; the result is kept within
// 0 to 100.
int32_t DownloadPosition(uint64_t transferred, uint64_t total, int32_t finished,
                         int32_t planned);

// Functions of ole32 and shell32 in the native layer: COM start-up and memory, special folders,
// shell file operations, command-line splitting.
// Each behaves as the installer expects of the real one: results, last-error codes and the order of
// effects.
#pragma once

#include "platform/posix/win32_com.h"
#include "platform/posix/win32_types.h"

// --- COM (ole32) ---
HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
LPVOID CoTaskMemAlloc(SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

// --- shell (shell32) ---
HRESULT SHGetMalloc(IMalloc** ppMalloc);
HRESULT SHGetSpecialFolderLocation(HWND hwnd, int csidl, PIDLIST_ABSOLUTE* ppidl);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR pszPath);
HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);
HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);
int SHFileOperationA(LPSHFILEOPSTRUCTA lpFileOp);
LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs);

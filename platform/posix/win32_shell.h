// Functions of ole32 and shell32 in the native layer: COM start-up and memory, special folders,
// shell file operations, command-line splitting, the folder picker.
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

// --- folder picker (shell32) ---
#define BIF_RETURNONLYFSDIRS 0x00000001u
#define BIF_DONTGOBELOWDOMAIN 0x00000002u
#define BIF_EDITBOX 0x00000010u
#define BIF_NEWDIALOGSTYLE 0x00000040u
#define BIF_USENEWUI (BIF_NEWDIALOGSTYLE | BIF_EDITBOX)
#define BIF_NONEWFOLDERBUTTON 0x00000200u

typedef int(CALLBACK* BFFCALLBACK)(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
typedef struct _browseinfoA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName;  // MAX_PATH characters: the chosen folder's own name
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
} BROWSEINFOA, *LPBROWSEINFOA;

// Asks for a folder; null when cancelled. The item list is freed with the shell allocator.
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA lpbi);

// --- shell (shell32) ---
HRESULT SHGetMalloc(IMalloc** ppMalloc);
HRESULT SHGetSpecialFolderLocation(HWND hwnd, int csidl, PIDLIST_ABSOLUTE* ppidl);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR pszPath);
HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);
HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);
int SHFileOperationA(LPSHFILEOPSTRUCTA lpFileOp);
LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs);

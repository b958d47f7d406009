// COM initialisation and object creation, the shell allocator, item lists and special folders.
#include <cstring>
#include <string>

#include "platform/posix/shell_items.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

// Interface and class identifiers (public values).
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace winlayer {
IUnknown* NewShellLink();  // shell_link.cpp

namespace {

thread_local int comDepth = 0;
thread_local DWORD comModel = 0;

struct ShellMalloc final : IMalloc {
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *out = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }  // one process-wide allocator
    ULONG Release() override { return 1; }
    void Free(void* pv) override { CoTaskMemFree(pv); }
};

const char kItemMagic[4] = {'O', 'S', 'P', 'L'};

// An item list holding one private item: the folder's Windows path in UTF-16.
PIDLIST_ABSOLUTE MakeItemList(const std::wstring& path) {
    size_t itemSize = 2 + sizeof kItemMagic + (path.size() + 1) * 2;
    auto* bytes = static_cast<unsigned char*>(CoTaskMemAlloc(itemSize + 2));
    if (!bytes) return nullptr;
    bytes[0] = uint8_t(itemSize & 0xFF);
    bytes[1] = uint8_t(itemSize >> 8);
    memcpy(bytes + 2, kItemMagic, sizeof kItemMagic);
    unsigned char* p = bytes + 2 + sizeof kItemMagic;
    for (size_t i = 0; i <= path.size(); ++i) {
        uint32_t c = i < path.size() ? uint32_t(path[i]) : 0;
        *p++ = uint8_t(c & 0xFF);
        *p++ = uint8_t(c >> 8);
    }
    bytes[itemSize] = bytes[itemSize + 1] = 0;
    return reinterpret_cast<PIDLIST_ABSOLUTE>(bytes);
}

bool PathOfItemList(PCIDLIST_ABSOLUTE pidl, std::wstring& path) {
    if (!pidl) return false;
    auto* bytes = reinterpret_cast<const unsigned char*>(pidl);
    size_t size = bytes[0] | (bytes[1] << 8);
    if (size < 2 + sizeof kItemMagic || memcmp(bytes + 2, kItemMagic, sizeof kItemMagic))
        return false;
    path.clear();
    for (const unsigned char* p = bytes + 2 + sizeof kItemMagic; p + 1 < bytes + size; p += 2) {
        wchar_t c = wchar_t(p[0] | (p[1] << 8));
        if (!c) break;
        path += c;
    }
    return true;
}

// Windows path of a special folder; "" for folders the layer does not know.
std::wstring SpecialFolder(int csidl) {
    std::wstring profile = L"C:\\Users\\" + Utf8ToWide(RunningAccountName());
    switch (csidl & 0xFF) {
        case CSIDL_DESKTOP:
        case CSIDL_DESKTOPDIRECTORY:
            return profile + L"\\Desktop";
        case CSIDL_PERSONAL:
            return profile + L"\\Documents";
        case CSIDL_APPDATA:
            return profile + L"\\AppData\\Roaming";
        case CSIDL_LOCAL_APPDATA:
            return profile + L"\\AppData\\Local";
        case CSIDL_PROFILE:
            return profile;
        case CSIDL_COMMON_DESKTOPDIRECTORY:
            return L"C:\\Users\\Public\\Desktop";
        case CSIDL_COMMON_APPDATA:
            return L"C:\\ProgramData";
        case CSIDL_WINDOWS:
            return L"C:\\windows";
        case CSIDL_SYSTEM:
            return L"C:\\windows\\system32";
        case CSIDL_PROGRAM_FILES:
            return L"C:\\Program Files";
        default:
            return std::wstring();
    }
}

// The folders exist on a real machine; here they are made on first use.
void EnsureFolder(const std::wstring& path) {
    std::wstring prefix;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            prefix = path.substr(0, i);
            if (prefix.size() > 2) CreateDirectoryW(prefix.c_str(), nullptr);
        }
    }
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

HRESULT CoInitializeEx(LPVOID, DWORD model) {
    if (comDepth > 0 && model != comModel) return RPC_E_CHANGED_MODE;
    comModel = model;
    return comDepth++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    if (comDepth > 0) --comDepth;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (comDepth == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (clsid != CLSID_ShellLink || !(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)))
        return REGDB_E_CLASSNOTREG;
    IUnknown* object = NewShellLink();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

LPVOID CoTaskMemAlloc(SIZE_T cb) {
    return malloc(cb ? cb : 1);
}
void CoTaskMemFree(LPVOID pv) {
    free(pv);
}

HRESULT SHGetMalloc(IMalloc** out) {
    static ShellMalloc allocator;
    if (!out) return E_INVALIDARG;
    *out = &allocator;
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int csidl, PIDLIST_ABSOLUTE* pidl) {
    if (!pidl) return E_INVALIDARG;
    *pidl = nullptr;
    std::wstring path = SpecialFolder(csidl);
    if (path.empty()) return E_INVALIDARG;
    EnsureFolder(path);
    *pidl = MakeItemList(path);
    return *pidl ? S_OK : E_OUTOFMEMORY;
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR out) {
    std::wstring path;
    if (!out) return FALSE;
    out[0] = 0;
    if (!PathOfItemList(pidl, path)) return FALSE;
    std::string narrow = WideToAnsi(path);
    if (narrow.size() >= MAX_PATH) return FALSE;
    memcpy(out, narrow.c_str(), narrow.size() + 1);
    return TRUE;
}

// The caller's buffer holds MAX_PATH characters: a longer path (a long account name) is an error,
// not an overflow. In code page 936 one character may take two bytes.
HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR out) {
    std::wstring path = SpecialFolder(csidl);
    if (!out) return E_INVALIDARG;
    out[0] = 0;
    if (path.empty()) return E_INVALIDARG;
    if (path.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    EnsureFolder(path);
    wmemcpy(out, path.c_str(), path.size() + 1);
    return S_OK;
}

HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE token, DWORD flags, LPSTR out) {
    wchar_t wide[MAX_PATH];
    HRESULT hr = SHGetFolderPathW(hwnd, csidl, token, flags, wide);
    if (out) out[0] = 0;
    if (FAILED(hr) || !out) return hr;
    std::string narrow = WideToAnsi(wide);
    if (narrow.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    memcpy(out, narrow.c_str(), narrow.size() + 1);
    return S_OK;
}

namespace winlayer {
PIDLIST_ABSOLUTE ItemListForPath(const std::wstring& path) {
    return MakeItemList(path);
}
}  // namespace winlayer

// The shell-link object: IShellLinkW with its IPersistFile, saving real .lnk files.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>

#include "platform/posix/lnk_format.h"
#include "platform/posix/paths.h"
#include "platform/win32.h"

namespace winlayer {
PIDLIST_ABSOLUTE ItemListForPath(const std::wstring& path);
bool PathForItemList(PCIDLIST_ABSOLUTE pidl, std::wstring& path);

namespace {

HRESULT CopyText(const std::wstring& text, LPWSTR out, int cch) {
    if (!out || cch <= 0) return E_INVALIDARG;
    size_t n = std::min(text.size(), size_t(cch - 1));
    wmemcpy(out, text.c_str(), n);
    out[n] = 0;
    return S_OK;
}

HRESULT LastErrorResult() {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

class ShellLink final : public IShellLinkW, public IPersistFile {
  public:
    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IShellLinkW)
            *out = static_cast<IShellLinkW*>(this);
        else if (riid == IID_IPersistFile || riid == IID_IPersist)
            *out = static_cast<IPersistFile*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IShellLinkW
    HRESULT GetPath(LPWSTR file, int cch, WIN32_FIND_DATAW* data, DWORD) override {
        if (data) memset(data, 0, sizeof *data);
        HRESULT hr = CopyText(link_.target, file, cch);
        return FAILED(hr) ? hr : (link_.target.empty() ? S_FALSE : S_OK);
    }
    HRESULT GetIDList(PIDLIST_ABSOLUTE* pidl) override {
        if (!pidl) return E_INVALIDARG;
        *pidl = link_.target.empty() ? nullptr : ItemListForPath(link_.target);
        return *pidl ? S_OK : S_FALSE;
    }
    HRESULT SetIDList(PCIDLIST_ABSOLUTE pidl) override {
        std::wstring path;
        if (!PathForItemList(pidl, path)) return E_INVALIDARG;
        return SetPath(path.c_str());
    }
    HRESULT GetDescription(LPWSTR name, int cch) override {
        return CopyText(link_.description, name, cch);
    }
    HRESULT SetDescription(LPCWSTR name) override { return Set(link_.description, name); }
    HRESULT GetWorkingDirectory(LPWSTR dir, int cch) override {
        return CopyText(link_.workingDirectory, dir, cch);
    }
    HRESULT SetWorkingDirectory(LPCWSTR dir) override { return Set(link_.workingDirectory, dir); }
    HRESULT GetArguments(LPWSTR args, int cch) override {
        return CopyText(link_.arguments, args, cch);
    }
    HRESULT SetArguments(LPCWSTR args) override { return Set(link_.arguments, args); }
    HRESULT GetHotkey(WORD* key) override {
        if (!key) return E_INVALIDARG;
        *key = link_.hotKey;
        return S_OK;
    }
    HRESULT SetHotkey(WORD key) override {
        link_.hotKey = key;
        dirty_ = true;
        return S_OK;
    }
    HRESULT GetShowCmd(int* show) override {
        if (!show) return E_INVALIDARG;
        *show = link_.showCommand;
        return S_OK;
    }
    HRESULT SetShowCmd(int show) override {
        link_.showCommand = show;
        dirty_ = true;
        return S_OK;
    }
    HRESULT GetIconLocation(LPWSTR path, int cch, int* index) override {
        if (index) *index = link_.iconIndex;
        return CopyText(link_.iconPath, path, cch);
    }
    HRESULT SetIconLocation(LPCWSTR path, int index) override {
        link_.iconIndex = index;
        return Set(link_.iconPath, path);
    }
    HRESULT SetRelativePath(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT Resolve(HWND, DWORD) override { return S_OK; }
    // The target is kept as a full path; S_FALSE tells that it does not exist (yet).
    HRESULT SetPath(LPCWSTR file) override {
        if (!file) return E_INVALIDARG;
        dirty_ = true;
        if (!*file) {
            link_.target.clear();
            return S_OK;
        }
        std::wstring full = FullWindowsPath(file);
        link_.target = full.empty() ? std::wstring(file) : full;
        return GetFileAttributesW(link_.target.c_str()) == INVALID_FILE_ATTRIBUTES ? S_FALSE : S_OK;
    }

    // IPersistFile
    HRESULT GetClassID(CLSID* id) override {
        if (!id) return E_POINTER;
        *id = CLSID_ShellLink;
        return S_OK;
    }
    HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT Load(LPCOLESTR fileName, DWORD) override {
        std::string bytes;
        if (!fileName || !ReadWhole(fileName, bytes)) return LastErrorResult();
        LinkData loaded;
        if (!DecodeShellLink(bytes, loaded)) return E_FAIL;
        link_ = loaded;
        file_ = fileName;
        dirty_ = false;
        return S_OK;
    }
    HRESULT Save(LPCOLESTR fileName, BOOL remember) override {
        std::wstring target = fileName ? std::wstring(fileName) : file_;
        if (target.empty()) return E_INVALIDARG;
        RecordTargetFacts();
        std::string bytes = EncodeShellLink(link_);
        HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return LastErrorResult();
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        HRESULT hr = ok && written == bytes.size() ? S_OK : LastErrorResult();
        CloseHandle(file);
        if (SUCCEEDED(hr) && (remember || !fileName)) {
            file_ = target;
            dirty_ = false;
        }
        return hr;
    }
    HRESULT SaveCompleted(LPCOLESTR) override { return S_OK; }
    HRESULT GetCurFile(LPOLESTR* fileName) override {
        if (!fileName) return E_POINTER;
        *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc((file_.size() + 1) * sizeof(WCHAR)));
        if (!*fileName) return E_OUTOFMEMORY;
        wcscpy(*fileName, file_.c_str());
        return file_.empty() ? S_FALSE : S_OK;
    }

  private:
    ~ShellLink() = default;

    HRESULT Set(std::wstring& field, LPCWSTR text) {
        if (!text) return E_INVALIDARG;
        field = text;
        dirty_ = true;
        return S_OK;
    }

    // Attributes, times and size of the target as the header records them.
    void RecordTargetFacts() {
        link_.targetAttributes = 0;
        link_.targetSize = 0;
        link_.creationTime = link_.accessTime = link_.writeTime = FILETIME{};
        if (link_.target.empty()) return;
        link_.driveSerial = 0x4F424A00u | DWORD(link_.target[0] & 0xFF);
        DWORD attributes = GetFileAttributesW(link_.target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return;
        link_.targetAttributes = attributes;
        HANDLE file = CreateFileW(link_.target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        GetFileTime(file, &link_.creationTime, &link_.accessTime, &link_.writeTime);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) link_.targetSize = GetFileSize(file, nullptr);
        CloseHandle(file);
    }

    static bool ReadWhole(const std::wstring& name, std::string& bytes) {
        HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(file);
        return true;
    }

    std::atomic<ULONG> refs_{1};
    LinkData link_;
    std::wstring file_;
    bool dirty_ = false;
};

}  // namespace

IUnknown* NewShellLink() {
    return static_cast<IShellLinkW*>(new ShellLink);
}

}  // namespace winlayer

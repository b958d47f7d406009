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
        else if (riid == IID_IPersistFile)
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
    HRESULT GetWorkingDirectory(LPWSTR dir, int cch) override {
        return CopyText(link_.workingDirectory, dir, cch);
    }
    HRESULT SetWorkingDirectory(LPCWSTR dir) override {
        if (!dir) return E_INVALIDARG;
        link_.workingDirectory = dir;
        return S_OK;
    }
    // The target is kept as a full path; S_FALSE tells that it does not exist (yet).
    HRESULT SetPath(LPCWSTR file) override {
        if (!file) return E_INVALIDARG;
        if (!*file) {
            link_.target.clear();
            return S_OK;
        }
        std::wstring full = FullWindowsPath(file);
        link_.target = full.empty() ? std::wstring(file) : full;
        return GetFileAttributesW(link_.target.c_str()) == INVALID_FILE_ATTRIBUTES ? S_FALSE : S_OK;
    }

    // IPersistFile
    HRESULT Load(LPCOLESTR fileName, DWORD) override {
        std::string bytes;
        if (!fileName || !ReadWhole(fileName, bytes)) return LastErrorResult();
        LinkData loaded;
        if (!DecodeShellLink(bytes, loaded)) return E_FAIL;
        link_ = loaded;
        file_ = fileName;
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
        if (SUCCEEDED(hr) && (remember || !fileName)) file_ = target;
        return hr;
    }

  private:
    ~ShellLink() = default;

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
};

}  // namespace

IUnknown* NewShellLink() {
    return static_cast<IShellLinkW*>(new ShellLink);
}

}  // namespace winlayer

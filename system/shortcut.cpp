#include "system/shortcut.h"

#include <vector>

#include "system/install_log.h"
#include "system/product_names.h"
#include "system/product_settings.h"
#include "system/text_convert.h"

namespace {

void LogResult(const char* format, HRESULT hr) {
    char line[101];
    snprintf(line, sizeof line, format, int(hr));
    WriteLogLine(line);
}

}  // namespace

HRESULT GetCommonDesktopDir(std::string& path) {
    IMalloc* allocator = nullptr;
    HRESULT hr = SHGetMalloc(&allocator);
    if (FAILED(hr)) return hr;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, &items))) {
        std::vector<char> buffer(65536, '\0');
        if (SHGetPathFromIDListA(items, buffer.data())) path += buffer.data();
        allocator->Free(items);
    }
    allocator->Release();
    return hr;
}

std::string ShortcutPath(const std::string& desktop, const std::string& brandName) {
    return desktop + "\\" + brandName + kProductVersionSuffix + ".lnk";
}

void SaveShortcut(const std::wstring& linkPath, const std::wstring& target,
                  const std::wstring& workingFolder, REFCLSID linkClass) {
    HRESULT hr = CoInitialize(nullptr);
    LogResult("CoInitialize : %d", hr);
    if (FAILED(hr)) return;
    IShellLinkW* link = nullptr;
    hr = CoCreateInstance(linkClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                          reinterpret_cast<void**>(&link));
    LogResult("CoCreateInstance : %d", hr);
    if (SUCCEEDED(hr)) {
        LogResult("IShellLink::SetPath : %d", link->SetPath(target.c_str()));
        LogResult("IShellLink::SetWorkingDirectory : %d",
                  link->SetWorkingDirectory(workingFolder.c_str()));
        IPersistFile* file = nullptr;
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        LogResult("IShellLink::QueryInterface : %d", hr);
        if (SUCCEEDED(hr)) {
            LogResult("IPersistFile::Save : %d", file->Save(linkPath.c_str(), FALSE));
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
}

bool CreateDesktopShortcut() {
    const ProductSettings& settings = ProductSettings::Instance();
    std::string desktop;
    GetCommonDesktopDir(desktop);
    std::string linkNarrow = ShortcutPath(desktop, settings.brandName);
    std::wstring linkPath = NarrowToWide(kPathCodePage, linkNarrow, 1024);
    if (linkPath.empty()) return false;
    WriteLogLine(PathTextToUtf8(linkNarrow).c_str());

    std::string targetNarrow = settings.installDir + "\\" + kProductExecutable;
    std::wstring target = NarrowToWide(kPathCodePage, targetNarrow, 1024);
    std::wstring workingFolder = NarrowToWide(kPathCodePage, settings.installDir, 1024);
    if (target.empty() || workingFolder.empty()) return false;
    WriteLogLine(PathTextToUtf8(targetNarrow).c_str());
    WriteLogLine(PathTextToUtf8(settings.installDir).c_str());

    SaveShortcut(linkPath, target, workingFolder, CLSID_ShellLink);
    return true;
}

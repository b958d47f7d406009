#include "system/uninstall.h"

#include "system/product_names.h"
#include "system/shortcut.h"
#include "system/text_convert.h"

namespace {

typedef void(WINAPI* NativeSystemInfoFn)(LPSYSTEM_INFO);

std::string Formatted(const char* format, const std::string& a, const char* b = nullptr) {
    char buffer[1024];
    if (b)
        snprintf(buffer, sizeof buffer, format, a.c_str(), b);
    else
        snprintf(buffer, sizeof buffer, format, a.c_str());
    return buffer;
}

const char* ChooseParentKey() {
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    FARPROC proc = kernel ? GetProcAddress(kernel, "GetNativeSystemInfo") : nullptr;
    if (!proc) return UninstallParentKey(false, 0);
    auto getInfo = reinterpret_cast<NativeSystemInfoFn>(reinterpret_cast<void*>(proc));
    SYSTEM_INFO info = {};
    getInfo(&info);
    return UninstallParentKey(true, info.wProcessorArchitecture);
}

bool WriteValue(HKEY key, const UninstallValue& value) {
    if (value.wide) {
        std::wstring name = NarrowToWide(CP_UTF8, value.name, 64);
        return RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.text.c_str()),
                              DWORD(value.text.size() * sizeof(WCHAR))) == ERROR_SUCCESS;
    }
    return RegSetValueExA(key, value.name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.narrow.c_str()),
                          DWORD(value.narrow.size())) == ERROR_SUCCESS;
}

}  // namespace

const char* UninstallParentKey(bool haveNativeInfo, WORD architecture) {
    if (haveNativeInfo && (architecture == PROCESSOR_ARCHITECTURE_IA64 ||
                           architecture == PROCESSOR_ARCHITECTURE_AMD64))
        return "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}

std::string UninstallKeyName(const std::string& packageCode) {
    return "Quant_" + packageCode + kProductVersionSuffix;
}

std::vector<UninstallValue> UninstallValues(const ProductSettings& settings,
                                            const std::string& desktopDir) {
    std::string displayName = settings.brandName + kProductVersionSuffix;
    std::string shortcut = desktopDir + "\\" + settings.brandName + kProductVersionSuffix + ".lnk";
    return {
        {"DisplayName", true, "", NarrowToWide(kPathCodePage, displayName, 1024)},
        {"UninstallString", false, Formatted("%s\\%s", settings.installDir, kUninstallerExecutable),
         L""},
        {"DisplayIcon", false, Formatted("%s\\%s", settings.installDir, kProductExecutable), L""},
        {"DisplayVersion", false, Formatted("%s", settings.installedVersion), L""},
        {"Publisher", true, "", NarrowToWide(kPathCodePage, kPublisherName, 1024)},
        {"Shortcut", true, "", NarrowToWide(kPathCodePage, shortcut, 1024)},
    };
}

int RegisterUninstall() {
    const ProductSettings& settings = ProductSettings::Instance();
    const char* parentPath = ChooseParentKey();
    HKEY parent = nullptr;
    // Creating the product key below the parent needs KEY_CREATE_SUB_KEY besides KEY_SET_VALUE.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      &parent) != ERROR_SUCCESS)
        return -1;
    HKEY product = nullptr;
    if (RegCreateKeyA(parent, UninstallKeyName(settings.packageCode).c_str(), &product) !=
        ERROR_SUCCESS) {
        RegCloseKey(parent);
        return -1;
    }
    std::string desktop;
    GetCommonDesktopDir(desktop);
    bool all = true;
    for (const auto& value : UninstallValues(settings, desktop)) {
        if (!WriteValue(product, value)) {
            all = false;
            break;
        }
    }
    RegCloseKey(product);
    RegCloseKey(parent);
    return all ? 0 : -1;
}

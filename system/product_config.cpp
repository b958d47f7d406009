#include "system/product_config.h"

#include <cstdio>

#include "system/product_identity.h"
#include "system/product_names.h"
#include "system/product_settings.h"

#ifdef _WIN32
#include <shellscalingapi.h>
// The shapes GetProcAddress's results are cast to (the posix layer declares the same names).
typedef HRESULT(WINAPI* SetProcessDpiAwarenessProc)(PROCESS_DPI_AWARENESS value);
typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR monitor, MONITOR_DPI_TYPE type, UINT* dpiX,
                                              UINT* dpiY);
#endif

namespace {
constexpr size_t kPathBuffer = 260;
constexpr size_t kValueBuffer = 101;
constexpr UINT kBaseDpi = 96;

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::string ProductConfigPubPath(const std::string& installDir) {
    return installDir + kProductConfigPubFile;
}

std::string ProductConfigPriPath(const std::string& installDir) {
    return installDir + kProductConfigPriFile;
}

std::string DisplayScalePriPath(const std::string& installDir) {
    char path[kPathBuffer];
    int n = snprintf(path, sizeof path, "%s/config/tallowind.Default.pri", installDir.c_str());
    if (n < 0 || size_t(n) >= sizeof path) return "";
    return path;
}

void WriteProductConfigValues(const std::string& installDir, const std::string& packageCode,
                              int32_t languageId, const std::string& endpoint,
                              const std::string& company) {
    const std::string pub = ProductConfigPubPath(installDir);
    const std::string pri = ProductConfigPriPath(installDir);
    char language[kValueBuffer];
    snprintf(language, sizeof language, "%d", int(languageId));
    WritePrivateProfileStringA(kProductConfigSection, "package", packageCode.c_str(), pub.c_str());
    WritePrivateProfileStringA(kProductConfigSection, "language", language, pri.c_str());
    WritePrivateProfileStringA(kProductConfigSection, "endpoint", endpoint.c_str(), pri.c_str());
    WritePrivateProfileStringA(kProductConfigSection, "company", company.c_str(), pri.c_str());
}

void WriteProductConfig() {
    const ProductSettings& settings = ProductSettings::Instance();
    WriteProductConfigValues(settings.installDir, settings.packageCode, settings.languageId,
                             LoadResourceText(kEndpointString), LoadResourceText(kCompanyString));
}

int DisplayScaleFlagFor(UINT dpiX) {
    return dpiX % kBaseDpi == 0 && dpiX / kBaseDpi > 1 ? 1 : 0;
}

void WriteDisplayScaleFlag() {
    HMODULE shcore = LoadLibraryW(L"SHCore.dll");
    if (!shcore) return;
    auto setAwareness = Lookup<SetProcessDpiAwarenessProc>(shcore, "SetProcessDpiAwareness");
    auto dpiForMonitor = Lookup<GetDpiForMonitorProc>(shcore, "GetDpiForMonitor");
    int flag = 0;
    if (setAwareness && dpiForMonitor) {
        setAwareness(PROCESS_PER_MONITOR_DPI_AWARE);
        UINT dpiX = kBaseDpi, dpiY = kBaseDpi;
        dpiForMonitor(MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTONEAREST),
                      MDT_EFFECTIVE_DPI, &dpiX, &dpiY);
        flag = DisplayScaleFlagFor(dpiX);
    }
    char value[kValueBuffer];
    snprintf(value, sizeof value, "%d", flag);
    const std::string pri = DisplayScalePriPath(ProductSettings::Instance().installDir);
    if (!pri.empty())
        WritePrivateProfileStringA(kProductConfigSection, "awaredpi", value, pri.c_str());
    FreeLibrary(shcore);
}

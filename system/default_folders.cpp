#include "system/default_folders.h"

#include <vector>

#include "platform/win32.h"
#include "system/product_identity.h"
#include "system/product_names.h"
#include "system/product_settings.h"

namespace {
constexpr size_t kAppDataBuffer = 65536;
constexpr DWORD kAccountBuffer = 260;

// The account name of the shell window's process token; empty when there is no shell window or
// any step fails.
std::string ShellAccountName() {
    HWND shell = GetShellWindow();
    if (!shell) return "";
    DWORD processId = 0;
    GetWindowThreadProcessId(shell, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) return "";
    std::string name;
    HANDLE token = nullptr;
    if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        if (size > 0) {
            std::vector<unsigned char> buffer(size);
            if (GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
                auto* user = reinterpret_cast<TOKEN_USER*>(buffer.data());
                char account[kAccountBuffer] = {};
                char domain[kAccountBuffer] = {};
                DWORD accountSize = kAccountBuffer, domainSize = kAccountBuffer;
                SID_NAME_USE use;
                if (LookupAccountSidA(nullptr, user->User.Sid, account, &accountSize, domain,
                                      &domainSize, &use))
                    name = account;
            }
        }
        CloseHandle(token);
    }
    CloseHandle(process);
    return name;
}

}  // namespace

std::string PutUserInProfilePath(const std::string& path, const std::string& user) {
    size_t first = path.find('\\');
    if (first == std::string::npos) return path;
    size_t second = path.find('\\', first + 1);
    if (second == std::string::npos) return path;
    size_t third = path.find('\\', second + 1);
    if (third == std::string::npos || user.empty()) return path;
    return path.substr(0, second + 1) + user + path.substr(third);
}

std::string RunningAccountAppDataDir() {
    std::vector<char> buffer(kAppDataBuffer, '\0');
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return "";
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items)) && items) {
        if (!SHGetPathFromIDListA(items, buffer.data())) buffer[0] = '\0';
        allocator->Free(items);
    }
    allocator->Release();
    return buffer.data();
}

std::string InteractiveUserName() {
    std::string name;
    LPSTR text = nullptr;
    DWORD bytes = 0;
    if (WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(),
                                    WTSUserName, &text, &bytes) &&
        text) {
        name = text;
    }
    if (text) WTSFreeMemory(text);
    if (name.empty()) name = ShellAccountName();
    return name;
}

void GetConsoleUserAppDataDir(std::string& path) {
    path += PutUserInProfilePath(RunningAccountAppDataDir(), InteractiveUserName());
}

void ApplyDefaultFolders(ProductSettings& settings, const std::string& appDataDir,
                         const std::string& packageCodeText) {
    settings.installDir = appDataDir;
    settings.dependBaseDir = settings.installDir + "\\" + kDependBaseFolderName;
    settings.logDir = settings.installDir + "\\" + kLogFolderName;
    settings.productFolderName = kProductFolderPrefix + packageCodeText + kProductVersionSuffix;
    settings.installDir = settings.installDir + "\\" + settings.productFolderName;
    settings.stagingDir = settings.installDir + kStagingSuffix;
}

void LoadDefaultFolders(ProductSettings& settings) {
    std::string appData;
    GetConsoleUserAppDataDir(appData);
    ApplyDefaultFolders(settings, appData, LoadResourceText(kPackageCodeString));
}

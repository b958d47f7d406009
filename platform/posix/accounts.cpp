// Sessions, the shell window and account tokens. The console user and the shell's account come
// from the layer's settings ([session] console_user, [shell] account) and are absent when unset;
// a console user set through the test interface wins over the settings in this process. The running
// account is [account] user, else the host user.
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/processes.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/test_interface.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

HWND const kShellWindow = reinterpret_cast<HWND>(uintptr_t(0x10010));
const uint32_t kMachineIds[3] = {3071262012u, 1448331957u, 2746393381u};

// The console user given by the test interface; unset: the settings decide.
struct ConsoleUserOverride {
    std::mutex mutex;
    bool set = false;
    std::string name;
};
ConsoleUserOverride& Override() {
    static ConsoleUserOverride* value = new ConsoleUserOverride;
    return *value;
}

std::string ConsoleUserName() {
    {
        std::lock_guard<std::mutex> lock(Override().mutex);
        if (Override().set) return Override().name;
    }
    return Setting("session", "console_user");
}

struct TokenObject : Object {
    std::string account;
};

// Accounts named so far, so that a SID can be turned back into its name.
struct AccountTable {
    std::mutex mutex;
    std::vector<std::string> names;
    DWORD RidOf(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return DWORD(1000 + i);
        names.push_back(name);
        return DWORD(1000 + names.size() - 1);
    }
    bool NameOf(DWORD rid, std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        if (rid < 1000 || rid - 1000 >= names.size()) return false;
        name = names[rid - 1000];
        return true;
    }
};
AccountTable& Accounts() {
    static AccountTable* table = new AccountTable;
    return *table;
}

// S-1-5-21-<machine>-<rid>: revision, count, authority, sub-authorities.
constexpr size_t kSidSize = 8 + 4 * 5;
void WriteSid(unsigned char* sid, DWORD rid) {
    memset(sid, 0, kSidSize);
    sid[0] = 1;
    sid[1] = 5;
    sid[7] = 5;
    uint32_t subs[5] = {21, kMachineIds[0], kMachineIds[1], kMachineIds[2], rid};
    memcpy(sid + 8, subs, sizeof subs);
}
bool RidOfSid(const unsigned char* sid, DWORD& rid) {
    if (!sid || sid[0] != 1 || sid[1] != 5 || sid[7] != 5) return false;
    uint32_t subs[5];
    memcpy(subs, sid + 8, sizeof subs);
    if (subs[0] != 21 || subs[1] != kMachineIds[0]) return false;
    rid = subs[4];
    return true;
}

std::string OwnerOf(DWORD pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 4, "Uid:") != 0) continue;
        uid_t uid = uid_t(std::stoul(line.substr(4)));
        if (uid == geteuid()) return RunningAccountName();
        if (passwd* pw = getpwuid(uid)) return pw->pw_name;
        return "user" + std::to_string(uid);
    }
    return std::string();
}

std::string ComputerName() {
    std::string name = Setting("machine", "name");
    if (!name.empty()) return name;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    name = host;
    for (auto& c : name) c = char(toupper(static_cast<unsigned char>(c)));
    return name.empty() ? "LOCALHOST" : name;
}

}  // namespace
}  // namespace winlayer

using namespace winlayer;

DWORD WTSGetActiveConsoleSessionId() {
    std::string id = Setting("session", "console_session", "1");
    return id == "none" ? 0xFFFFFFFFu : DWORD(std::stoul(id));
}

BOOL WTSQuerySessionInformationA(HANDLE, DWORD session, WTS_INFO_CLASS infoClass, LPSTR* buffer,
                                 DWORD* bytes) {
    if (!buffer || !bytes) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD console = WTSGetActiveConsoleSessionId();
    std::string text;
    switch (infoClass) {
        case WTSUserName:
            if (session == console || session == WTS_CURRENT_SESSION)
                text = WideToAnsi(Utf8ToWide(ConsoleUserName()));
            break;
        case WTSDomainName:
            text = ComputerName();
            break;
        case WTSSessionId: {
            DWORD id = session == WTS_CURRENT_SESSION ? console : session;
            *buffer = static_cast<LPSTR>(malloc(sizeof id));
            memcpy(*buffer, &id, sizeof id);
            *bytes = sizeof id;
            return TRUE;
        }
        default:
            SetError(ERROR_NOT_SUPPORTED);
            return FALSE;
    }
    *buffer = static_cast<LPSTR>(malloc(text.size() + 1));
    memcpy(*buffer, text.c_str(), text.size() + 1);
    *bytes = DWORD(text.size() + 1);
    return TRUE;
}

void WTSFreeMemory(PVOID memory) {
    free(memory);
}

HWND GetShellWindow() {
    return Setting("shell", "account").empty() ? nullptr : kShellWindow;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    if (window == kShellWindow && GetShellWindow()) {
        if (processId) *processId = kShellProcessId;
        return kShellProcessId + 1;
    }
    if (processId) *processId = 0;
    SetError(1400);  // ERROR_INVALID_WINDOW_HANDLE
    return 0;
}

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
    DWORD pid = 0;
    if (!token || !ProcessIdOf(process, pid)) return FALSE;
    auto object = std::make_shared<TokenObject>();
    if (pid == kShellProcessId)
        object->account = Setting("shell", "account");
    else if (pid == DWORD(getpid()))
        object->account = RunningAccountName();
    else
        object->account = OwnerOf(pid);
    if (object->account.empty()) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *token = AddHandle(object);
    return TRUE;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID buffer,
                         DWORD length, PDWORD returned) {
    auto object = HandleAs<TokenObject>(token);
    if (!object) return FALSE;
    if (infoClass != TokenUser || !returned) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD needed = DWORD(sizeof(TOKEN_USER) + kSidSize);
    *returned = needed;
    if (!buffer || length < needed) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* user = static_cast<TOKEN_USER*>(buffer);
    auto* sid = static_cast<unsigned char*>(buffer) + sizeof(TOKEN_USER);
    WriteSid(sid, Accounts().RidOf(object->account));
    user->User.Sid = sid;
    user->User.Attributes = 0;
    return TRUE;
}

BOOL LookupAccountSidA(LPCSTR, PSID sid, LPSTR name, LPDWORD nameSize, LPSTR domain,
                       LPDWORD domainSize, PSID_NAME_USE use) {
    DWORD rid = 0;
    std::string account;
    if (!nameSize || !domainSize) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!RidOfSid(static_cast<const unsigned char*>(sid), rid) ||
        !Accounts().NameOf(rid, account)) {
        SetError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    std::string narrow = WideToAnsi(Utf8ToWide(account));
    std::string machine = ComputerName();
    if (!name || !domain || *nameSize < narrow.size() + 1 || *domainSize < machine.size() + 1) {
        *nameSize = DWORD(narrow.size() + 1);
        *domainSize = DWORD(machine.size() + 1);
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    strcpy(name, narrow.c_str());
    strcpy(domain, machine.c_str());
    *nameSize = DWORD(narrow.size());
    *domainSize = DWORD(machine.size());
    if (use) *use = SidTypeUser;
    return TRUE;
}

void winlayer::test::SetConsoleUser(const std::string& name) {
    std::lock_guard<std::mutex> lock(Override().mutex);
    Override().set = true;
    Override().name = name;
}

void winlayer::test::ClearConsoleUser() {
    std::lock_guard<std::mutex> lock(Override().mutex);
    Override().set = false;
    Override().name.clear();
}

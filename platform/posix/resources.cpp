// String resources and the user's UI language.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/string_resources.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace {

struct StringTable {
    std::mutex mutex;
    std::map<UINT, std::wstring> strings;
};
StringTable& Strings() {
    static StringTable* table = new StringTable;
    return *table;
}

bool Find(UINT id, std::wstring& text) {
    StringTable& t = Strings();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.strings.find(id);
    if (it == t.strings.end()) return false;
    text = it->second;
    return true;
}

const DWORD kResourceNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

}  // namespace

void RegisterStringResource(UINT id, const std::wstring& text) {
    StringTable& t = Strings();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.strings[id] = text;
}

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int size) {
    std::wstring text;
    if (!buffer) return 0;
    if (!Find(id, text)) {
        winlayer::SetError(kResourceNotFound);
        if (size > 0) buffer[0] = 0;
        return 0;
    }
    if (size == 0) {  // a read-only pointer to the resource itself
        StringTable& t = Strings();
        std::lock_guard<std::mutex> lock(t.mutex);
        *reinterpret_cast<const wchar_t**>(buffer) = t.strings[id].c_str();
        return int(t.strings[id].size());
    }
    size_t n = std::min(text.size(), size_t(size - 1));
    wmemcpy(buffer, text.c_str(), n);
    buffer[n] = 0;
    return int(n);
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    std::wstring text;
    if (!buffer || size <= 0) return 0;
    if (!Find(id, text)) {
        winlayer::SetError(kResourceNotFound);
        buffer[0] = 0;
        return 0;
    }
    std::string narrow = winlayer::WideToAnsi(text);
    size_t n = std::min(narrow.size(), size_t(size - 1));
    memcpy(buffer, narrow.data(), n);
    buffer[n] = 0;
    return int(n);
}

// [machine] ui_language when set; else taken from the host locale (zh_CN 2052, zh_TW 1028,
// zh_HK 3076, anything else 1033).
WORD GetUserDefaultUILanguage() {
    std::string forced = winlayer::Setting("machine", "ui_language");
    if (!forced.empty()) return WORD(std::stoi(forced));
    const char* lang = getenv("LC_ALL");
    if (!lang || !*lang) lang = getenv("LC_MESSAGES");
    if (!lang || !*lang) lang = getenv("LANG");
    std::string l = lang ? lang : "";
    if (l.compare(0, 5, "zh_CN") == 0 || l.compare(0, 5, "zh_SG") == 0) return 2052;
    if (l.compare(0, 5, "zh_TW") == 0) return 1028;
    if (l.compare(0, 5, "zh_HK") == 0) return 3076;
    return 1033;
}

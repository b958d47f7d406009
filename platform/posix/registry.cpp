// Registry functions over the store persisted in <root>/registry.txt.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

struct KeyHandle {
    std::vector<std::wstring> path;  // root name first
    REGSAM access;
};

struct Registry {
    std::mutex mutex;
    std::string loadedFile;
    timespec stamp{};
    off_t size = -1;
    RegKey top;
    std::map<uintptr_t, KeyHandle> handles;
    uintptr_t next = 0x1000;
};

Registry& Reg() {
    static Registry* registry = new Registry;
    return *registry;
}

std::string RegistryFile() {
    return SystemRootDir() + "/registry.txt";
}

// Holds the cross-process lock of the registry file while a call reads or changes it.
struct FileLock {
    int fd;
    explicit FileLock(const std::string& file)
        : fd(open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd >= 0) flock(fd, LOCK_EX);
    }
    ~FileLock() {
        if (fd >= 0) close(fd);
    }
};

bool ReadAll(const std::string& file, std::string& text, int& err) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return err = errno, false;
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = errno;
            close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, size_t(n));
    }
    close(fd);
    return true;
}

// Loads the file when it changed since the last load. A damaged file gives
// ERROR_REGISTRY_CORRUPT on every call until it is repaired; nothing is written over it.
LSTATUS Refresh(Registry& r, const std::string& file) {
    struct stat st;
    bool exists = stat(file.c_str(), &st) == 0;
    if (r.loadedFile == file && exists && st.st_size == r.size &&
        st.st_mtim.tv_sec == r.stamp.tv_sec && st.st_mtim.tv_nsec == r.stamp.tv_nsec)
        return ERROR_SUCCESS;
    r.loadedFile.clear();
    r.top = RegKey();
    r.size = -1;
    if (!exists) {
        if (errno != ENOENT) return LSTATUS(ErrorFromErrno(errno));
        r.loadedFile = file;
        return ERROR_SUCCESS;
    }
    std::string text;
    int err = 0;
    if (!ReadAll(file, text, err)) return LSTATUS(ErrorFromErrno(err));
    if (!ParseRegistry(text, r.top)) return ERROR_REGISTRY_CORRUPT;
    r.loadedFile = file;
    r.stamp = st.st_mtim;
    r.size = st.st_size;
    return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        done += size_t(n);
    }
    return true;
}

// Writes the store to a temporary file and renames it over the old one only when every step
// worked, so a failed write (full disk, size limit) leaves the old file as it was.
LSTATUS Save(Registry& r, const std::string& file) {
    std::string text = SerializeRegistry(r.top);
    std::string temp = file + ".new";
    unlink(temp.c_str());  // a leftover of a writer that died; we hold the file lock
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return LSTATUS(ErrorFromErrno(errno));
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return LSTATUS(ErrorFromErrno(err));
    }
    // Make the rename itself durable.
    std::string folder = file.substr(0, file.find_last_of('/') + 1);
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    struct stat st;
    if (stat(file.c_str(), &st) == 0) {
        r.stamp = st.st_mtim;
        r.size = st.st_size;
    }
    return ERROR_SUCCESS;
}

const wchar_t* RootName(HKEY key) {
    switch (reinterpret_cast<uintptr_t>(key)) {
        case 0x80000000u:
            return L"HKEY_CLASSES_ROOT";
        case 0x80000001u:
            return L"HKEY_CURRENT_USER";
        case 0x80000002u:
            return L"HKEY_LOCAL_MACHINE";
        case 0x80000003u:
            return L"HKEY_USERS";
        default:
            return nullptr;
    }
}

// Resolves a handle to its key path; false with ERROR_INVALID_HANDLE for an unknown handle.
bool PathOf(Registry& r, HKEY key, std::vector<std::wstring>& path, REGSAM* access) {
    if (const wchar_t* root = RootName(key)) {
        path = {root};
        if (access) *access = KEY_ALL_ACCESS;
        return true;
    }
    auto it = r.handles.find(reinterpret_cast<uintptr_t>(key));
    if (it == r.handles.end()) return false;
    path = it->second.path;
    if (access) *access = it->second.access;
    return true;
}

RegKey* Lookup(Registry& r, const std::vector<std::wstring>& path, bool create) {
    RegKey* key = &r.top;
    for (const auto& part : path) {
        RegKey* child = key->Find(part);
        if (!child) {
            if (!create) return nullptr;
            child = key->Add(part);
        }
        key = child;
    }
    return key;
}

HKEY NewHandle(Registry& r, const std::vector<std::wstring>& path, REGSAM access) {
    uintptr_t value = r.next;
    r.next += 4;
    r.handles[value] = KeyHandle{path, access};
    return reinterpret_cast<HKEY>(value);
}

// Runs op on the key of a handle under the registry's locks; op returns a Win32 error and sets
// `changed` when the store must be written back. Errors of the file come back as Win32 errors;
// no exception leaves a registry call.
template <class Op>
LSTATUS WithKey(HKEY key, Op op) {
    try {
        Registry& r = Reg();
        std::string file = RegistryFile();
        std::lock_guard<std::mutex> lock(r.mutex);
        FileLock fileLock(file);
        if (fileLock.fd < 0) return LSTATUS(ErrorFromErrno(errno));
        LSTATUS loaded = Refresh(r, file);
        if (loaded != ERROR_SUCCESS) return loaded;
        std::vector<std::wstring> path;
        REGSAM access = 0;
        if (!PathOf(r, key, path, &access)) return ERROR_INVALID_HANDLE;
        bool changed = false;
        LSTATUS status = op(r, path, access, changed);
        if (changed) {
            LSTATUS saved = Save(r, file);
            if (saved != ERROR_SUCCESS) {
                r.loadedFile.clear();  // the change is not in the file: load it again next time
                return saved;
            }
        }
        return status;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_REGISTRY_CORRUPT;
    }
}

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char((c >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring FromUtf16Bytes(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += wchar_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
    return text;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, std::string data) {
    // String data given without its terminating NUL is stored with one.
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && data.size() >= 2 &&
        (data[data.size() - 2] != '\0' || data[data.size() - 1] != '\0'))
        data.append(2, '\0');
    return WithKey(key,
                   [&](Registry& r, const std::vector<std::wstring>& path, REGSAM access,
                       bool& changed) -> LSTATUS {
                       if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
                       RegKey* k = Lookup(r, path, false);
                       if (!k) return ERROR_KEY_DELETED;
                       RegValue* v = k->FindValue(name);
                       if (!v) {
                           k->values.push_back(RegValue{name, type, data});
                       } else {
                           v->type = type;
                           v->data = data;
                       }
                       changed = true;
                       return ERROR_SUCCESS;
                   });
}

// Reads a value's type and stored bytes.
LSTATUS GetValue(HKEY key, const std::wstring& name, RegValue& out) {
    return WithKey(
        key,
        [&](Registry& r, const std::vector<std::wstring>& path, REGSAM access, bool&) -> LSTATUS {
            if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
            RegKey* k = Lookup(r, path, false);
            if (!k) return ERROR_KEY_DELETED;
            RegValue* v = k->FindValue(name);
            if (!v) return ERROR_FILE_NOT_FOUND;
            out = *v;
            return ERROR_SUCCESS;
        });
}

LSTATUS Answer(const std::string& bytes, DWORD type, LPDWORD typeOut, LPBYTE data, LPDWORD cb) {
    if (typeOut) *typeOut = type;
    if (!cb) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD needed = DWORD(bytes.size());
    if (!data) {
        *cb = needed;
        return ERROR_SUCCESS;
    }
    if (*cb < needed) {
        *cb = needed;
        return ERROR_MORE_DATA;
    }
    memcpy(data, bytes.data(), bytes.size());
    *cb = needed;
    return ERROR_SUCCESS;
}

std::wstring NameOf(LPCWSTR name) {
    return name ? std::wstring(name) : std::wstring();
}
std::wstring NameOfA(LPCSTR name) {
    return AnsiToWide(name);
}

LSTATUS OpenOrCreate(HKEY key, const std::wstring& subKey, REGSAM access, bool create, PHKEY result,
                     LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    HKEY made = nullptr;
    LSTATUS status = WithKey(
        key, [&](Registry& r, std::vector<std::wstring> path, REGSAM, bool& changed) -> LSTATUS {
            for (const auto& part : SplitKeyPath(subKey)) path.push_back(part);
            RegKey* existing = Lookup(r, path, false);
            if (!existing && !create) return ERROR_FILE_NOT_FOUND;
            if (!existing) {
                Lookup(r, path, true);
                changed = true;
            }
            if (disposition)
                *disposition = existing ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
            made = NewHandle(r, path, access & ~REGSAM(KEY_WOW64_32KEY | KEY_WOW64_64KEY));
            return ERROR_SUCCESS;
        });
    if (status == ERROR_SUCCESS) {
        *result = made;
    } else if (made) {  // a new key that could not be written: no handle to it
        std::lock_guard<std::mutex> lock(Reg().mutex);
        Reg().handles.erase(reinterpret_cast<uintptr_t>(made));
    }
    return status;
}

}  // namespace

void EnsureRegistrySkeleton() {
    HKEY key;
    for (const char* path :
         {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
          "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"})
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key) == ERROR_SUCCESS) RegCloseKey(key);
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key) == ERROR_SUCCESS) RegCloseKey(key);
}

}  // namespace winlayer

using namespace winlayer;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    return OpenOrCreate(key, NameOfA(subKey), access, false, result, nullptr);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access,
                        LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    return OpenOrCreate(key, NameOfA(subKey), access, true, result, disposition);
}

LSTATUS RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return OpenOrCreate(key, NameOfA(subKey), KEY_ALL_ACCESS, true, result, nullptr);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD cb) {
    std::string bytes(reinterpret_cast<const char*>(data), data ? cb : 0);
    if (IsStringType(type)) {
        std::wstring wide;
        size_t start = 0;
        // Convert piece by piece so that embedded NULs (REG_MULTI_SZ) survive.
        for (size_t i = 0; i <= bytes.size(); ++i) {
            if (i == bytes.size() || bytes[i] == '\0') {
                wide += AnsiToWide(bytes.substr(start, i - start).c_str());
                if (i < bytes.size()) wide += L'\0';
                start = i + 1;
            }
        }
        bytes = Utf16Bytes(wide);
    }
    return SetValue(key, NameOfA(name), type, bytes);
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD cb) {
    std::string bytes;
    if (IsStringType(type)) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
        bytes = Utf16Bytes(std::wstring(text, data ? cb / sizeof(WCHAR) : 0));
    } else {
        bytes.assign(reinterpret_cast<const char*>(data), data ? cb : 0);
    }
    return SetValue(key, NameOf(name), type, bytes);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cb) {
    RegValue value;
    LSTATUS status = GetValue(key, NameOf(name), value);
    if (status != ERROR_SUCCESS) return status;
    std::string bytes = value.data;
    if (IsStringType(value.type)) {
        std::wstring text = FromUtf16Bytes(value.data);
        bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(WCHAR));
    }
    return Answer(bytes, value.type, type, data, cb);
}

LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    std::vector<std::wstring> sub = SplitKeyPath(NameOfA(subKey));
    return WithKey(
        key, [&](Registry& r, std::vector<std::wstring> path, REGSAM, bool& changed) -> LSTATUS {
            for (const auto& part : sub) path.push_back(part);
            RegKey* k = Lookup(r, path, false);
            if (!k) return ERROR_FILE_NOT_FOUND;
            if (sub.empty()) {  // empty the key itself
                k->subkeys.clear();
                k->values.clear();
                changed = true;
                return ERROR_SUCCESS;
            }
            if (path.size() < 2) return ERROR_ACCESS_DENIED;  // a root key
            std::vector<std::wstring> parentPath(path.begin(), path.end() - 1);
            Lookup(r, parentPath, false)->Remove(path.back());
            changed = true;
            return ERROR_SUCCESS;
        });
}

LSTATUS RegCloseKey(HKEY key) {
    if (RootName(key)) return ERROR_SUCCESS;
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// Last error, the handle table, waiting, time and sleeping.
#include <errno.h>
#include <time.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace winlayer {
namespace {

thread_local DWORD lastError = 0;

// One table per handle kind, each in its own range of values below 2^32 (the user and GDI handles
// of 64-bit Windows fit in 32 bits too). Kernel handles are multiples of 4 as on Windows; freed GDI
// values are handed out again, so the pens and brushes of every paint reuse a few slots.
struct HandleTable {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<Object>> objects;
    std::vector<uintptr_t> freed;  // values to reuse (GDI only)
    uintptr_t first, next, limit, step;
    bool reuse;
};

HandleTable* NewTable(uintptr_t first, uintptr_t limit, uintptr_t step, bool reuse) {
    auto* table = new HandleTable;
    table->first = table->next = first;
    table->limit = limit;
    table->step = step;
    table->reuse = reuse;
    return table;
}

HandleTable& Handles(HandleKind kind) {
    // never destroyed: handles may be closed by static destructors of other objects
    static HandleTable* kernel = NewTable(0x100, 0x3FFFFFFC, 4, false);
    static HandleTable* windows = NewTable(0x40000002, 0x7FFFFFFE, 2, false);
    static HandleTable* gdi = NewTable(0x80000004, 0xFFFFFFFC, 4, true);
    switch (kind) {
        case HandleKind::Window:
            return *windows;
        case HandleKind::Gdi:
            return *gdi;
        default:
            return *kernel;
    }
}

}  // namespace

void SetError(DWORD code) {
    lastError = code;
}

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ETXTBSY:
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ENOSPC:
        case EFBIG:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENOEXEC:
            return ERROR_BAD_EXE_FORMAT;
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

bool TestFault(const char* name) {
    const char* list = getenv("OBJSTORE_LAYER_TEST_FAULTS");
    if (!list) return false;
    size_t n = strlen(name);
    for (const char* p = list; *p;) {
        const char* end = strchr(p, ',');
        size_t len = end ? size_t(end - p) : strlen(p);
        if (len == n && strncmp(p, name, n) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

void* AddHandle(HandleKind kind, std::shared_ptr<Object> object) {
    HandleTable& table = Handles(kind);
    std::lock_guard<std::mutex> lock(table.mutex);
    uintptr_t value;
    if (table.reuse && !table.freed.empty()) {
        value = table.freed.back();
        table.freed.pop_back();
    } else {
        if (table.next > table.limit) return nullptr;
        value = table.next;
        table.next += table.step;
    }
    table.objects[value] = std::move(object);
    return reinterpret_cast<void*>(value);
}

std::shared_ptr<Object> LookupHandle(HandleKind kind, const void* handle) {
    HandleTable& table = Handles(kind);
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

bool RemoveHandle(HandleKind kind, const void* handle) {
    std::shared_ptr<Object> object;  // destroyed after the lock is released
    {
        HandleTable& table = Handles(kind);
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == table.objects.end()) return false;
        object = std::move(it->second);
        if (table.reuse) table.freed.push_back(it->first);
        table.objects.erase(it);
    }
    return true;
}

}  // namespace winlayer

using namespace winlayer;

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == GetCurrentProcess()) return TRUE;  // pseudo handle
    if (!RemoveHandle(handle)) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto waitable = HandleAs<Waitable>(handle);
    if (!waitable) return WAIT_FAILED;
    return waitable->WaitResult(milliseconds);
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetTickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return DWORD(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

// The handle tables of the native layer. A handle belongs to one kind (kernel objects, windows,
// GDI objects); each kind has its own table and its own range of values, so a handle of one kind is
// never found as another. GDI handle values are reused after DeleteObject, so the objects made on
// every paint do not grow the table. Not for code outside platform/.
#pragma once

#include <memory>

#include "platform/posix/errors.h"
#include "platform/posix/win32_types.h"

namespace winlayer {

enum class HandleKind { Kernel, Window, Gdi };

struct Object {
    virtual ~Object() = default;
};

// Adds an object and returns its new handle value (null when the kind's range is used up).
void* AddHandle(HandleKind kind, std::shared_ptr<Object> object);
std::shared_ptr<Object> LookupHandle(HandleKind kind, const void* handle);
// Removes the handle; the object goes when its last reference does. False when unknown.
bool RemoveHandle(HandleKind kind, const void* handle);

// Kernel objects (files, processes, threads, snapshots, tokens, find handles).
inline HANDLE AddHandle(std::shared_ptr<Object> object) {
    return AddHandle(HandleKind::Kernel, std::move(object));
}
inline std::shared_ptr<Object> LookupHandle(HANDLE handle) {
    return LookupHandle(HandleKind::Kernel, handle);
}
inline bool RemoveHandle(HANDLE handle) {
    return RemoveHandle(HandleKind::Kernel, handle);
}
// The kernel object of the given type; sets ERROR_INVALID_HANDLE when there is none.
template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object) SetError(ERROR_INVALID_HANDLE);
    return object;
}

// Objects that WaitForSingleObject can wait on.
struct Waitable : Object {
    // Returns true when signalled within timeoutMs (INFINITE waits for ever).
    virtual bool Wait(DWORD timeoutMs) = 0;
    // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (with the last error set).
    virtual DWORD WaitResult(DWORD timeoutMs) {
        return Wait(timeoutMs) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
};

}  // namespace winlayer

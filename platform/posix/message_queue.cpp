// Message queues, one per thread: posted messages in the order they were posted, then WM_QUIT,
// then WM_PAINT for a window of the thread that has something to paint (parents first).
#include <mutex>

#include "platform/posix/errors.h"
#include "platform/posix/window_system.h"

namespace winlayer {
namespace {

// Holds the calling thread's queue and takes it out of the table when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        std::lock_guard<std::mutex> lock(Windows().mutex);
        Windows().queues.erase(queue->threadId);
    }
};

bool InRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool Matches(HWND target, UINT message, HWND filter, UINT first, UINT last) {
    return (!filter || filter == target) && InRange(message, first, last);
}

MSG Stamp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{window, message, wParam, lParam, GetTickCount(), CursorPosition()};
}

// The next message for the queue's thread, if any; WM_PAINT stays due until the window is
// validated, so it is never removed here.
bool NextMessage(ThreadQueue& queue, HWND filter, UINT first, UINT last, bool remove, MSG& out) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!Matches(it->hwnd, it->message, filter, first, last)) continue;
        out = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    if (queue.quit && !filter && InRange(WM_QUIT, first, last)) {
        out = Stamp(nullptr, WM_QUIT, WPARAM(queue.quitCode), 0);
        if (remove) queue.quit = false;
        return true;
    }
    if (!InRange(WM_PAINT, first, last)) return false;
    for (auto& entry : Windows().windows) {
        const Window& window = *entry.second;
        if (window.queue.get() == &queue && NeedsPaint(window) &&
            (!filter || filter == entry.first)) {
            out = Stamp(entry.first, WM_PAINT, 0, 0);
            return true;
        }
    }
    return false;
}

}  // namespace

std::shared_ptr<ThreadQueue> CurrentQueue() {
    thread_local QueueHolder holder;
    if (!holder.queue) {
        holder.queue = std::make_shared<ThreadQueue>();
        holder.queue->threadId = GetCurrentThreadId();
        Windows().queues[holder.queue->threadId] = holder.queue;
    }
    return holder.queue;
}

void PostLocked(ThreadQueue& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    queue.posted.push_back(Stamp(window, message, wParam, lParam));
    queue.wake.notify_all();
}

}  // namespace winlayer

using namespace winlayer;

BOOL PostMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    std::shared_ptr<ThreadQueue> queue;
    if (!handle) {
        queue = CurrentQueue();
    } else {
        auto window = LookupWindow(handle);
        if (!window || window->desktop) return FALSE;
        queue = window->queue;
    }
    PostLocked(*queue, handle, message, wParam, lParam);
    return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto found = Windows().queues.find(threadId);
    auto queue = found == Windows().queues.end() ? nullptr : found->second.lock();
    if (!queue) {
        SetError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    PostLocked(*queue, nullptr, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    auto queue = CurrentQueue();
    queue->quit = true;
    queue->quitCode = exitCode;
}

BOOL GetMessageW(LPMSG msg, HWND filter, UINT first, UINT last) {
    WindowSystem& system = Windows();
    std::unique_lock<std::mutex> lock(system.mutex);
    auto queue = CurrentQueue();
    while (!NextMessage(*queue, filter, first, last, true, *msg)) {
        queue->waiting = true;
        system.observers.notify_all();
        queue->wake.wait(lock);
        queue->waiting = false;
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND filter, UINT first, UINT last, UINT remove) {
    std::lock_guard<std::mutex> lock(Windows().mutex);
    return NextMessage(*CurrentQueue(), filter, first, last, (remove & PM_REMOVE) != 0, *msg)
               ? TRUE
               : FALSE;
}

// There is no keyboard: no message is ever translated into characters.
BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    if (!IsWindow(msg->hwnd)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

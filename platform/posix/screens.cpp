// Screens: the monitors of the machine (the test interface's, else settings.ini's [display]
// monitors, else one 1920 x 1080 screen at 96 DPI), what user32 reports of them, and shcore's
// display scale functions offered under "SHCore.dll".
#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/modules.h"
#include "platform/posix/sysroot.h"
#include "platform/posix/test_interface.h"
#include "platform/posix/text.h"
#include "platform/posix/window_system.h"

namespace winlayer {
namespace {

using test::Monitor;

const uintptr_t kFirstMonitorHandle = 0x10010;

struct ScreenState {
    std::mutex mutex;
    bool overridden = false;
    std::vector<Monitor> monitors;  // when overridden
    bool dpiAware = false;
};

ScreenState& Screens() {
    static ScreenState* state = new ScreenState;
    return *state;
}

// "x,y,width,height,logPixels,effectiveDpi" per monitor, separated by ';'.
std::vector<Monitor> ParseMonitors(const std::string& text) {
    std::vector<Monitor> out;
    std::stringstream entries(text);
    std::string entry;
    while (std::getline(entries, entry, ';')) {
        Monitor m;
        unsigned dpi = 96;
        if (sscanf(entry.c_str(), " %d , %d , %d , %d , %d , %u", &m.x, &m.y, &m.width, &m.height,
                   &m.logPixels, &dpi) == 6 &&
            m.width > 0 && m.height > 0) {
            m.effectiveDpi = dpi;
            out.push_back(m);
        }
    }
    return out;
}

std::vector<Monitor> CurrentMonitors() {
    std::vector<Monitor> monitors;
    {
        std::lock_guard<std::mutex> lock(Screens().mutex);
        if (Screens().overridden) monitors = Screens().monitors;
    }
    if (monitors.empty()) monitors = ParseMonitors(Setting("display", "monitors"));
    if (monitors.empty()) monitors.push_back(Monitor());
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].deviceName.empty())
            monitors[i].deviceName = L"\\\\.\\DISPLAY" + std::to_wstring(i + 1);
    return monitors;
}

RECT RectOf(const Monitor& m) {
    return {m.x, m.y, m.x + m.width, m.y + m.height};
}

long long Overlap(const RECT& a, const RECT& b) {
    long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

long long Distance(const RECT& a, const RECT& b) {
    long long dx = std::max<long long>({0, b.left - a.right, a.left - b.right});
    long long dy = std::max<long long>({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

int MonitorIndex(HMONITOR monitor, size_t count) {
    uintptr_t value = reinterpret_cast<uintptr_t>(monitor);
    if (value < kFirstMonitorHandle || value >= kFirstMonitorHandle + count) return -1;
    return int(value - kFirstMonitorHandle);
}

HRESULT WINAPI SetProcessDpiAwarenessImpl(PROCESS_DPI_AWARENESS value) {
    if (value < PROCESS_DPI_UNAWARE || value > PROCESS_PER_MONITOR_DPI_AWARE) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(Screens().mutex);
    if (Screens().dpiAware) return E_ACCESSDENIED;
    Screens().dpiAware = value != PROCESS_DPI_UNAWARE;
    return S_OK;
}

// Processes that did not declare themselves aware are told 96, as Windows tells them.
HRESULT WINAPI GetDpiForMonitorImpl(HMONITOR monitor, MONITOR_DPI_TYPE, UINT* x, UINT* y) {
    std::vector<Monitor> monitors = CurrentMonitors();
    int index = MonitorIndex(monitor, monitors.size());
    if (index < 0 || !x || !y) return E_INVALIDARG;
    bool aware;
    {
        std::lock_guard<std::mutex> lock(Screens().mutex);
        aware = Screens().dpiAware;
    }
    *x = *y = aware ? monitors[size_t(index)].effectiveDpi : 96;
    return S_OK;
}

}  // namespace

RECT PrimaryScreenRect() {
    return RectOf(CurrentMonitors().front());
}

void OfferShcore() {
    RegisterExport(L"SHCore.dll", "SetProcessDpiAwareness",
                   reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SetProcessDpiAwarenessImpl)));
    RegisterExport(L"SHCore.dll", "GetDpiForMonitor",
                   reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&GetDpiForMonitorImpl)));
}

namespace test {

void SetMonitors(const std::vector<Monitor>& monitors) {
    std::lock_guard<std::mutex> lock(Screens().mutex);
    Screens().overridden = !monitors.empty();
    Screens().monitors = monitors;
}

void SetShcoreAvailable(bool available) {
    SetModuleAvailable(L"SHCore.dll", available);
}

}  // namespace test
}  // namespace winlayer

using namespace winlayer;

BOOL EnumDisplayDevicesW(LPCWSTR device, DWORD index, PDISPLAY_DEVICEW out, DWORD) {
    std::vector<test::Monitor> monitors = CurrentMonitors();
    if (device || !out || index >= monitors.size()) return FALSE;  // adapters only
    DWORD cb = out->cb;
    *out = DISPLAY_DEVICEW{};
    out->cb = cb;
    CopyOut(monitors[index].deviceName, out->DeviceName, 32);
    CopyOut(L"Objstore headless display", out->DeviceString, 128);
    out->StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
    if (index == 0) out->StateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE;
    return TRUE;
}

// A null name is the primary screen. Only the current mode is known.
BOOL EnumDisplaySettingsExW(LPCWSTR name, DWORD mode, DEVMODEW* out, DWORD) {
    std::vector<test::Monitor> monitors = CurrentMonitors();
    if (!out || mode != ENUM_CURRENT_SETTINGS) return FALSE;
    auto found = monitors.begin();
    if (name)
        found = std::find_if(monitors.begin(), monitors.end(), [&](const test::Monitor& m) {
            return EqualsNoCase(m.deviceName, name);
        });
    if (found == monitors.end()) return FALSE;
    *out = DEVMODEW{};
    CopyOut(found->deviceName, out->dmDeviceName, CCHDEVICENAME);
    out->dmSize = WORD(sizeof(DEVMODEW));
    out->dmFields = DM_POSITION | DM_LOGPIXELS | DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    out->dmPosition = {found->x, found->y};
    out->dmLogPixels = WORD(found->logPixels);
    out->dmBitsPerPel = 32;
    out->dmPelsWidth = DWORD(found->width);
    out->dmPelsHeight = DWORD(found->height);
    return TRUE;
}

int GetSystemMetrics(int index) {
    RECT primary = PrimaryScreenRect();
    switch (index) {
        case SM_CXSCREEN:
            return primary.right - primary.left;
        case SM_CYSCREEN:
            return primary.bottom - primary.top;
        default:
            return 0;
    }
}

// The monitor that shows most of the window; else by the flags.
HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
    std::vector<test::Monitor> monitors = CurrentMonitors();
    RECT rect{};
    bool known = GetWindowRect(window, &rect) != FALSE;
    size_t best = 0;
    long long bestOverlap = 0, bestDistance = LLONG_MAX;
    for (size_t i = 0; known && i < monitors.size(); ++i) {
        long long overlap = Overlap(rect, RectOf(monitors[i]));
        if (overlap > bestOverlap) bestOverlap = overlap, best = i;
    }
    if (!bestOverlap) {
        if (flags == MONITOR_DEFAULTTONULL) return nullptr;
        best = 0;
        for (size_t i = 0; known && flags == MONITOR_DEFAULTTONEAREST && i < monitors.size(); ++i) {
            long long distance = Distance(rect, RectOf(monitors[i]));
            if (distance < bestDistance) bestDistance = distance, best = i;
        }
    }
    return reinterpret_cast<HMONITOR>(kFirstMonitorHandle + best);
}

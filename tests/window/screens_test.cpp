// Screens: the monitors user32 reports and shcore's display scale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "win_test_support.h"
#include "window_test_support.h"

#ifndef _WIN32
#include "platform/posix/test_interface.h"
#endif

using namespace wintest;

namespace {

struct Screen {
    std::wstring name;
    DWORD flags;
    RECT rect;
    int logPixels;
};

std::vector<Screen> EnumerateScreens() {
    std::vector<Screen> out;
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i) {
        if (!(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsExW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode, 0)) continue;
        LONG x = mode.dmPosition.x, y = mode.dmPosition.y;
        out.push_back({device.DeviceName, device.StateFlags,
                       RECT{x, y, x + LONG(mode.dmPelsWidth), y + LONG(mode.dmPelsHeight)},
                       mode.dmLogPixels});
    }
    return out;
}

}  // namespace

TEST(Screens, ThePrimaryScreenIsAtTheOriginWithTheSystemMetricsSize) {
    std::vector<Screen> screens = EnumerateScreens();
    ASSERT_FALSE(screens.empty());
    int primaries = 0;
    for (const Screen& s : screens) {
        if (!(s.flags & DISPLAY_DEVICE_PRIMARY_DEVICE)) continue;
        ++primaries;
        EXPECT_EQ(s.rect.left, 0);
        EXPECT_EQ(s.rect.top, 0);
        EXPECT_EQ(s.rect.right, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(s.rect.bottom, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(s.name.compare(0, 11, L"\\\\.\\DISPLAY"), 0) << Utf8(s.name);
    }
    EXPECT_EQ(primaries, 1);
}

#ifndef _WIN32
namespace {

struct ScreensWithMonitors : ::testing::Test {
    void SetUp() override {
        winlayer::test::SetMonitors({
            {L"", 0, 0, 1600, 900, 96, 96},
            {L"", -1280, 100, 1280, 1024, 96, 120},
            {L"", 1600, 0, 2560, 1440, 192, 192},
        });
    }
    void TearDown() override {
        winlayer::test::SetMonitors({});
        winlayer::test::SetShcoreAvailable(true);
    }
};

}  // namespace

TEST_F(ScreensWithMonitors, EnumerationGivesTheirRectanglesAndScales) {
    std::vector<Screen> screens = EnumerateScreens();
    ASSERT_EQ(screens.size(), 3u);
    struct Expected {
        const wchar_t* name;
        RECT rect;
        int logPixels;
        bool primary;
    } expected[] = {
        {L"\\\\.\\DISPLAY1", {0, 0, 1600, 900}, 96, true},
        {L"\\\\.\\DISPLAY2", {-1280, 100, 0, 1124}, 96, false},
        {L"\\\\.\\DISPLAY3", {1600, 0, 4160, 1440}, 192, false},
    };
    for (size_t i = 0; i < screens.size(); ++i) {
        EXPECT_EQ(screens[i].name, expected[i].name);
        EXPECT_EQ(screens[i].rect.left, expected[i].rect.left) << i;
        EXPECT_EQ(screens[i].rect.top, expected[i].rect.top) << i;
        EXPECT_EQ(screens[i].rect.right, expected[i].rect.right) << i;
        EXPECT_EQ(screens[i].rect.bottom, expected[i].rect.bottom) << i;
        EXPECT_EQ(screens[i].logPixels, expected[i].logPixels) << i;
        EXPECT_EQ((screens[i].flags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0, expected[i].primary);
    }
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1600);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 900);
}

// One test for the whole awareness story: a process declares itself aware only once.
TEST_F(ScreensWithMonitors, DpiIsNinetySixUntilTheProcessIsAwareThenTheMonitors) {
    HMODULE shcore = LoadLibraryW(L"SHCore.dll");
    ASSERT_NE(shcore, nullptr);
    auto setAwareness = reinterpret_cast<SetProcessDpiAwarenessProc>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
    auto dpiFor = reinterpret_cast<GetDpiForMonitorProc>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    ASSERT_TRUE(setAwareness && dpiFor);

    Recorder recorder;
    HWND onRight = CreateRecorded(recorder, WS_POPUP, {1700, 100, 1900, 300});
    HWND mostlyLeft = CreateRecorded(recorder, WS_POPUP, {-300, 200, 100, 400});
    HWND nowhere = CreateRecorded(recorder, WS_POPUP, {5000, 5000, 5100, 5100});
    HMONITOR right = MonitorFromWindow(onRight, MONITOR_DEFAULTTONEAREST);
    HMONITOR left = MonitorFromWindow(mostlyLeft, MONITOR_DEFAULTTONEAREST);
    EXPECT_EQ(MonitorFromWindow(nowhere, MONITOR_DEFAULTTONEAREST), right);
    EXPECT_EQ(MonitorFromWindow(nowhere, MONITOR_DEFAULTTONULL), nullptr);

    UINT x = 0, y = 0;
    ASSERT_EQ(dpiFor(right, MDT_EFFECTIVE_DPI, &x, &y), S_OK);
    EXPECT_EQ(x, 96u);
    EXPECT_EQ(y, 96u);
    EXPECT_EQ(setAwareness(PROCESS_PER_MONITOR_DPI_AWARE), S_OK);
    EXPECT_EQ(setAwareness(PROCESS_PER_MONITOR_DPI_AWARE), E_ACCESSDENIED);
    ASSERT_EQ(dpiFor(right, MDT_EFFECTIVE_DPI, &x, &y), S_OK);
    EXPECT_EQ(x, 192u);
    ASSERT_EQ(dpiFor(left, MDT_EFFECTIVE_DPI, &x, &y), S_OK);
    EXPECT_EQ(x, 120u);
    for (HWND w : {onRight, mostlyLeft, nowhere}) DestroyWindow(w);
}

TEST_F(ScreensWithMonitors, ShcoreCanBeMissing) {
    winlayer::test::SetShcoreAvailable(false);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(L"SHCore.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    winlayer::test::SetShcoreAvailable(true);
    EXPECT_NE(LoadLibraryW(L"shcore"), nullptr);
}

TEST(Screens, SettingsGiveTheMonitorsOfSeparatelyStartedPrograms) {
    TempFolder scratch;  // a fresh system root of its own
    std::ofstream(std::string(getenv("OBJSTORE_SYSROOT")) + "/settings.ini")
        << "[display]\nmonitors=0,0,1024,768,96,96;1024,0,800,600,144,144\n";
    std::vector<Screen> screens = EnumerateScreens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[1].rect.left, 1024);
    EXPECT_EQ(screens[1].rect.right, 1824);
    EXPECT_EQ(screens[1].logPixels, 144);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}
#endif

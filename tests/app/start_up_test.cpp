// Start-up pieces of the installer program: the PATH fix-up, the main loop's message filter and
// the local endpoint of builds for local runs.
#include <gtest/gtest.h>

#include "app/local_endpoint.h"
#include "app/message_filter.h"
#include "app/path_fixup.h"
#include "util/cos_global_settings.h"
#include "window_test_support.h"

namespace {

TEST(PathFixup, TheSystemFolderIsAppendedAfterOneSemicolon) {
    const struct {
        const wchar_t* path;
        std::string root;
        std::wstring expected;
    } rows[] = {
        {L"C:\\bin;D:\\tools", "C:\\Windows", L"C:\\bin;D:\\tools;C:\\Windows\\system32;"},
        {L"C:\\bin;", "C:\\Windows", L"C:\\bin;C:\\Windows\\system32;"},
        {L"", "C:\\Windows", L"C:\\Windows\\system32;"},
        // An existing entry is not looked for.
        {L"C:\\Windows\\system32;", "C:\\Windows", L"C:\\Windows\\system32;C:\\Windows\\system32;"},
        // The root is code page 936 text.
        {L"", "C:\\\xCF\xB5\xCD\xB3", L"C:\\\u7CFB\u7EDF\\system32;"},
        // Longer than 1024 characters once converted: nothing is appended but the ";".
        {L"C:\\bin", "C:\\" + std::string(1100, 'w'), L"C:\\bin;"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PathWithSystemFolder(row.path, row.root), row.expected) << row.root.size();
}

std::wstring Variable(const wchar_t* name) {
    wchar_t value[4096] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length < 4096 ? std::wstring(value, length) : L"<too long>";
}

TEST(PathFixup, TheProcessPathChangesOnlyWithASystemRoot) {
    const std::wstring path = Variable(L"PATH"), root = Variable(L"SystemRoot");
    SetEnvironmentVariableW(L"PATH", L"C:\\bin");
    SetEnvironmentVariableW(L"SystemRoot", L"C:\\Win");
    FixProcessPath();
    EXPECT_EQ(Variable(L"PATH"), L"C:\\bin;C:\\Win\\system32;");
    SetEnvironmentVariableW(L"SystemRoot", nullptr);
    FixProcessPath();
    EXPECT_EQ(Variable(L"PATH"), L"C:\\bin;C:\\Win\\system32;") << "without SystemRoot: as it was";
    SetEnvironmentVariableW(L"PATH", path.c_str());
    SetEnvironmentVariableW(L"SystemRoot", root.empty() ? nullptr : root.c_str());
}

constexpr WPARAM kMinimizeCommand = 0xF020;

TEST(MessageFilter, TheDialogAndItsDescendantsGetTheirMessagesOthersNot) {
    wintest::Recorder recorder;
    RECT at{0, 0, 50, 50};
    HWND dialog = wintest::CreateRecorded(recorder, WS_POPUP, at);
    HWND child = wintest::CreateRecorded(recorder, WS_CHILD, at, dialog);
    HWND grandchild = wintest::CreateRecorded(recorder, WS_CHILD, at, child);
    HWND great = wintest::CreateRecorded(recorder, WS_CHILD, at, grandchild);
    HWND greatGreat = wintest::CreateRecorded(recorder, WS_CHILD, at, great);
    HWND stranger = wintest::CreateRecorded(recorder, WS_POPUP, at);
    ASSERT_TRUE(dialog && child && grandchild && great && greatGreat && stranger);

    const struct {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool installing;
        LoopAction action;
    } rows[] = {
        {dialog, WM_LBUTTONDOWN, 0, 0, false, LoopAction::Dispatch},
        {child, WM_LBUTTONDOWN, 0, 0, false, LoopAction::Dispatch},
        {grandchild, WM_MOUSEMOVE, 0, 0, false, LoopAction::Dispatch},
        {great, WM_LBUTTONUP, 0, 0, false, LoopAction::Dispatch},
        {greatGreat, WM_LBUTTONDOWN, 0, 0, false, LoopAction::Drop},
        {stranger, WM_LBUTTONDOWN, 0, 0, false, LoopAction::Drop},
        {nullptr, WM_MOUSEMOVE, 0, 0, false, LoopAction::Drop},
        // The application range and paints pass whoever they are for.
        {stranger, WM_PAINT, 0, 0, false, LoopAction::Dispatch},
        {stranger, WM_USER, 0, 0, false, LoopAction::Dispatch},
        {nullptr, WM_USER + 107, 0, 42, false, LoopAction::Dispatch},
        // The system close command (Alt+F4) closes the dialog, except during an installation.
        {dialog, WM_SYSCOMMAND, SC_CLOSE, 0, false, LoopAction::Close},
        {stranger, WM_SYSCOMMAND, SC_CLOSE, 0, false, LoopAction::Close},
        {dialog, WM_SYSCOMMAND, SC_CLOSE, 0, true, LoopAction::Refuse},
        // Other system commands, and a close command from a menu position, are ordinary.
        {dialog, WM_SYSCOMMAND, SC_CLOSE, 0x00100010, false, LoopAction::Dispatch},
        {stranger, WM_SYSCOMMAND, SC_CLOSE, 0x00100010, false, LoopAction::Drop},
        {dialog, WM_SYSCOMMAND, kMinimizeCommand, 0, false, LoopAction::Dispatch},
    };
    for (const auto& row : rows) {
        MSG message{};
        message.hwnd = row.window;
        message.message = row.message;
        message.wParam = row.wParam;
        message.lParam = row.lParam;
        EXPECT_EQ(ClassifyMessage(message, dialog, row.installing), row.action)
            << "message " << row.message << " window " << row.window;
    }
    DestroyWindow(stranger);
    DestroyWindow(dialog);
}

TEST(LocalEndpoint, TheVariableRedirectsOnlyABuildForLocalRuns) {
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.ResetToDefaults();
    SetEnvironmentVariableW(L"OBJSTORE_ENDPOINT", L"127.0.0.1:8081");
    ApplyLocalEndpoint();
    EXPECT_EQ(settings.GetUseForcedHost(), HonoursLocalEndpoint());
    EXPECT_EQ(settings.GetForcedHost(), HonoursLocalEndpoint() ? "127.0.0.1:8081" : "");
    SetEnvironmentVariableW(L"OBJSTORE_ENDPOINT", nullptr);
    settings.ResetToDefaults();
    ApplyLocalEndpoint();
    EXPECT_FALSE(settings.GetUseForcedHost()) << "nothing without the variable";
}

}  // namespace

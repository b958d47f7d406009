// The native layer's plain pieces, checked directly (native build only).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/posix/command_line.h"
#include "platform/posix/lnk_format.h"
#include "platform/posix/profile_text.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/text.h"
#include "platform/posix/wildcard.h"
#include "platform/win32.h"
#include "win_test_support.h"

extern char** environ;

using namespace winlayer;

TEST(PosixCommandLine, SplitsWithTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> args;
    } cases[] = {
        {L"\"C:\\Program Files\\a.exe\" end", {L"C:\\Program Files\\a.exe", L"end"}},
        {L"cmd.exe /c XCOPY \"S\" \"I\\\" /S", {L"cmd.exe", L"/c", L"XCOPY", L"S", L"I\" /S"}},
        {L"p a\\\\\"b c\" d", {L"p", L"a\\b c", L"d"}},
        {L"p \"x\"\"y\" \\\\server", {L"p", L"x\"y", L"\\\\server"}},
        {L"p  \t ", {L"p"}},
        {L"p \"\"", {L"p", L""}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    for (const std::wstring arg : {L"a b", L"q\"uote", L"tail\\", L"sp ace\\", L""}) {
        auto back = SplitCommandLine(L"p " + QuoteArgument(arg));
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[1], arg);
    }
}

TEST(PosixCommandLine, UnquotedProgramNamesAreTriedWordByWord) {
    EXPECT_EQ(ProgramCandidates(L"C:\\Program Files\\app x"),
              (std::vector<std::wstring>{L"C:\\Program", L"C:\\Program Files\\app",
                                         L"C:\\Program Files\\app x"}));
    EXPECT_EQ(ProgramCandidates(L"\"C:\\a b\\c.exe\" end"),
              std::vector<std::wstring>{L"C:\\a b\\c.exe"});
}

TEST(PosixWildcards, MatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchesPattern(L"*", L"anything"));
    EXPECT_TRUE(MatchesPattern(L"*.*", L"noext"));
    EXPECT_TRUE(MatchesPattern(L"*.TXT", L"a.txt"));
    EXPECT_TRUE(MatchesPattern(L"k?ep*", L"KEEP1.txt"));
    EXPECT_FALSE(MatchesPattern(L"*.zip", L"a.zip.part"));
    EXPECT_FALSE(MatchesPattern(L"a?", L"a"));
}

TEST(PosixProfileText, EditsKeepTheRestOfTheFile) {
    std::string text = "; head\r\n[A]\r\nk=1\r\n\r\n[B]\r\nx = \"quoted\" \r\n";
    std::string v;
    EXPECT_TRUE(ProfileGet(text, "b", "X", v));
    EXPECT_EQ(v, "quoted");
    std::string added = ProfileSet(text, "a", "new", "2");
    EXPECT_EQ(added, "; head\r\n[A]\r\nk=1\r\nnew=2\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(added, "A", "K", "9"),
              "; head\r\n[A]\r\nk=9\r\nnew=2\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(text, "A", "k", nullptr),
              "; head\r\n[A]\r\n\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet(text, "a", nullptr, nullptr), "; head\r\n[B]\r\nx = \"quoted\" \r\n");
    EXPECT_EQ(ProfileSet("", "s", "k", "v"), "[s]\r\nk=v\r\n");
    EXPECT_EQ(ProfileSet("x=1", "s", "k", "v"), "x=1\r\n[s]\r\nk=v\r\n");
    EXPECT_EQ(ProfileKeys(text, "A"), std::vector<std::string>{"k"});
    EXPECT_EQ(ProfileSections(text), (std::vector<std::string>{"A", "B"}));
}

TEST(PosixRegistryStore, TextFormRoundTrips) {
    RegKey top;
    RegKey* key = top.Add(L"HKEY_LOCAL_MACHINE")->Add(L"SOFTWARE")->Add(L"Quant_[x]");
    key->values.push_back({L"", REG_SZ, std::string("a\0\0\0", 4)});
    key->values.push_back({L"Name \"q\"", REG_BINARY, std::string("\x00\xFF\n", 3)});
    top.Add(L"HKEY_CURRENT_USER");
    RegKey back;
    ASSERT_TRUE(ParseRegistry(SerializeRegistry(top), back));
    RegKey* k = back.Find(L"hkey_local_machine")->Find(L"software")->Find(L"QUANT_[X]");
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->values.size(), 2u);
    EXPECT_EQ(k->values[0].name, L"");
    EXPECT_EQ(k->values[0].data, std::string("a\0\0\0", 4));
    EXPECT_EQ(k->values[1].name, L"Name \"q\"");
    EXPECT_EQ(k->values[1].type, REG_BINARY);
    EXPECT_EQ(k->values[1].data, std::string("\x00\xFF\n", 3));
    EXPECT_NE(back.Find(L"HKEY_CURRENT_USER"), nullptr);
    EXPECT_EQ(SplitKeyPath(L"\\A\\\\B\\"), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST(PosixShellLinkFormat, EncodesTheTargetAndFolderAndDecodesThem) {
    LinkData link;
    link.target = L"C:\\\u5B89\u88C5\\OndrelDeskTrade.exe";
    link.workingDirectory = L"C:\\\u5B89\u88C5";
    link.targetAttributes = FILE_ATTRIBUTE_ARCHIVE;
    link.targetSize = 1234;
    std::string bytes = EncodeShellLink(link);
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));  // terminal block
    LinkData back;
    ASSERT_TRUE(DecodeShellLink(bytes, back));
    EXPECT_EQ(back.target, link.target);
    EXPECT_EQ(back.workingDirectory, link.workingDirectory);
    EXPECT_EQ(back.targetSize, 1234u);
    EXPECT_EQ(back.showCommand, SW_SHOWNORMAL);
    EXPECT_FALSE(DecodeShellLink(bytes.substr(0, 40), back));
}

namespace {

const char kHeader[] = "objstore-registry 1\n";

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string SystemRoot() {
    const char* root = getenv("OBJSTORE_SYSROOT");
    return root ? root : "";
}

// Points the layer at another system root while it lives.
class RootScope {
  public:
    explicit RootScope(const std::string& root) : previous_(SystemRoot()) {
        setenv("OBJSTORE_SYSROOT", root.c_str(), 1);
    }
    ~RootScope() { setenv("OBJSTORE_SYSROOT", previous_.c_str(), 1); }

  private:
    std::string previous_;
};

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A root that first use left complete: the registry parses and holds the skeleton's keys, the
// system folder holds the helper programs, and no temporary file is left behind.
void ExpectConsistentRoot(const std::string& root) {
    RegKey top;
    ASSERT_TRUE(ParseRegistry(ReadHostFile(root + "/registry.txt"), top));
    RegKey* key = &top;
    for (const wchar_t* part : {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"Microsoft", L"Windows",
                                L"CurrentVersion", L"Uninstall"}) {
        key = key->Find(part);
        ASSERT_NE(key, nullptr) << WideToUtf8(part);
    }
    ASSERT_NE(top.Find(L"HKEY_CURRENT_USER"), nullptr);
    EXPECT_NE(top.Find(L"HKEY_CURRENT_USER")->Find(L"Software"), nullptr);
    struct stat st;
    for (const char* shim : {"cmd.exe", "xcopy.exe"}) {
        std::string path = root + "/drive_c/windows/system32/" + shim;
        ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
        EXPECT_TRUE(st.st_mode & S_IXUSR) << path;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos) << entry.path();
}

bool UninstallKeyOpens() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

TEST(PosixRegistryStore, DamagedTextIsRefusedWithoutThrowing) {
    const std::string h = kHeader;
    const std::string damaged[] = {
        "",
        "garbage\n",
        h + "[HKEY_CURRENT_USER\\Software]\n\"a\"=1:6100",  // cut short: no final newline
        h + "[HKEY_CURRENT_USER\\Soft\n",
        h + "[]\n",
        h + "[K]\n\"a\"=1:abc\n",
        h + "[K]\n\"a\"=1:zz\n",
        h + "[K]\n\"a\"=x:00\n",
        h + "[K]\n\"a\"=:00\n",
        h + "[K]\n\"a\"=99999999999:00\n",
        h + "[K]\n\"a=1:00\n",
        h + "[K]\n\"a\\",
        h + "[K]\n\"a\"1:00\n",
        h + "[K]\n\"a\"=100\n",
        h + "[K]\nname=1:00\n",
        h + "\"a\"=1:00\n",  // a value before any key
        h + "[K]\n\"a\"=3:" + std::string(8 << 20, 'g') + "\n",
        std::string(1 << 20, '\xFF') + "\n",
    };
    for (const auto& text : damaged) {
        RegKey top;
        top.Add(L"stale");
        bool ok = true;
        EXPECT_NO_THROW(ok = ParseRegistry(text, top)) << text.substr(0, 80);
        EXPECT_FALSE(ok) << text.substr(0, 80);
        EXPECT_TRUE(top.subkeys.empty()) << text.substr(0, 80);
    }
    // A huge value that is well formed is read in full.
    RegKey top;
    ASSERT_TRUE(ParseRegistry(h + "[K]\n\"big\"=3:" + std::string(4 << 20, 'A') + "\n", top));
    ASSERT_NE(top.Find(L"K"), nullptr);
    ASSERT_NE(top.Find(L"K")->FindValue(L"big"), nullptr);
    EXPECT_EQ(top.Find(L"K")->FindValue(L"big")->data, std::string(2 << 20, '\xAA'));
}

TEST(PosixRegistry, DamagedFileGivesErrorsAndStaysAsItIs) {
    wintest::TempFolder dir;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Damage", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>("ab"), 2),
              ERROR_SUCCESS);
    const std::string file = SystemRoot() + "/registry.txt";
    const std::string good = ReadHostFile(file);
    ASSERT_FALSE(good.empty());
    const std::string cases[] = {
        "garbage\x01\x02 not a registry\n",
        good.substr(0, good.size() - 3),  // cut inside the last line
        good + "[K]\n\"x\"=4:" + std::string(6 << 20, 'q') + "\n",
    };
    for (const auto& damaged : cases) {
        WriteHostFile(file, damaged);
        HKEY other = nullptr;
        BYTE data[8];
        DWORD size = sizeof data;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Damage", 0, KEY_READ, &other),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\New", &other),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, nullptr, data, &size),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegSetValueExA(key, "w", 0, REG_BINARY, data, 1), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software"), ERROR_REGISTRY_CORRUPT);
        EXPECT_TRUE(ReadHostFile(file) == damaged) << "a damaged file is never written over";
    }
    // Repaired, it serves again.
    WriteHostFile(file, good);
    BYTE data[8];
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    RegCloseKey(key);
}

// A write that fails half-way (the file size limit here; a full disk alike) leaves the old file.
TEST(PosixRegistry, FailedWriteLeavesTheOldFile) {
    wintest::TempFolder dir;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Limits", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "small", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 1),
              ERROR_SUCCESS);
    const std::string file = SystemRoot() + "/registry.txt";
    const std::string before = ReadHostFile(file);
    std::string big(64 << 10, 'b');

    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = before.size() + 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    LSTATUS status = RegSetValueExA(key, "big", 0, REG_BINARY,
                                    reinterpret_cast<const BYTE*>(big.data()), DWORD(big.size()));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(status, ERROR_DISK_FULL);
    EXPECT_TRUE(ReadHostFile(file) == before) << "the old file is intact";
    EXPECT_FALSE(std::filesystem::exists(file + ".new")) << "the partial copy is removed";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"big", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
        << "the failed change is not served from memory either";
    EXPECT_EQ(RegQueryValueExW(key, L"small", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()),
                             DWORD(big.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(PosixSystemRoot, FirstUseFromManyThreadsSeesAPreparedRoot) {
    wintest::TempFolder dir;
    std::string root = wintest::HostPathOf(wintest::Wide(dir / "fresh-root"));
    RootScope scope(root);
    const int kThreads = 8;
    std::atomic<int> waiting{kThreads};
    std::vector<int> ok(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            for (--waiting; waiting > 0;) std::this_thread::yield();  // start together
            DWORD attributes = GetFileAttributesA("C:\\windows\\system32");
            ok[i] = attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & FILE_ATTRIBUTE_DIRECTORY) && UninstallKeyOpens();
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < kThreads; ++i) EXPECT_TRUE(ok[i]) << "thread " << i;
    ExpectConsistentRoot(root);
}

TEST(PosixSystemRoot, FirstUseFromSeveralProcessesEndsWithOneConsistentRoot) {
    wintest::TempFolder dir;
    std::string root = wintest::HostPathOf(wintest::Wide(dir / "shared-root"));
    RootScope scope(root);
    // Started with posix_spawn: a layer call here would prepare the root before the children.
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        char program[] = LAYER_CHILD_PATH;
        char mode[] = "first-use";
        char* argv[] = {program, mode, nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program, nullptr, nullptr, argv, environ), 0);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    ExpectConsistentRoot(root);
    EXPECT_TRUE(UninstallKeyOpens());
}

TEST(PosixShellLinkFormat, DamagedFilesAreRefused) {
    LinkData link;
    link.target = L"C:\\Program Files\\App\\app.exe";
    link.workingDirectory = L"C:\\Program Files\\App";
    link.arguments = L"--start";
    link.description = L"App";
    link.iconPath = L"C:\\Program Files\\App\\app.ico";
    const std::string good = EncodeShellLink(link);
    LinkData back;
    ASSERT_TRUE(DecodeShellLink(good, back));
    // Cut anywhere before the terminal block.
    for (size_t n = 0; n + 4 < good.size(); ++n)
        EXPECT_FALSE(DecodeShellLink(good.substr(0, n), back)) << "cut at " << n;

    // The link information starts right after the header (no item list).
    const size_t info = 0x4C;
    auto patched = [&](size_t at, uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    auto withFlags = [&](uint32_t add) {
        std::string bytes = good;
        uint32_t flags = uint8_t(bytes[20]) | uint32_t(uint8_t(bytes[21])) << 8;
        return patched(20, flags | add);
    };
    uint32_t infoSize = uint8_t(good[info]) | uint32_t(uint8_t(good[info + 1])) << 8;
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"information larger than the file", patched(info, 0x7FFFFFF0u)},
        {"information smaller than its header", patched(info, 8)},
        {"header larger than the information", patched(info + 4, infoSize + 1)},
        {"header size below the minimum", patched(info + 4, 4)},
        {"unicode path beyond the information", patched(info + 0x1C, infoSize + 100)},
        {"unicode path far beyond the file", patched(info + 0x1C, 0xFFFFFFF0u)},
        {"unicode path without its end", patched(info + 0x1C, infoSize - 1)},
        {"local path beyond the information",
         patched(info + 0x10, 0xFFFFFF00u).replace(info + 4, 4, std::string("\x1C\0\0\0", 4))},
        {"item list larger than the file", withFlags(0x1)},
    };
    for (const auto& c : cases) EXPECT_FALSE(DecodeShellLink(c.bytes, back)) << c.what;
}

TEST(PosixShellFolders, PathsLongerThanTheCallersBufferAreRefused) {
    wintest::TempFolder dir;
    const std::string settings = SystemRoot() + "/settings.ini";
    std::string chinese;  // 中 in UTF-8: two bytes in code page 936
    for (int i = 0; i < 120; ++i) chinese += "\xE4\xB8\xAD";
    struct Case {
        std::string account;
        bool wideFits, narrowFits;
    } cases[] = {
        {"alice", true, true},
        {chinese.substr(0, 3 * 100), true, true},  // 227 bytes in code page 936
        {chinese, true, false},                    // 267 bytes narrow, 147 characters wide
        {std::string(240, 'a'), false, false},
    };
    for (const auto& c : cases) {
        WriteHostFile(settings, "[account]\nuser=" + c.account + "\n");
        std::vector<wchar_t> wide(MAX_PATH + 16, L'#');
        HRESULT hr = SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, wide.data());
        EXPECT_EQ(SUCCEEDED(hr), c.wideFits) << c.account.size();
        if (!SUCCEEDED(hr)) {
            EXPECT_EQ(wide[0], L'\0');
        }
        for (size_t i = MAX_PATH; i < wide.size(); ++i) ASSERT_EQ(wide[i], L'#') << i;
        std::vector<char> narrow(MAX_PATH + 16, '#');
        hr = SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, narrow.data());
        EXPECT_EQ(SUCCEEDED(hr), c.narrowFits) << c.account.size();
        if (SUCCEEDED(hr))
            EXPECT_EQ(strlen(narrow.data()), WideToAnsi(wide.data()).size());
        else
            EXPECT_EQ(narrow[0], '\0');
        for (size_t i = MAX_PATH; i < narrow.size(); ++i) ASSERT_EQ(narrow[i], '#') << i;
    }
}

// The machine's settings file (settings.ini in the system root): read once per change, every
// change seen at the next lookup (native build only).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/sysroot.h"
#include "win_test_support.h"

using winlayer::Setting;
using winlayer::SettingsFileReads;

namespace {

std::string SettingsPath() {
    return winlayer::SystemRootDir() + "/settings.ini";
}

// Rewrites the file in place (same inode), as an editor or a shell redirection does.
void WriteInPlace(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Replaces the file by a new one, as a careful writer does.
void ReplaceByRename(const std::string& path, const std::string& text) {
    WriteInPlace(path + ".new", text);
    ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
}

// Gives the file a modification time well in the past, so the cache trusts its stamps.
void Age(const std::string& path) {
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 60;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

TEST(PosixSettings, EveryKindOfChangeIsSeenAtTheNextLookup) {
    wintest::TempFolder dir;  // a fresh system root
    const std::string path = SettingsPath();
    EXPECT_EQ(Setting("machine", "name", "none"), "none");
    struct Step {
        const char* what;
        std::function<void()> change;
        const char* expected;
    } steps[] = {
        {"created", [&] { WriteInPlace(path, "[machine]\nname=AAAA\n"); }, "AAAA"},
        {"same size, in place, at once", [&] { WriteInPlace(path, "[machine]\nname=BBBB\n"); },
         "BBBB"},
        {"same size again, at once", [&] { WriteInPlace(path, "[machine]\nname=CCCC\n"); }, "CCCC"},
        {"other size", [&] { WriteInPlace(path, "[MACHINE]\nName = DD\n"); }, "DD"},
        {"replaced", [&] { ReplaceByRename(path, "[machine]\nname=EEEE\n"); }, "EEEE"},
        {"aged, then the same size in place with the old time put back",
         [&] {
             Age(path);
             ASSERT_EQ(Setting("machine", "name"), "EEEE");
             struct stat before;
             ASSERT_EQ(stat(path.c_str(), &before), 0);
             WriteInPlace(path, "[machine]\nname=FFFF\n");
             timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         "FFFF"},
        {"removed", [&] { ASSERT_EQ(unlink(path.c_str()), 0); }, "none"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(Setting("machine", "name", "none"), step.expected);
        EXPECT_EQ(winlayer::HasSetting("machine", "name"), std::string(step.expected) != "none");
    }
}

// Rewrites of the same size in place, each right after the last lookup. Where the kernel stamps
// files with a coarse clock they land within one tick and stat alone cannot tell them apart
// (kernels that give a file fine stamps once it was looked at can); the cache must see each one
// either way.
TEST(PosixSettings, RapidSameSizeRewritesAreEachSeen) {
    wintest::TempFolder dir;
    const std::string path = SettingsPath();
    for (int i = 1000; i < 1300; ++i) {
        WriteInPlace(path, "[machine]\nname=N" + std::to_string(i) + "\n");
        ASSERT_EQ(Setting("machine", "name"), "N" + std::to_string(i));
    }
}

TEST(PosixSettings, AnUnchangedFileIsReadOnce) {
    wintest::TempFolder dir;
    const std::string path = SettingsPath();
    WriteInPlace(path, "[session]\nconsole_user=alice\n[machine]\nname=BOX\n");
    Age(path);
    EXPECT_EQ(Setting("session", "console_user"), "alice");
    const unsigned long reads = SettingsFileReads();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Setting("machine", "name"), "BOX");
        ASSERT_EQ(Setting("session", "console_user"), "alice");
    }
    EXPECT_EQ(SettingsFileReads(), reads);
    WriteInPlace(path, "[session]\nconsole_user=bobby\n[machine]\nname=BOX\n");
    EXPECT_EQ(Setting("session", "console_user"), "bobby");
    EXPECT_GT(SettingsFileReads(), reads);
}

// Lookups from many threads while the file changes see one whole version or the other.
TEST(PosixSettings, LookupsDuringRewritesSeeWholeVersions) {
    wintest::TempFolder dir;
    const std::string path = SettingsPath();
    WriteInPlace(path, "[machine]\nname=ONE\n");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            while (!stop) {
                std::string name = Setting("machine", "name", "none");
                if (name != "ONE" && name != "TWO") ++bad;
            }
        });
    for (int i = 0; i < 200; ++i)
        ReplaceByRename(path, i % 2 ? "[machine]\nname=ONE\n" : "[machine]\nname=TWO\n");
    stop = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(Setting("machine", "name"), "ONE");
}

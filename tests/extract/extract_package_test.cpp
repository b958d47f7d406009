// The worker's unpacking step: a missing package is no failure and moves nothing; a good one moves
// the progress bar by 10 / planned downloads and tells the window.
#include "workflow/extract/extract_package.h"

#include <gtest/gtest.h>

#include "extract_test_support.h"
#include "zip_writer.h"

namespace {

constexpr UINT kInstallProgress = 1131;

// Progress messages waiting in this thread's queue (posted to no window), taken out.
std::vector<LPARAM> TakeProgressMessages() {
    std::vector<LPARAM> positions;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, kInstallProgress, kInstallProgress, PM_REMOVE))
        positions.push_back(msg.lParam);
    return positions;
}

}  // namespace

TEST(ExtractPackage, MovesProgressOnlyAfterASuccessfulUnpacking) {
    struct Case {
        const char* what;
        std::vector<TestEntry> entries;  // empty: no zip file at all
        int planned;
        bool result;
        int32_t progressAfter;
    };
    TestEntry bad{"bad.txt", "x"};
    bad.crcXor = 1;
    const Case cases[] = {
        {"missing package", {}, 5, true, 16},
        {"good package, five downloads", {{"a.txt", "a"}}, 5, true, 18},
        {"good package, three downloads", {{"a.txt", "a"}}, 3, true, 19},
        {"good package, none planned", {{"a.txt", "a"}}, 0, true, 16},
        {"damaged package", {bad}, 5, false, 16},
    };
    for (const Case& c : cases) {
        ExtractScratch s;
        TakeProgressMessages();
        if (!c.entries.empty()) {
            ASSERT_TRUE(WriteTestZip(s / "p.zip", c.entries)) << c.what;
        }
        std::atomic<int32_t> progress{16};
        ExtractProgress target{c.planned, &progress, nullptr};
        EXPECT_EQ(ExtractPackage((s / "p.zip").c_str(), (s / "out").c_str(), target), c.result)
            << c.what;
        EXPECT_EQ(progress.load(), c.progressAfter) << c.what;
        std::vector<LPARAM> posted = TakeProgressMessages();
        bool moved = c.result && !c.entries.empty();
        EXPECT_EQ(posted,
                  moved ? std::vector<LPARAM>{LPARAM(c.progressAfter)} : std::vector<LPARAM>{})
            << c.what;
        EXPECT_EQ(wintest::Exists(s / "out"), !c.entries.empty()) << c.what;
    }
}

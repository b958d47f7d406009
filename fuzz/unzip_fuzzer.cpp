// Archive bytes, extracted with TUnzip into a fresh folder: whatever the archive holds, nothing may
// appear or change outside that folder, neither beside it nor on the emulated drives.
//
// Host layout: /tmp/unzip-fuzz-<pid>/ holds the system root (sysroot/) and area/ with the archive
// (in.zip) and the destination (out/). Every drive lies inside: C: in the system root, Z: an empty
// folder there, D: is area/ (archive D:\in.zip, destination D:\out). Everything but out/ is
// listed before the first input and compared after every one; out/ is removed after each input.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <minizip/unzip.h>

#include "workflow/extract/unzip.h"

namespace fs = std::filesystem;

namespace {

// Declared sizes bound what an entry inflates to; archives that would write more are skipped so
// every run stays fast (entries may share their data, so a small input can declare a lot).
constexpr uint64_t kMaxDeclaredTotal = 16u << 20;

struct Area {
    fs::path root, zip, out;
    std::string windowsZip, windowsOut;
};

// Paths and sizes of everything below root except out/ and the layer's record of message boxes
// (a file that cannot be created is asked about, and the box is logged there).
std::map<std::string, uintmax_t> Snapshot(const Area& area) {
    std::map<std::string, uintmax_t> seen;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(area.root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        if (p == area.out) {
            it.disable_recursion_pending();
            continue;
        }
        if (p.filename() == "messagebox-log.txt" || p == area.zip) continue;
        bool file = it->is_regular_file(ec);
        seen[p.string()] = file ? it->file_size(ec) : 0;
    }
    return seen;
}

// libFuzzer ends without running exit handlers, so a run clears what earlier, ended runs left.
void RemoveAreasOfEndedRuns() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/tmp", ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("unzip-fuzz-", 0) != 0) continue;
        pid_t pid = pid_t(atoi(name.c_str() + strlen("unzip-fuzz-")));
        if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) fs::remove_all(entry.path(), ec);
    }
}

const Area& TheArea() {
    static const Area area = [] {
        RemoveAreasOfEndedRuns();
        Area a;
        a.root = "/tmp/unzip-fuzz-" + std::to_string(getpid());
        fs::remove_all(a.root);
        fs::create_directories(a.root / "sysroot" / "drive_z");
        fs::create_directories(a.root / "area");
        fs::create_directory_symlink(a.root / "area", a.root / "sysroot" / "drive_d");
        setenv("OBJSTORE_SYSROOT", (a.root / "sysroot").c_str(), 1);
        a.zip = a.root / "area" / "in.zip";
        a.out = a.root / "area" / "out";
        a.windowsZip = "D:\\in.zip";
        a.windowsOut = "D:\\out";
        TUnzip::CreatePath(a.windowsOut.c_str());  // prepares the system root
        fs::remove_all(a.out);
        return a;
    }();
    return area;
}

bool SmallEnough(const Area& area) {
    unzFile zip = unzOpen64(area.zip.c_str());
    if (!zip) return true;  // OpenArchive refuses it quickly
    uint64_t total = 0;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK && total <= kMaxDeclaredTotal;
         rc = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        total += info.uncompressed_size;
    }
    unzClose(zip);
    return total <= kMaxDeclaredTotal;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Area& area = TheArea();
    static const std::map<std::string, uintmax_t> before = Snapshot(area);
    {
        std::ofstream zip(area.zip, std::ios::binary | std::ios::trunc);
        zip.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    if (!SmallEnough(area)) return 0;
    TUnzip::UnzipToFolder(area.windowsZip.c_str(), area.windowsOut.c_str());
    if (Snapshot(area) != before) abort();  // something was written outside the destination
    std::error_code ec;
    fs::remove_all(area.out, ec);
    return 0;
}

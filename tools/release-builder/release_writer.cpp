#include "release_writer.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "dos_time.h"
#include "zip_writer.h"

namespace release_builder {
namespace {

namespace fs = std::filesystem;

// A name beside the output that only this run uses.
fs::path Beside(const fs::path& output, const char* purpose) {
    const fs::path absolute = fs::absolute(output);
    return absolute.parent_path() /
           ("." + absolute.filename().string() + "." + purpose + "-" + std::to_string(getpid()));
}

bool WriteText(const fs::path& path, const std::string& text, std::string* error) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) *error = "cannot write \"" + path.string() + "\"";
    return bool(out);
}

bool WriteAll(const ReleasePlan& plan, const fs::path& folder, std::string* error) {
    std::error_code failure;
    const fs::path summary = folder / kKeyPrefix / "summary.ini";
    fs::create_directories(summary.parent_path(), failure);
    if (failure) {
        *error = "cannot create \"" + summary.parent_path().string() + "\": " + failure.message();
        return false;
    }
    if (!WriteText(summary, plan.summaryText, error)) return false;
    for (const PackagePlan& package : plan.packages) {
        const fs::path zip = folder / package.objectKey;
        fs::create_directories(zip.parent_path(), failure);
        if (failure) {
            *error = "cannot create \"" + zip.parent_path().string() + "\": " + failure.message();
            return false;
        }
        if (!WritePackage(package.entries, zip.string(), error)) return false;
    }
    return true;
}

// Moves the complete release at staged to output; see WriteRelease.
bool Place(const fs::path& staged, const fs::path& output, std::string* error) {
    std::error_code failure;
    const bool replace = fs::exists(output, failure) && !fs::is_empty(output, failure);
    const fs::path old = Beside(output, "old");
    if (replace) fs::rename(output, old, failure);
    // rename() replaces an empty folder, so an empty output needs no step of its own.
    if (!failure) fs::rename(staged, output, failure);
    if (failure) {
        *error = "cannot move the release into \"" + output.string() + "\": " + failure.message();
        if (replace && !fs::exists(output)) fs::rename(old, output, failure);
        return false;
    }
    if (replace) fs::remove_all(old, failure);
    return true;
}

}  // namespace

bool WritePackage(const std::vector<ArchiveEntry>& entries, const std::string& zipPath,
                  std::string* error) {
    ZipWriter zip;
    if (!zip.Create(zipPath, error)) return false;
    for (const ArchiveEntry& entry : entries) {
        const uint32_t when = DosDateTime(entry.modified);
        const bool added = entry.folder ? zip.AddFolder(entry.name, when, error)
                                        : zip.AddFile(entry.name, entry.sourcePath, when, error);
        if (!added) return false;
    }
    return zip.Close(error);
}

bool WriteRelease(const ReleasePlan& plan, std::string* error) {
    const fs::path output(plan.outputFolder);
    const fs::path staged = Beside(output, "partial");
    std::error_code failure;
    fs::remove_all(staged, failure);
    fs::create_directory(staged, failure);
    if (failure) {
        *error = "cannot create \"" + staged.string() + "\": " + failure.message();
        return false;
    }
    if (WriteAll(plan, staged, error) && Place(staged, output, error)) return true;
    fs::remove_all(staged, failure);
    return false;
}

}  // namespace release_builder

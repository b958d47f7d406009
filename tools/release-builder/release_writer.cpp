#include "release_writer.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "dos_time.h"
#include "release_signing.h"
#include "workflow/integrity/release_signature.h"
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

// The summary, and with a signing key its digests of the written packages and its signature.
bool WriteSummary(const ReleasePlan& plan, const fs::path& folder, std::string* error) {
    const fs::path summary = folder / kKeyPrefix / "summary.ini";
    if (plan.signingKey.empty()) return WriteText(summary, plan.summaryText, error);
    std::vector<std::string> keys;
    for (const PackagePlan& package : plan.packages) keys.push_back(package.objectKey);
    integrity::DigestList digests;
    if (!DigestPackages(folder.string(), keys, &digests, error)) return false;
    const std::string text = SummaryWithDigests(plan.summaryText, digests);
    std::string signature;
    if (!integrity::SignMessage(plan.signingKey, text, &signature, error)) return false;
    return WriteText(summary, text, error) &&
           WriteText(fs::path(summary.string() + ".sig"), signature, error);
}

bool WriteAll(const ReleasePlan& plan, const fs::path& folder, std::string* error) {
    std::error_code failure;
    const fs::path prefix = folder / kKeyPrefix;
    fs::create_directories(prefix, failure);
    if (failure) {
        *error = "cannot create \"" + prefix.string() + "\": " + failure.message();
        return false;
    }
    for (const PackagePlan& package : plan.packages) {
        const fs::path zip = folder / package.objectKey;
        fs::create_directories(zip.parent_path(), failure);
        if (failure) {
            *error = "cannot create \"" + zip.parent_path().string() + "\": " + failure.message();
            return false;
        }
        if (!WritePackage(package.entries, zip.string(), error)) return false;
    }
    return WriteSummary(plan, folder, error);
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

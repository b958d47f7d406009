// The folders a publisher hands to the release builder, written into a test
// folder with known contents and modification times, and the builder's
// command line for them.
#pragma once

#include <string>
#include <vector>

#include "program_run.h"
#include "support/test_dir.h"

namespace release_test {

// One file or folder (path ends with "/") of the sources.
struct SourceEntry {
    std::string path;         // below the test folder, e.g. "product/data/"
    std::string archiveName;  // its entry name in the package (code page 936)
    std::string content;      // files only
    std::string localTime;    // modification time, "YYYY-MM-DD HH:MM:SS" local
    std::string zipTime;      // the entry's time as zipinfo -T prints it

    bool IsFolder() const { return !path.empty() && path.back() == '/'; }
};

// The builder's options, each left out when empty.
struct ReleaseArgs {
    std::string product, base, config, depend, quant;
    std::string runtimeName = "fix-8.5.0-test";
    std::string quantName;
    std::vector<std::string> packageCodes = {"000001", "000002"};
    std::string cfgStamp = "20261201093000";
    std::string output;
    bool force = false;
    std::vector<std::string> extra;

    std::vector<std::string> ToVector() const;
};

class ReleaseSources {
  public:
    // Writes product/, base/, config/, depend/ and quant/ into a new test folder.
    ReleaseSources();

    const objstore::test::TestDir& Dir() const { return m_dir; }
    std::string PathOf(const std::string& relative) const { return m_dir.PathOf(relative); }

    // The entries below one top folder ("product", ...), in the order the
    // package must hold them.
    std::vector<SourceEntry> PackageEntries(const std::string& folder) const;

    // Every option set, the optional packages included; output "bucket".
    ReleaseArgs FullArgs() const;
    // Only the required options.
    ReleaseArgs MinimalArgs() const;

    // Writes or replaces a file below the test folder with a modification time.
    void Write(const std::string& relative, const std::string& content,
               const std::string& localTime) const;

  private:
    objstore::test::TestDir m_dir;
    std::vector<SourceEntry> m_entries;
};

// Seconds since 1970 of a local "YYYY-MM-DD HH:MM:SS".
long long LocalSeconds(const std::string& localTime);

// Runs objstore-release-builder with args.
ProgramResult RunBuilder(const ReleaseArgs& args);

// The files and folders below root, relative, "/" between parts, sorted;
// folders end with "/".
std::vector<std::string> TreeBelow(const std::string& root);

// The names directly in folder, hidden ones included, sorted.
std::vector<std::string> NamesIn(const std::string& folder);

}  // namespace release_test

// What Info-ZIP's zipinfo and unzip report about an archive.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace release_test {

// One line of "zipinfo -T": the entry as another program sees it.
struct ListedEntry {
    std::string permissions;  // e.g. "drwxr-xr-x"
    std::string size;         // uncompressed bytes
    std::string method;       // "stor", "defX", ...
    std::string time;         // "YYYYMMDD.HHMMSS"
    std::string name;         // bytes as stored
};

// The entries in archive order; fails the calling test when zipinfo fails.
std::vector<ListedEntry> ZipInfoEntries(const std::string& zip);

// Entry name -> the MS-DOS attribute byte zipinfo -v shows, e.g. "10".
std::map<std::string, std::string> ZipInfoDosAttributes(const std::string& zip);

// unzip -t: the exit status and what it printed.
struct TestOutcome {
    int exitCode;
    std::string output;
};
TestOutcome UnzipTest(const std::string& zip);

// unzip -p: one entry's content.
std::string UnzipContent(const std::string& zip, const std::string& name);

}  // namespace release_test

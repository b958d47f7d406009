#include "zip_listing.h"

#include <gtest/gtest.h>

#include <sstream>

#include "program_run.h"

namespace release_test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// An entry line has eight fields: permissions, version, system, size, text or
// binary with extra-field flag, method, time, name (the name may hold spaces).
bool ParseEntryLine(const std::string& line, ListedEntry* entry) {
    std::istringstream in(line);
    std::string version, system, kind;
    if (!(in >> entry->permissions >> version >> system >> entry->size >> kind >> entry->method >>
          entry->time))
        return false;
    if (entry->permissions.size() != 10 || entry->time.size() != 15) return false;
    in.get();  // the space before the name
    std::getline(in, entry->name);
    return !entry->name.empty();
}

}  // namespace

std::vector<ListedEntry> ZipInfoEntries(const std::string& zip) {
    const ProgramResult result = RunProgram(ZIPINFO_PATH, {"-T", zip});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<ListedEntry> entries;
    for (const std::string& line : Lines(result.out)) {
        ListedEntry entry;
        if (ParseEntryLine(line, &entry)) entries.push_back(entry);
    }
    return entries;
}

std::map<std::string, std::string> ZipInfoDosAttributes(const std::string& zip) {
    const ProgramResult result = RunProgram(ZIPINFO_PATH, {"-v", zip});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::map<std::string, std::string> attributes;
    const std::vector<std::string> lines = Lines(result.out);
    std::string name;
    const std::string marker = "MS-DOS file attributes (";
    for (size_t i = 0; i < lines.size(); ++i) {
        // The heading, a rule, an empty line, then the indented name.
        if (lines[i].rfind("Central directory entry #", 0) == 0 && i + 3 < lines.size())
            name = lines[i + 3].substr(lines[i + 3].find_first_not_of(' '));
        const size_t at = lines[i].find(marker);
        if (at != std::string::npos) attributes[name] = lines[i].substr(at + marker.size(), 2);
    }
    return attributes;
}

TestOutcome UnzipTest(const std::string& zip) {
    const ProgramResult result = RunProgram(UNZIP_PATH, {"-t", zip});
    return {result.exitCode, result.out + result.err};
}

std::string UnzipContent(const std::string& zip, const std::string& name) {
    const ProgramResult result = RunProgram(UNZIP_PATH, {"-p", zip, name});
    EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
    return result.out;
}

}  // namespace release_test

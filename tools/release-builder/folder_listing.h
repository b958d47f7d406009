// The entries of a package, read from the folder that holds its files.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace release_builder {

struct ArchiveEntry {
    std::string name;        // code page 936, "/" between parts; folders end with "/"
    std::string sourcePath;  // the host file or folder
    bool folder = false;
    std::time_t modified = 0;
};

// Every file and folder below root, depth first, each folder's children sorted
// by name and each folder listed before its contents. False, with problem
// naming the offending path, when root is empty, when it holds something other
// than plain files and folders (symbolic links, devices, ...), or when a name
// cannot be a Windows file name in code page 936.
bool ListFolder(const std::string& root, std::vector<ArchiveEntry>* entries, std::string* problem);

}  // namespace release_builder

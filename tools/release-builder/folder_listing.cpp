#include "folder_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "archive_name.h"
#include "package_names.h"

namespace release_builder {
namespace {

namespace fs = std::filesystem;

struct Walk {
    std::vector<ArchiveEntry>* entries;
    std::string problem;
};

bool ModifiedTime(const fs::path& path, std::time_t* modified) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    *modified = info.st_mtime;
    return true;
}

std::vector<fs::path> SortedChildren(const fs::path& folder, std::error_code& error) {
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        children.push_back(it->path());
    std::sort(children.begin(), children.end());
    return children;
}

bool AddEntry(Walk& walk, const fs::path& path, const std::string& prefix, bool folder) {
    const std::string component = path.filename().string();
    std::string problem = FileNameProblem(component);
    std::string converted;
    if (problem.empty() && !ToArchiveName(component, &converted))
        problem = "has a character with no code page 936 form";
    ArchiveEntry entry;
    if (problem.empty() && !ModifiedTime(path, &entry.modified)) problem = "cannot be read";
    if (!problem.empty()) {
        walk.problem = "\"" + path.string() + "\" " + problem;
        return false;
    }
    entry.name = prefix + converted + (folder ? "/" : "");
    entry.sourcePath = path.string();
    entry.folder = folder;
    walk.entries->push_back(entry);
    return true;
}

bool ListChildren(Walk& walk, const fs::path& folder, const std::string& prefix) {
    std::error_code error;
    const std::vector<fs::path> children = SortedChildren(folder, error);
    if (error) {
        walk.problem = "cannot read the folder \"" + folder.string() + "\": " + error.message();
        return false;
    }
    for (const fs::path& child : children) {
        const fs::file_status status = fs::symlink_status(child, error);
        const bool isFolder = fs::is_directory(status);
        if (!isFolder && !fs::is_regular_file(status)) {
            walk.problem = "\"" + child.string() +
                           "\" is not a plain file or folder (symbolic links and special files "
                           "cannot go into a package)";
            return false;
        }
        if (!AddEntry(walk, child, prefix, isFolder)) return false;
        // A copy: the entries grow (and move) while the children are listed.
        const std::string childPrefix = walk.entries->back().name;
        if (isFolder && !ListChildren(walk, child, childPrefix)) return false;
    }
    return true;
}

}  // namespace

bool ListFolder(const std::string& root, std::vector<ArchiveEntry>* entries, std::string* problem) {
    entries->clear();
    Walk walk{entries, std::string()};
    if (!ListChildren(walk, fs::path(root), std::string())) {
        *problem = walk.problem;
        return false;
    }
    if (entries->empty()) {
        *problem =
            "the folder \"" + root + "\" is empty; the installer cannot unpack an empty package";
        return false;
    }
    return true;
}

}  // namespace release_builder

#include "workflow/extract/entry_names.h"

#include <cstring>
#include <vector>

#include "platform/win32.h"

namespace {

std::vector<std::string> PartsOf(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '\\') continue;
        parts.push_back(name.substr(start, i - start));
        start = i + 1;
    }
    return parts;
}

// Windows drops trailing dots and spaces from a name, so "..." and ".. " reach the parent too.
bool WalksUp(const std::string& part) {
    return part != "." && !part.empty() && part.find_first_not_of(". ") == std::string::npos;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension ("nul.txt"): Windows opens the device.
bool IsDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool HasForbiddenCharacter(const std::string& part) {
    for (unsigned char c : part)
        if (c < 0x20 || strchr("<>\"|?*", c)) return true;
    return false;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

bool FullPath(const std::string& path, std::string& full) {
    char buffer[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    full.assign(buffer, n);
    return true;
}

}  // namespace

EntryNameProblem CheckEntryName(const std::string& name) {
    if (name.empty()) return EntryNameProblem::Invalid;
    // A leading "\" is the root of the drive or, doubled, a UNC share; ":" names a drive or a
    // stream of a file.
    if (name[0] == '\\' || name.find(':') != std::string::npos) return EntryNameProblem::Escapes;
    std::vector<std::string> parts = PartsOf(name);
    for (const std::string& part : parts)
        if (WalksUp(part)) return EntryNameProblem::Escapes;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        if (parts[i].empty() && !last) return EntryNameProblem::Invalid;  // "a\\b"
        if (HasForbiddenCharacter(parts[i]) || IsDeviceName(parts[i]))
            return EntryNameProblem::Invalid;
    }
    return EntryNameProblem::Fine;
}

std::string JoinEntryPath(const std::string& destination, const std::string& name) {
    bool separated =
        !destination.empty() && (destination.back() == '\\' || destination.back() == '/');
    return destination + (separated ? "" : "\\") + name;
}

bool LiesBelow(const std::string& path, const std::string& folder) {
    std::string fullPath, fullFolder;
    if (!FullPath(path, fullPath) || !FullPath(folder, fullFolder)) return false;
    if (fullFolder.back() != '\\') fullFolder += '\\';
    if (fullPath.back() != '\\') fullPath += '\\';
    return Upper(fullPath.substr(0, fullFolder.size())) == Upper(fullFolder);
}

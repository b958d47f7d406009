#include "workflow/extract/unzip.h"

#include <cstring>
#include <string>
#include <vector>

#include "workflow/extract/entry_file.h"
#include "workflow/extract/entry_names.h"
#include "workflow/extract/extract_log.h"

TUnzip::TUnzip() : handle(nullptr) {
    defaultFolder[0] = '\0';
}

TUnzip::~TUnzip() {
    CloseArchive();
}

bool TUnzip::OpenArchive(const char* archivePath) {
    CloseArchive();
    defaultFolder[0] = '\0';
    if (!archivePath || !*archivePath) return false;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(archivePath, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;  // a longer answer did not fit
    handle = unzOpen64(HostFilePath(full).c_str());
    if (!handle) return false;
    const char* lastSeparator = strrchr(full, '\\');
    size_t folderLength = lastSeparator ? size_t(lastSeparator - full) + 1 : 0;
    memcpy(defaultFolder, full, folderLength);
    defaultFolder[folderLength] = '\0';
    return true;
}

void TUnzip::CloseArchive() {
    if (!handle) return;
    unzCloseCurrentFile(handle);  // an entry still open for reading
    unzClose(handle);
    handle = nullptr;
}

bool TUnzip::ExtractAll(const char* destination) {
    if (!handle || !destination || !CreatePath(destination)) return false;
    unz_global_info64 info;
    if (unzGetGlobalInfo64(handle, &info) != UNZ_OK || info.number_entry == 0) return false;
    if (unzGoToFirstFile(handle) != UNZ_OK) return false;
    for (;;) {
        if (!ExtractEntry(destination)) return false;
        int moved = unzGoToNextFile(handle);
        if (moved == UNZ_END_OF_LIST_OF_FILE) return true;
        if (moved != UNZ_OK) {
            // A directory that breaks off would otherwise pass for a complete archive.
            LogArchiveFailure(kDamagedDirectory);
            return false;
        }
    }
}

bool TUnzip::ExtractCurrent(const char* destination) {
    if (!handle) return false;
    const char* folder = destination ? destination : defaultFolder;
    return CreatePath(folder) && ExtractEntry(folder);
}

bool TUnzip::ExtractEntry(const char* folder) {
    EntryInfo entry;
    if (!ReadCurrentEntry(handle, entry)) return false;
    std::string path;
    if (!PlaceEntry(folder, entry, path)) return false;
    return entry.isFolder ? ExtractFolderEntry(entry, path) : ExtractFileEntry(handle, entry, path);
}

bool TUnzip::CreatePath(const char* path) {
    if (!path) return false;
    std::string text = path;
    for (char& c : text)
        if (c == '/') c = '\\';
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\\') continue;
        if (i > start) parts.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    if (parts.size() < 2) return true;
    std::string current = parts[0];  // the drive, never created itself
    for (size_t i = 1; i < parts.size(); ++i) {
        current += "\\" + parts[i];
        if (!CreateDirectoryA(current.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    // ERROR_ALREADY_EXISTS answers for a file of that name as well.
    DWORD attributes = GetFileAttributesA(current.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TUnzip::UnzipToFolder(const char* archivePath, const char* destination) {
    TUnzip unzip;
    return unzip.OpenArchive(archivePath) && unzip.ExtractAll(destination);
}
